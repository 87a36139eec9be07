// Everything the single-line edit field does that needs neither drawing nor the operating
// system: the text with its input rules, caret, selection, scrolling, the mouse and keyboard
// steps, the caret blink, the undo history and the clipboard commands. The Windows control owns
// one model, lends it a host for the clock, clipboard, timer, focus and repaints, and turns its
// messages into the steps below, so the same rules run natively under test.
//
// Positions count UTF-16 code units, but no step ever leaves a position between the two halves
// of a surrogate pair or removes half of one. Geometry is one column per code unit.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ucl/types.h"

enum TEditMouseButton : uint8_t { embLeft, embRight, embMiddle };
enum TEditCursor : uint8_t { ecIBeam, ecArrow, ecHandPoint };

// The context menu's entries in menu order.
enum TEditMenuEntry : uint8_t { emUndo, emCut, emCopy, emPaste, emDelete, emSelectAll };
inline constexpr int EditMenuEntryCount = 6;

// The bullet that the password toggle shows in place of each character.
inline constexpr char16_t PasswordBullet = u'\u2022';

// The state before one edit; undo puts all of it back.
struct THistoryItem {
    std::u16string Value;
    int CaretPos = 0;
    int Scroll = 0;
    int SelStart = 0;
    int SelEnd = 0;

    bool operator==(const THistoryItem&) const = default;
};

// What the platform lends the model.
class TEditHost {
public:
    virtual ~TEditHost() = default;
    // Milliseconds of a monotonic clock.
    virtual int64_t Now() = 0;
    // Empty when the clipboard holds no text.
    virtual std::u16string ClipboardText() = 0;
    virtual void SetClipboardText(const std::u16string& Text) = 0;
    virtual void Beep() = 0;
    // Fill the shared context menu from EditMenuEnabled, show it at the pointer and take the focus.
    virtual void ShowEditMenu() = 0;
    // Arm the caret timer afresh: every call starts a new period.
    virtual void SetCaretTimer(bool Enabled, uint32_t Interval) = 0;
    virtual void Invalidate() = 0;
    virtual bool Focused() = 0;
    // Take the focus if the control can take it.
    virtual void TakeFocus() = 0;
    // r(n): n unscaled pixels times the scale factor, rounded to nearest with ties to even.
    virtual int Scale(int n) = 0;
    // Client size in pixels.
    virtual int Width() = 0;
    virtual int Height() = 0;
};

class TEditModel {
public:
    // The caret timer starts enabled with this period; the host arms its timer accordingly.
    static constexpr uint32_t BlinkInterval = 500;
    // Presses this close together, at the same place, make double and triple clicks. Fixed, so
    // the field behaves the same whatever the system's double-click time.
    static constexpr int64_t MultiClickMs = 500;
    static constexpr uint32_t BlinkRestartInterval = 1000;

    explicit TEditModel(TEditHost& Host);

    // Events, each called only when assigned.
    std::function<void()> OnChange;
    std::function<void(const std::u16string& Text)> OnPaste;
    std::function<void()> OnClick;
    std::function<void()> OnButtonClick;
    std::function<void(TVirtualKey& Key, TShiftState Shift)> OnKeyDown;
    // One code point; the handler may change it (0 drops it).
    std::function<void(char32_t& Key)> OnKeyPress;
    std::function<void()> OnEnter;
    std::function<void(const std::u16string& Text)> OnExit;

    // Properties.
    const std::u16string& Text() const noexcept { return Value; }
    // Programmatic set: one line, filtered, cut to MaxLength; clears the history; no OnChange.
    void SetText(const std::u16string& NewText);
    int CaretPos() const noexcept { return FCaretPos; }
    void SetCaretPos(int Pos);
    void SetCaretPosToEnd();
    bool ReadOnly() const noexcept { return FReadOnly; }
    void SetReadOnly(bool NewValue);
    int MaxLength() const noexcept { return FMaxLength; }
    void SetMaxLength(int NewValue) noexcept { FMaxLength = NewValue; }
    const std::u16string& AllowedChars() const noexcept { return FAllowedChars; }
    void SetAllowedChars(std::u16string NewValue) { FAllowedChars = std::move(NewValue); }
    const std::u16string& ForbiddenChars() const noexcept { return FForbiddenChars; }
    void SetForbiddenChars(std::u16string NewValue) { FForbiddenChars = std::move(NewValue); }
    bool LowerCaseEnabled() const noexcept { return FLowerCaseEnabled; }
    void SetLowerCaseEnabled(bool NewValue) noexcept { FLowerCaseEnabled = NewValue; }
    bool UpperCaseEnabled() const noexcept { return FUpperCaseEnabled; }
    void SetUpperCaseEnabled(bool NewValue) noexcept { FUpperCaseEnabled = NewValue; }
    bool PairBracketsEnabled() const noexcept { return FPairBracketsEnabled; }
    void SetPairBracketsEnabled(bool NewValue) noexcept { FPairBracketsEnabled = NewValue; }
    void SetPasswordChar(char16_t NewValue);
    void SetButtonVisible(bool NewValue);
    bool CaretTimerEnabled() const noexcept { return FCaretTimerEnabled; }
    uint32_t CaretTimerInterval() const noexcept { return FCaretTimerInterval; }

