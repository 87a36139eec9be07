#include "ucl/picture_win.h"

int TPicture::Width() const noexcept {
    return FPng ? FPng->Width() : FBitmap ? FBitmap->Width() : 0;
}

int TPicture::Height() const noexcept {
    return FPng ? FPng->Height() : FBitmap ? FBitmap->Height() : 0;
}

void TPicture::Assign(const TPngImage* Image) {
    FBitmap.reset();
    FPng = Image ? std::make_unique<TPngImage>(*Image) : nullptr;
    Changed();
}

void TPicture::Assign(const TPicture& Other) {
    if (&Other == this) {
        return;
    }
    FPng = Other.FPng ? std::make_unique<TPngImage>(*Other.FPng) : nullptr;
    FBitmap = Other.FBitmap ? Other.FBitmap->Clone() : nullptr;
    Changed();
}

void TPicture::SetBitmap(std::unique_ptr<TBitmap> Bitmap) {
    FPng.reset();
    FBitmap = std::move(Bitmap);
    Changed();
}

bool TPicture::Transparent() const noexcept {
    return FPng ? FPng->Transparent() : FBitmap ? FBitmap->Transparent() : false;
}

void TPicture::SetTransparent(bool Value) noexcept {
    if (FPng) {
        FPng->SetTransparent(Value);
    } else if (FBitmap) {
        FBitmap->SetTransparent(Value);
    }
}

void TPicture::Draw(HDC DC, const TRect& Dest) const {
    if (FPng) {
        DrawPngImage(DC, *FPng, Dest);
    } else if (FBitmap) {
        FBitmap->Draw(DC, Dest);
    }
}

void TPicture::Changed() {
    if (OnChange) {
        OnChange();
    }
}
