// The image control's picture container: at most one graphic, a PNG image or a bitmap, owned
// by the container, with a notification on every change.
#pragma once

#include <functional>
#include <memory>

#include "ucl/bitmap_win.h"
#include "utils/png_image.h"

class TPicture {
public:
    std::function<void()> OnChange;

    bool Empty() const noexcept { return !FPng && !FBitmap; }
    const TPngImage* Png() const noexcept { return FPng.get(); }
    TBitmap* Bitmap() const noexcept { return FBitmap.get(); }
    int Width() const noexcept;
    int Height() const noexcept;

    // Copies the image's content (nullptr empties the picture).
    void Assign(const TPngImage* Image);
    // Copies the other picture's content.
    void Assign(const TPicture& Other);
    void SetBitmap(std::unique_ptr<TBitmap> Bitmap);

    bool Transparent() const noexcept;
    void SetTransparent(bool Value) noexcept;
    void Draw(HDC DC, const TRect& Dest) const;

private:
    void Changed();

    std::unique_ptr<TPngImage> FPng;
    std::unique_ptr<TBitmap> FBitmap;
};
