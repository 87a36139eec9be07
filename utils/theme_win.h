// The theme's platform side: reading the program's images and sizing the main window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "utils/theme.h"

// The bytes of the raw-data resource Name of the running executable, found without regard to
// case; raises EResNotFound when there is none.
std::span<const uint8_t> ReadProgramResource(const std::u16string& Name);

// The system's high-contrast scheme while it is on (SPI_GETHIGHCONTRAST, HCF_HIGHCONTRASTON):
// its colours; nothing while it is off.
std::optional<TSystemColors> SystemHighContrast() noexcept;

// Thickness of the window's sizing frame for its border style: none, a thin or dialog frame
// (SM_CYDLGFRAME), or a sizeable one (SM_CYFRAME + SM_CXPADDEDBORDER).
int FormFrameHeight(HWND Form) noexcept;

// The size limits of a window, in pixels of its outer size; 0 means none. The window answers
// WM_GETMINMAXINFO from them.
struct TFormConstraints {
    int MinWidth = 0;
    int MinHeight = 0;
    int MaxWidth = 0;
    int MaxHeight = 0;
};

// Clears Constraints, gives the window a client area of Width × Height and then makes its
// resulting outer size the minimum, so it can grow but not shrink below its first size. The
// caller then sets the window's colours from the theme.
void SetFormClientSize(HWND Form, TFormConstraints& Constraints, int Width, int Height);
