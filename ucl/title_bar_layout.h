// The title bar without the platform: where its parts lie for a width and a scale, where its
// glyphs are drawn, and how the pointer drives its three caption buttons, the window move and
// the top-edge resize. The control feeds each pointer event in and carries out the reaction.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "ucl/types.h"
#include "utils/rect.h"

// The theme's two scalings, passed in so that none of this needs the theme: R rounds (positions
// and sizes), T truncates (pen widths and one-pixel corrections).
struct TTitleBarScale {
    int (*R)(int n);
    int (*T)(int n);
};

// Close is always there; these two are the owner's choice.
struct TTitleBarButtons {
    bool MaximizeVisible = false;
    bool MinimizeVisible = false;
};

// In the bar's client coordinates.
struct TTitleBarLayout {
    TRect CloseButton;
    TRect MaximizeButton;
    TRect MinimizeButton;
    TRect VertResize;
    TRect DragMove;
};

// With only the minimize button besides Close, it moves into the slot next to Close, so that
// it can be reached at all: the usual slot lies inside the drag area.
TTitleBarLayout TitleBarLayout(int Width, TTitleBarButtons Buttons, TTitleBarScale S) noexcept;

// A line from (X1, Y1) to (X2, Y2); the end point is not drawn.
struct TLine {
    int X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    friend bool operator==(const TLine&, const TLine&) = default;
};

struct TTitleBarGlyphs {
    // Grey lines beside the cross that soften its edges on a light background.
    std::array<TLine, 4> Halo;
    std::array<TLine, 2> Cross;
    // Maximize, for a window in the normal state.
    TRect MaximizeBox;
    // Restore, for any other state: the back window first, the front one over it.
    std::array<TRect, 2> RestoreBoxes;
    // Drawn there and back again, so that both ends are set.
    TLine MinimizeBar;
};

TTitleBarGlyphs TitleBarGlyphs(int Width, const TTitleBarLayout& Layout, TTitleBarScale S) noexcept;

enum TCaptionButton : uint8_t { cbClose, cbMaximize, cbMinimize };

// What the bar reads of its form at each event.
struct TTitleBarForm {
    bool Maximized = false;
    bool Minimized = false;
    int Top = 0;
    int Height = 0;
    // The form's minimum height constraint; 0 when it has none.
    int MinHeight = 0;

    bool Normal() const noexcept { return !Maximized && !Minimized; }
};

enum TTitleBarCommand : uint8_t { tbNone, tbClose, tbMaximize, tbRestore, tbMinimize, tbMove };
enum TTitleBarCursor : uint8_t { tcDefault, tcSizeNS };

// The form's new vertical extent; left and width stay.
struct TVertBounds {
    int Top = 0;
    int Height = 0;
    friend bool operator==(const TVertBounds&, const TVertBounds&) = default;
};

// What the control does after an event. The command comes last: closing may destroy the bar.
struct TTitleBarReaction {
    std::optional<TVertBounds> Resize;
    std::optional<TTitleBarCursor> Cursor;
    bool Repaint = false;
    TTitleBarCommand Command = tbNone;
};

// The pointer's state machine. Positions are in the bar's client coordinates; ScreenY is the
// pointer's screen row, which a top-edge resize follows while the bar moves with the form.
class TTitleBarInput {
public:
    TTitleBarButtons Buttons() const noexcept { return FButtons; }
    void SetButtons(TTitleBarButtons Value) noexcept { FButtons = Value; }
    // Input hits the rectangles of the last paint, and nothing before the first.
    const TTitleBarLayout& Layout() const noexcept { return FLayout; }
    void SetLayout(const TTitleBarLayout& Value) noexcept { FLayout = Value; }

    TButtonState State(TCaptionButton Button) const noexcept { return FStates[Button]; }
    bool VertResizeMode() const noexcept { return FVertResizeMode; }
    // The enabled caption button under the point, if any.
    std::optional<TCaptionButton> ButtonAt(int X, int Y) const noexcept;

    TTitleBarReaction MouseMove(int X, int Y, int ScreenY, const TTitleBarForm& Form);
    TTitleBarReaction MouseDown(bool Left, int X, int Y, int ScreenY, const TTitleBarForm& Form);
    TTitleBarReaction MouseUp(bool Left, int X, int Y, const TTitleBarForm& Form);
    TTitleBarReaction MouseLeave();
    TTitleBarReaction DblClick(int X, int Y, const TTitleBarForm& Form);
    // The capture went elsewhere mid-press: nothing stays pressed and no resize goes on without
    // the button that started it.
    TTitleBarReaction CaptureLost();

private:
    bool Enabled(TCaptionButton Button) const noexcept;
    void SetAllStates(TButtonState Value) noexcept;
    bool AnyActive() const noexcept;
    std::optional<TVertBounds> ResizeTo(int ScreenY, const TTitleBarForm& Form) const noexcept;

    TTitleBarButtons FButtons;
    TTitleBarLayout FLayout;
    std::array<TButtonState, 3> FStates{bsNormal, bsNormal, bsNormal};
    bool FVertResizeMode = false;
    int FStartCursorY = 0;
    int FStartWindowTop = 0;
    int FStartWindowHeight = 0;
};
