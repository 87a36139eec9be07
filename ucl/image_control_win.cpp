#include "ucl/image_control_win.h"

#include "utils/exception.h"

TImage::TImage(HWND Parent) : FParent(Parent) {
    FPicture.OnChange = [this] { PictureChanged(); };
}

void TImage::SetStretch(bool Value) {
    if (Value != FLayout.Stretch) {
        FLayout.Stretch = Value;
        PictureChanged();
    }
}

void TImage::SetCenter(bool Value) {
    if (Value != FLayout.Center) {
        FLayout.Center = Value;
        PictureChanged();
    }
}

void TImage::SetProportional(bool Value) {
    if (Value != FLayout.Proportional) {
        FLayout.Proportional = Value;
        PictureChanged();
    }
}

void TImage::SetTransparent(bool Value) {
    if (Value != FTransparent) {
        FTransparent = Value;
        PictureChanged();
    }
}

void TImage::SetAutoSize(bool Value) {
    FAutoSize = Value;
    if (Value) {
        PictureChanged();
    }
}

void TImage::SetBounds(int Left, int Top, int Width, int Height) {
    const TRect bounds{Left, Top, Left + Width, Top + Height};
    if (bounds == FBounds) {
        return;
    }
    Invalidate();
    FBounds = bounds;
    Invalidate();
    FOpaque = !FPicture.Empty() && ImageCoversClient(DestRect(), Width, Height, FPicture.Transparent());
}

void TImage::SetVisible(bool Value) {
    if (Value != FVisible) {
        FVisible = Value;
        Invalidate();
    }
}

TRect TImage::DestRect() const noexcept {
    return ImageDestRect(FPicture.Width(), FPicture.Height(), Width(), Height(), FLayout);
}

HDC TImage::Canvas() {
    if (FPicture.Empty()) {
        FPicture.SetBitmap(std::make_unique<TBitmap>(Width(), Height()));
    }
    if (TBitmap* bitmap = FPicture.Bitmap()) {
        return bitmap->Canvas();
    }
    throw EError(u"Can only modify an image if it contains a bitmap");
}

void TImage::Paint(HDC ParentDC) {
    if (!FVisible || FPicture.Empty()) {
        return;
    }
    const bool wasDrawing = FDrawing;
    FDrawing = true;
    // Restores the flag and the DC even when drawing raises.
    struct TRestore {
        TImage& Image;
        bool Drawing;
        HDC DC;
        int Saved;
        ~TRestore() {
            RestoreDC(DC, Saved);
            Image.FDrawing = Drawing;
        }
    } restore{*this, wasDrawing, ParentDC, SaveDC(ParentDC)};
    IntersectClipRect(ParentDC, FBounds.Left, FBounds.Top, FBounds.Right, FBounds.Bottom);
    const TRect d = DestRect();
    FPicture.Draw(ParentDC, {d.Left + FBounds.Left, d.Top + FBounds.Top, d.Right + FBounds.Left,
                             d.Bottom + FBounds.Top});
}

void TImage::Invalidate() const noexcept {
    if (FParent) {
        const RECT r{FBounds.Left, FBounds.Top, FBounds.Right, FBounds.Bottom};
        InvalidateRect(FParent, &r, FALSE);
    }
}

void TImage::PictureChanged() {
    if (FAutoSize && FPicture.Width() > 0 && FPicture.Height() > 0) {
        SetBounds(Left(), Top(), FPicture.Width(), FPicture.Height());
    }
    if (!FPicture.Empty()) {
        FPicture.SetTransparent(FTransparent);
        FOpaque = ImageCoversClient(DestRect(), Width(), Height(), FPicture.Transparent());
    } else {
        FOpaque = false;
    }
    if (!FDrawing) {
        Invalidate();
    }
}
