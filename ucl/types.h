// The types that the controls share. Portable: the control logic that uses them is tested
// without the platform.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class TObject;
// The same event type as the windows declare; repeated here so this header needs no platform.
using TNotifyEvent = std::function<void(TObject* Sender)>;

enum TButtonState : uint8_t { bsNormal, bsHover, bsActive };

// A label's text size; each selects one of the theme's font heights.
enum TFontSize : uint8_t { fsSmall, fsMedium, fsLarge, fsExtraLarge };

// The theme's images by ordinal; the names less "img" are the resource stems, so the order and
// the names are part of the resource layout.
enum TResourceImage : uint8_t { imgAppIcon, imgApplicationIcon, imgFolderEx, imgSwitch, imgLoader, imgNone };

inline constexpr int ResourceImageCount = int(imgNone);

// The enumerator's name without "img" ("AppIcon" for imgAppIcon); empty for imgNone.
std::u16string ResourceImageStem(TResourceImage Image);

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
