// The caption strip of a borderless form: icon, caption and caption buttons in the theme's
// colours, and the work the platform's caption would do: moving the form, closing, maximizing,
// restoring and minimizing it, double-click maximizing and resizing from the top edge.
#pragma once

#include <windows.h>

#include <string>

#include "ucl/control_win.h"
#include "ucl/title_bar_layout.h"

class TTitleBar : public TControl {
public:
    // 200 × 32 until the owner places it; no icon, no caption, only the close button.
    explicit TTitleBar(HWND Parent);

    // Plain values: the owner sets them before the first paint, so none repaints.
    TResourceImage IconImage() const noexcept { return FIconImage; }
    void SetIconImage(TResourceImage Value) noexcept { FIconImage = Value; }
    bool MaximizeVisible() const noexcept { return FInput.Buttons().MaximizeVisible; }
    // Also gives the double-click its meaning.
    void SetMaximizeVisible(bool Value) noexcept;
    bool MinimizeVisible() const noexcept { return FInput.Buttons().MinimizeVisible; }
    void SetMinimizeVisible(bool Value) noexcept;
    const std::u16string& Caption() const noexcept { return FCaption; }
    void SetCaption(const std::u16string& Value);

    // The form: the bar's top-level ancestor, looked up on first use and kept.
    HWND Client() const noexcept;

    TButtonState CloseButtonState() const noexcept { return FInput.State(cbClose); }
    TButtonState MaximizeButtonState() const noexcept { return FInput.State(cbMaximize); }
    TButtonState MinimizeButtonState() const noexcept { return FInput.State(cbMinimize); }
    bool VertResizeMode() const noexcept { return FInput.VertResizeMode(); }

    // A title bar with one element, its close button.
    int AccessibleChildCount() const override { return 1; }
    std::u16string AccessibleName(int Child) const override;
    LONG AccessibleRole(int Child) const override;
    LONG AccessibleState(int Child) const override;
    std::u16string AccessibleDefaultAction(int Child) const override;
    bool AccessibleDoDefaultAction(int Child) override;
    RECT AccessibleLocation(int Child) const override;

protected:
    void Paint(HDC DC, const TRect& Area) override;
    void MouseMove(int X, int Y) override;
    void MouseLeave() override;
    void MouseDown(TMouseButton Button, int X, int Y) override;
    void MouseUp(TMouseButton Button, int X, int Y) override;
    void DblClick(int X, int Y) override;
    void CaptureLost() override;

private:
    static TTitleBarScale Scale() noexcept;
    TTitleBarLayout CurrentLayout() const noexcept;
    TTitleBarForm FormState() const noexcept;
    bool FormNormal() const noexcept;
    bool FormActive() const noexcept;
    TColor GlyphColor() const noexcept;
    // The glyph of a caption button in State.
    TColor ButtonGlyphColor(TButtonState State) const noexcept;
    int ScreenY(int X, int Y) const noexcept;

    void Apply(const TTitleBarReaction& Reaction);
    void ResizeForm(TVertBounds Bounds) const noexcept;
    void RunCommand(TTitleBarCommand Command) const noexcept;

    void PaintIcon(HDC DC) const;
    void PaintCaption(HDC DC) const;
    void PaintCloseButton(HDC DC, const TTitleBarGlyphs& Glyphs);
    void PaintMaximizeButton(HDC DC, const TTitleBarGlyphs& Glyphs);
    void PaintMinimizeButton(HDC DC, const TTitleBarGlyphs& Glyphs);
    void PaintTopLine(HDC DC, int Width);
    // Records the width as the pen's own, which the next paint's halo inherits.
    int PenWidth(int Value) noexcept { return FPenWidth = Value; }

    TResourceImage FIconImage = imgNone;
    std::u16string FCaption;
    mutable HWND FClient = nullptr;
    TTitleBarInput FInput;
    // What screen readers were last told of the close button.
    TButtonState FAnnouncedCloseState = bsNormal;
    // The halo never sets a width of its own: it draws with whatever the last glyph left,
    // 1 before the first paint, so it is one pixel thicker after a paint with the top line
    // at scales from 1.5 on.
    int FPenWidth = 1;
};
