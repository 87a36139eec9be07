// The library's single-line text field: monospace text with a caret, selection, horizontal
// scrolling, an optional button at the right end, a password mask, a placeholder, input
// filters and undo. Its rules live in TEditModel; this control lends the model the clock, the
// clipboard, the caret timer and the focus, turns the window's messages into the model's
// steps, and paints what the model holds.
//
// Key messages map onto the steps so: WM_KEYDOWN and WM_SYSKEYDOWN are the key-down step
// (Shift+F10 counts as the context-menu key), WM_KEYUP and WM_SYSKEYUP the key-release step,
// and WM_CHAR the character step, each with the shift state of its own message. The key down
// arrives before the character that it produces, because the loop translates a key message
// only after it has been dispatched. The two halves of a character outside the basic plane
// arrive as two WM_CHAR messages and are handed on as one. Text that an input method editor
// commits arrives as WM_IME_CHAR and takes the same character step; its composition window is
// kept at the caret.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ucl/button_control_win.h"
#include "ucl/control_win.h"
#include "ucl/edit_model.h"
#include "ucl/timer_win.h"

// An event with the control's text.
using TTextEvent = std::function<void(TObject* Sender, const std::u16string& Text)>;
// A key down with its shift state; the handler may change the key.
using TKeyEvent = std::function<void(TObject* Sender, TVirtualKey& Key, TShiftState Shift)>;

class TEditControl : public TControl {
public:
    // 200 × 32, visible, a tab stop.
    explicit TEditControl(HWND Parent);
    ~TEditControl() override;

    const std::u16string& Text() const noexcept { return FModel.Text(); }
    // A programmatic set: one line, filtered, cut to MaxLength; clears the undo history.
    void SetText(const std::u16string& Value);
    int CaretPos() const noexcept { return FModel.CaretPos(); }
    void SetCaretPos(int Value) { FModel.SetCaretPos(Value); }
    void SetCaretPosToEnd() { FModel.SetCaretPosToEnd(); }
    bool ReadOnly() const noexcept { return FModel.ReadOnly(); }
    void SetReadOnly(bool Value);
    int MaxLength() const noexcept { return FModel.MaxLength(); }
    void SetMaxLength(int Value) noexcept { FModel.SetMaxLength(Value); }
    char16_t PasswordChar() const noexcept { return FModel.PasChar; }
    void SetPasswordChar(char16_t Value) { FModel.SetPasswordChar(Value); }
    bool PasswordToggle() const noexcept { return FModel.PasBtnVisible; }
    void SetPasswordToggle(bool Value) noexcept { FModel.PasBtnVisible = Value; }
    bool ButtonVisible() const noexcept { return FModel.BtnVisible; }
    void SetButtonVisible(bool Value) { FModel.SetButtonVisible(Value); }
    TResourceImage ButtonImage() const noexcept { return FButtonImage; }
    void SetButtonImage(TResourceImage Value) noexcept { FButtonImage = Value; }
    void SetAllowedChars(std::u16string Value) { FModel.SetAllowedChars(std::move(Value)); }
    void SetForbiddenChars(std::u16string Value) { FModel.SetForbiddenChars(std::move(Value)); }
    void SetLowerCaseEnabled(bool Value) noexcept { FModel.SetLowerCaseEnabled(Value); }
    void SetUpperCaseEnabled(bool Value) noexcept { FModel.SetUpperCaseEnabled(Value); }
    void SetPairBracketsEnabled(bool Value) noexcept { FModel.SetPairBracketsEnabled(Value); }
    // Stored only; nothing here depends on it.
    const std::u16string& Placeholder() const noexcept { return FPlaceholder; }
    void SetPlaceholder(const std::u16string& Value);
    // The name a screen reader gives the field: the text of the label that describes it.
    void SetAccessibleName(std::u16string Value) { FAccessibleName = std::move(Value); }

    TTextEvent OnExit;
    TNotifyEvent OnEnter;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TNotifyEvent OnChange;
    TTextEvent OnPaste;
    // Stored only; never raised by this control.
    TNotifyEvent OnShowSuggestions;
    TNotifyEvent OnClick;
    TNotifyEvent OnButtonClick;

    // The rules and state behind the field, for what the window and its tests look at.
    const TEditModel& Model() const noexcept { return FModel; }

    std::u16string AccessibleName(int Child) const override;
    std::u16string AccessibleValue(int Child) const override;
    LONG AccessibleRole(int Child) const override;
    LONG AccessibleState(int Child) const override;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC DC, const TRect& Client) override;
    void MouseMove(int X, int Y) override;
    void MouseLeave() override;
    void MouseDown(TMouseButton Button, int X, int Y) override;
    void MouseUp(TMouseButton Button, int X, int Y) override;
    void KeyDown(TVirtualKey& Key, TShiftState Shift) override;
    void KeyUp(TVirtualKey& Key, TShiftState Shift) override;
    void KeyPress(char16_t& Key) override;
    void FocusChanged(bool Gained) override;
    LRESULT DialogCode() override { return DLGC_WANTARROWS; }

private:
    // What the model borrows from the platform, through this control.
    class THost final : public TEditHost {
    public:
        explicit THost(TEditControl& Control) noexcept : FControl(Control) {}
        int64_t Now() override;
        std::u16string ClipboardText() override;
        void SetClipboardText(const std::u16string& Text) override;
        void Beep() override;
        void ShowEditMenu() override { FControl.ShowEditMenu(); }
        void SetCaretTimer(bool Enabled, uint32_t Interval) override {
            FControl.SetCaretTimer(Enabled, Interval);
        }
        void Invalidate() override { FControl.Invalidate(); }
        bool Focused() override { return FControl.Focused(); }
        void TakeFocus() override { FControl.TakeFocus(); }
        int Scale(int n) override;
        int Width() override { return FControl.Width(); }
        int Height() override { return FControl.Height(); }

    private:
        TEditControl& FControl;
    };

    void ShowEditMenu();
    void SetCaretTimer(bool Enabled, uint32_t Interval);
    void TakeFocus();
    void ConnectModel();
    void CharacterStep(char32_t Key);
    void WMChar(char16_t Unit);
    // The system caret follows the drawn one, so magnifiers and readers find it; it is never
    // shown, the control draws its own.
    void PlaceSystemCaret();
    void PlaceComposition();
    void PaintText(HDC DC, const TRect& Client);
    void PaintButton(HDC DC, const TRect& Client);
    TColor BorderColor() const;
    void PaintBorder(HDC DC, const TRect& Client);

    THost FHost{*this};
    TEditModel FModel{FHost};
    std::unique_ptr<TTimer> FCaretTimer;
    TResourceImage FButtonImage = imgAppIcon;
    std::u16string FPlaceholder;
    std::u16string FAccessibleName;
    // The first half of a character outside the basic plane, waiting for its second half.
    char16_t FHighSurrogate = 0;
    bool FHasSystemCaret = false;
};
