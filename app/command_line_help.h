// What "/?" and "/help" show: every switch of the installer and every exit code, one line
// each, in the process's language. The switches are written as they are typed, in every
// language.
#pragma once

#include <string>

std::u16string CommandLineHelp();
