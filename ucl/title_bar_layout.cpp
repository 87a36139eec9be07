#include "ucl/title_bar_layout.h"

namespace {

// As the platform's PtInRect: right and bottom are outside.
bool Contains(const TRect& R, int X, int Y) noexcept {
    return X >= R.Left && X < R.Right && Y >= R.Top && Y < R.Bottom;
}

TLine Shifted(TLine Line, int Dx) noexcept {
    Line.X1 += Dx;
    Line.X2 += Dx;
    return Line;
}

TTitleBarCommand Toggle(const TTitleBarForm& Form) noexcept {
    return Form.Normal() ? tbMaximize : tbRestore;
}

} // namespace

TTitleBarLayout TitleBarLayout(int Width, TTitleBarButtons Buttons, TTitleBarScale S) noexcept {
    const int w = Width, a = S.R(48), b = S.R(32);
    const bool minimizeOnly = Buttons.MinimizeVisible && !Buttons.MaximizeVisible;
    TTitleBarLayout layout;
    layout.CloseButton = {w - a, 0, w, b};
    layout.MaximizeButton = {w - 2 * a, 0, w - a, b};
    layout.MinimizeButton = minimizeOnly ? layout.MaximizeButton : TRect{w - 3 * a, 0, w - 2 * a, b};
    layout.VertResize = {0, 0, w, S.R(4)};
    layout.DragMove = {0, 0, Buttons.MaximizeVisible ? w - 3 * a : minimizeOnly ? w - 2 * a : w - a, b};
    return layout;
}

TTitleBarGlyphs TitleBarGlyphs(int Width, const TTitleBarLayout& Layout, TTitleBarScale S) noexcept {
    const auto r = S.R;
    const int w = Width, t1 = S.T(1);
    TTitleBarGlyphs g;
    g.Halo = {{{w - r(29) + 1, r(11), w - r(19) - t1 + 1, r(21) - t1},
               {w - r(19) - 1, r(11) + 1, w - r(29) + t1 - 1, r(21) - t1 + 1},
               {w - r(29), r(11) + 1, w - r(19) - t1, r(21) - t1 + 1},
               {w - r(19) - 2, r(11), w - r(29) + t1 - 2, r(21) - t1}}};
    g.Cross = {{{w - r(29), r(11), w - r(19) - t1 + 1, r(21) - t1 + 1},
                {w - r(19) - 1, r(11), w - r(29) + t1 - 2, r(21) - t1 + 1}}};
    g.MaximizeBox = {w - r(77) + t1 - 1, r(11) + t1 - 1, w - r(67), r(21)};
    g.RestoreBoxes = {{{w - r(75) + t1 - 1, r(11) + t1 - 1, w - r(67), r(19)},
                       {w - r(77) + t1 - 1, r(13) + t1 - 1, w - r(69), r(21)}}};
    // The glyph keeps its place inside its button wherever the button stands.
    const int usualLeft = w - 3 * r(48);
    g.MinimizeBar =
        Shifted({w - r(125), r(16), w - r(116) + 1, r(16)}, Layout.MinimizeButton.Left - usualLeft);
    return g;
}

bool TTitleBarInput::Enabled(TCaptionButton Button) const noexcept {
    switch (Button) {
    case cbMaximize:
        return FButtons.MaximizeVisible;
    case cbMinimize:
        return FButtons.MinimizeVisible;
    case cbClose:
        break;
    }
    return true;
}

std::optional<TCaptionButton> TTitleBarInput::ButtonAt(int X, int Y) const noexcept {
    const TRect* rects[] = {&FLayout.CloseButton, &FLayout.MaximizeButton, &FLayout.MinimizeButton};
    for (const TCaptionButton button : {cbClose, cbMaximize, cbMinimize}) {
        if (Enabled(button) && Contains(*rects[button], X, Y)) {
            return button;
        }
    }
    return std::nullopt;
}

void TTitleBarInput::SetAllStates(TButtonState Value) noexcept {
    FStates.fill(Value);
}

bool TTitleBarInput::AnyActive() const noexcept {
    for (const TButtonState state : FStates) {
        if (state == bsActive) {
            return true;
        }
    }
    return false;
}

std::optional<TVertBounds> TTitleBarInput::ResizeTo(int ScreenY, const TTitleBarForm& Form) const noexcept {
    const TVertBounds bounds{ScreenY + FStartWindowTop - FStartCursorY,
                             FStartWindowHeight + FStartCursorY - ScreenY};
    // Below the minimum the form stays where the last allowed move left it.
    if (bounds.Height < Form.MinHeight) {
        return std::nullopt;
    }
    return bounds;
}

TTitleBarReaction TTitleBarInput::MouseMove(int X, int Y, int ScreenY, const TTitleBarForm& Form) {
    TTitleBarReaction reaction;
    if (FVertResizeMode) {
        reaction.Resize = ResizeTo(ScreenY, Form);
    }
    if (AnyActive()) {
        return reaction;
    }
    SetAllStates(bsNormal);
    if (const auto button = ButtonAt(X, Y)) {
        FStates[*button] = bsHover;
    }
    const bool sizing = Contains(FLayout.VertResize, X, Y) && !Form.Maximized;
    reaction.Cursor = sizing ? tcSizeNS : tcDefault;
    reaction.Repaint = true;
    return reaction;
}

TTitleBarReaction TTitleBarInput::MouseDown(bool Left, int X, int Y, int ScreenY, const TTitleBarForm& Form) {
    TTitleBarReaction reaction;
    reaction.Repaint = true;
    if (!Left) {
        return reaction;
    }
    if (const auto button = ButtonAt(X, Y)) {
        FStates[*button] = bsActive;
    }
    if (Contains(FLayout.VertResize, X, Y) && !Form.Maximized) {
        FStartCursorY = ScreenY;
        FStartWindowTop = Form.Top;
        FStartWindowHeight = Form.Height;
        FVertResizeMode = true;
    } else if (Contains(FLayout.DragMove, X, Y)) {
        reaction.Command = tbMove;
    }
    return reaction;
}

TTitleBarReaction TTitleBarInput::MouseUp(bool Left, int X, int Y, const TTitleBarForm& Form) {
    TTitleBarReaction reaction;
    if (Left) {
        SetAllStates(bsNormal);
        // Where the button comes up decides, not where it went down.
        const auto button = FVertResizeMode ? std::nullopt : ButtonAt(X, Y);
        if (button == cbClose) {
            reaction.Command = tbClose;
        } else if (button == cbMaximize) {
            reaction.Command = Toggle(Form);
        } else if (button == cbMinimize) {
            reaction.Command = tbMinimize;
        }
    }
    FVertResizeMode = false;
    reaction.Repaint = true;
    return reaction;
}

TTitleBarReaction TTitleBarInput::MouseLeave() {
    SetAllStates(bsNormal);
    TTitleBarReaction reaction;
    reaction.Repaint = true;
    return reaction;
}

TTitleBarReaction TTitleBarInput::DblClick(int X, int Y, const TTitleBarForm& Form) {
    TTitleBarReaction reaction;
    if (FButtons.MaximizeVisible && Contains(FLayout.DragMove, X, Y)) {
        reaction.Command = Toggle(Form);
    }
    return reaction;
}

TTitleBarReaction TTitleBarInput::CaptureLost() {
    SetAllStates(bsNormal);
    FVertResizeMode = false;
    TTitleBarReaction reaction;
    reaction.Repaint = true;
    return reaction;
}
