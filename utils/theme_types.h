// The two kinds of value the theme hands out: colours and the images of its resources. The
// controls reach them through ucl/types.h as well.
#pragma once

#include <cstdint>
#include <string>

// A platform colour value: 0x00BBGGRR, red in the low byte.
using TColor = uint32_t;

// The theme's images by ordinal; the names less "img" are the resource stems, so the order and
// the names are part of the resource layout.
enum TResourceImage : uint8_t { imgAppIcon, imgApplicationIcon, imgFolderEx, imgSwitch, imgLoader, imgNone };

inline constexpr int ResourceImageCount = int(imgNone);

// The enumerator's name without "img" ("AppIcon" for imgAppIcon); empty for imgNone.
std::u16string ResourceImageStem(TResourceImage Image);
