// The Windows side of the language choice: the user's interface language.
#pragma once

#include <string>

// The English name of the user's interface language ("German", "Chinese (Simplified)", …).
std::u16string GetUserLanguageName() noexcept;
