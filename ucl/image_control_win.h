// A picture on its parent's surface. The image has no window of its own: the parent calls
// Paint from its own paint handler, and the image invalidates the part of the parent it
// covers whenever what it shows changes.
#pragma once

#include <windows.h>

#include "ucl/image_rect.h"
#include "ucl/picture_win.h"
#include "ucl/window_win.h"

class TImage : public TObject {
public:
    // At (0, 0), 105 × 105, visible, with an empty picture.
    explicit TImage(HWND Parent);

    // The picture is the control's own; changing it runs the picture-changed step.
    TPicture& Picture() noexcept { return FPicture; }
    void SetPicture(const TPicture& Value) { FPicture.Assign(Value); }
    // Shows a copy of Image (nullptr empties the picture).
    void SetPicture(const TPngImage* Image) { FPicture.Assign(Image); }

    bool Stretch() const noexcept { return FLayout.Stretch; }
    void SetStretch(bool Value);
    bool Center() const noexcept { return FLayout.Center; }
    void SetCenter(bool Value);
    bool Proportional() const noexcept { return FLayout.Proportional; }
    void SetProportional(bool Value);
    bool Transparent() const noexcept { return FTransparent; }
    void SetTransparent(bool Value);
    // Sizes the control to its picture on every change of the picture.
    bool AutoSize() const noexcept { return FAutoSize; }
    void SetAutoSize(bool Value);

    const TRect& BoundsRect() const noexcept { return FBounds; }
    int Left() const noexcept { return FBounds.Left; }
    int Top() const noexcept { return FBounds.Top; }
    int Width() const noexcept { return FBounds.Width(); }
    int Height() const noexcept { return FBounds.Height(); }
    void SetBounds(int Left, int Top, int Width, int Height);
    bool Visible() const noexcept { return FVisible; }
    void SetVisible(bool Value);

    // True when the picture hides everything behind the control, so the parent need not
    // paint there.
    bool Opaque() const noexcept { return FOpaque; }
    // The rectangle the picture is drawn into, relative to the control.
    TRect DestRect() const noexcept;
    // A DC to draw on: an empty picture first gets a white bitmap of the control's size.
    // Raises EError "Can only modify an image if it contains a bitmap" for a PNG.
    HDC Canvas();

    // Draws the picture on the parent's DC, in the parent's coordinates.
    void Paint(HDC ParentDC);
    void Invalidate() const noexcept;

private:
    void PictureChanged();

    HWND FParent;
    TRect FBounds{0, 0, 105, 105};
    bool FVisible = true;
    TPicture FPicture;
    TImageLayout FLayout;
    bool FTransparent = false;
    bool FDrawing = false;
    bool FAutoSize = false;
    bool FOpaque = false;
};