    // Geometry.
    int PositionFromX(int X);
    void EnsureCaretVisible();
    // Called at each paint with the measured font; ScrollShift follows.
    void SetPaintMetrics(int NewPaddingLeft, int NewPaddingTop, int NewCharWidth, int NewLineHeight);

    // What painting needs.
    // The text, or the mask character once per code unit while the mask is on.
    std::u16string DisplayText() const;
    bool HasSelection() const noexcept { return SelStart != SelEnd; }
    // (smaller, larger) selection end.
    std::pair<int, int> SelectionBounds() const noexcept;
    // Left edge in client pixels of the column at Pos.
    int ColumnX(int Pos) const noexcept;
    bool CaretDrawn() const;

    // Selection and caret helpers.
    void CollapseSelection() noexcept;
    void ResetCaretBlink();
    void DeleteSelection();
    // The word (or single delimiter, or whole text at 0) that a double click at Pos selects.
    std::pair<int, int> WordBoundsAt(int Pos) const;

    // Input steps.
    void MouseDown(TEditMouseButton Button, int X, int Y);
    TEditCursor MouseMove(int X, int Y);
    void MouseUp(TEditMouseButton Button, int X, int Y);
    void MouseLeave();
    void KeyDown(TVirtualKey& Key, TShiftState Shift);
    void KeyUp(TVirtualKey Key, TShiftState Shift);
    // One code point: the Windows layer pairs up the two halves of a surrogate pair first.
    void KeyPress(char32_t Key);
    void CaretBlinkTick();
    void FocusEnter();
    void FocusExit();

    // Editing commands.
    void PushHistory();
    void Undo();
    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();
    void DeleteSelected();
    void DuplicateSelection();
    void SelectAll();
    // Enabled state of the context menu's entries, indexed by TEditMenuEntry.
    std::array<bool, EditMenuEntryCount> EditMenuEnabled();
    void RunMenuCommand(TEditMenuEntry Entry);

    // The control's fields, read by its painting. PasBtnVisible is the password-toggle property;
    // the others change through the steps above, which keep them on the text.
    std::u16string Value;
    char16_t PasChar = 0;
    bool PasBtnVisible = false;
    TButtonState ButtonState = bsNormal;
    bool BtnVisible = false;
    std::vector<THistoryItem> History; // top at the back
    int Scroll = 0;
    bool CaretHidden = false;
    int SelStart = 0;
    int SelEnd = 0;
    int HoverPos = 0;
    bool MouseSelectMode = false;
    bool KeyboardSelectMode = false;
    bool DoubleClick = false;
    bool TripleClick = false;
    int64_t PrevMouseDownTime = 0;
    bool PrevDoubleClick = false;
    int PrevCaretPos = 0;
    int BeforeDoubleClickCaretPos = 0;
    int PaddingLeft = 0;
    int PaddingTop = 0;
    int CharWidth = 7;
    int64_t ScrollShift = 0;
    int LineHeight = 18;
    TShiftState KeyDownShift = 0;

private:
    int Length() const noexcept { return static_cast<int>(Value.size()); }
    bool ButtonShown() const noexcept { return PasBtnVisible || BtnVisible; }
    int CellWidth() const noexcept;
    int VisibleCells();
    bool InButtonRect(int X, int Y);
    bool ButtonHit(int X, int Y);
    size_t Limit() const noexcept;
    size_t SelectionLength() const noexcept;
    // Pos clamped to the text and moved off the middle of a surrogate pair.
    int ValidPos(int Pos) const noexcept;
    void SnapSelection() noexcept;
    std::u16string FilterInput(std::u16string_view Text) const;
    bool PassesCharFilters(std::u16string_view Typed) const;
    char32_t ForceCase(char32_t Key) const noexcept;
    void StartTextClick(int X, int64_t Now);
    void RunNavigationKey(TVirtualKey Key);
    void RunShortcut(TVirtualKey Key, TShiftState Shift);
    void MoveCaret(int Delta);
    void Backspace();
    void DeleteKey();
    void DoChange();
    void SetCaretTimer(bool Enabled, uint32_t Interval);

    TEditHost& FHost;
    bool FReadOnly = false;
    int FMaxLength = 65536;
    std::u16string FAllowedChars;
    std::u16string FForbiddenChars;
    bool FLowerCaseEnabled = false;
    bool FUpperCaseEnabled = false;
    bool FPairBracketsEnabled = false;
    int FCaretPos = 0;
    bool FCaretTimerEnabled = true;
    uint32_t FCaretTimerInterval = BlinkInterval;
};
