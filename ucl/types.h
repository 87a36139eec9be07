// The types that the controls share. Portable: the control logic that uses them is tested
// without the platform.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "utils/theme_types.h"

class TObject;
// The same event type as the windows declare; repeated here so this header needs no platform.
using TNotifyEvent = std::function<void(TObject* Sender)>;

enum TButtonState : uint8_t { bsNormal, bsHover, bsActive };

// Windows virtual-key values, so the Windows layer passes its key codes through unchanged.
// Named apart from the VK_ macros of <windows.h>, which would otherwise rewrite them.
using TVirtualKey = uint16_t;
inline constexpr TVirtualKey vkBack = 0x08;
inline constexpr TVirtualKey vkTab = 0x09;
inline constexpr TVirtualKey vkReturn = 0x0D;
inline constexpr TVirtualKey vkShift = 0x10;
inline constexpr TVirtualKey vkControl = 0x11;
inline constexpr TVirtualKey vkEscape = 0x1B;
inline constexpr TVirtualKey vkSpace = 0x20;
inline constexpr TVirtualKey vkEnd = 0x23;
inline constexpr TVirtualKey vkHome = 0x24;
inline constexpr TVirtualKey vkLeft = 0x25;
inline constexpr TVirtualKey vkUp = 0x26;
inline constexpr TVirtualKey vkRight = 0x27;
inline constexpr TVirtualKey vkDown = 0x28;
inline constexpr TVirtualKey vkDelete = 0x2E;
inline constexpr TVirtualKey vkApps = 0x5D;
inline constexpr TVirtualKey vkF10 = 0x79;

enum TMouseButton : uint8_t { mbLeft, mbRight, mbMiddle };

// Modifier keys held during a key or mouse event.
using TShiftState = uint8_t;
inline constexpr TShiftState ssShift = 1;
inline constexpr TShiftState ssAlt = 2;
inline constexpr TShiftState ssCtrl = 4;

// A label's text size; each selects one of the theme's font heights.
enum TFontSize : uint8_t { fsSmall, fsMedium, fsLarge, fsExtraLarge };

// One entry of the context menu; a value, copied on assignment.
struct TContextMenuItem {
    std::u16string Caption;
    std::u16string Shortcut;
    TResourceImage Image = imgNone;
    TNotifyEvent OnClick;
    bool Enabled = true;

    static TContextMenuItem Create(std::u16string Caption, std::u16string Shortcut, TResourceImage Image,
                                   TNotifyEvent OnClick, bool Enabled);
};
