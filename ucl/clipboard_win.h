// The system clipboard in its text form (CF_UNICODETEXT). Another program may hold the
// clipboard for a moment, so opening it is tried a few times before giving up.
#pragma once

#include <windows.h>

#include <string>

// The clipboard's text; empty when it holds none or cannot be opened.
std::u16string ReadClipboardText(HWND Owner);
// Puts Text on the clipboard as text; false when the clipboard cannot be opened or written.
bool WriteClipboardText(HWND Owner, const std::u16string& Text);
