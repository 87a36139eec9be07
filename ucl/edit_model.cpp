#include "ucl/edit_model.h"

#include <algorithm>
#include <tuple>

#include "utils/text_filters.h"

namespace {

// A double click selects the word between two of these, or one of these alone.
constexpr std::u16string_view WordDelimiters = u"\"' :;,.~=()[]{}<>/\\-\u2013+!@#%^&*|?";
static_assert(WordDelimiters.size() == 31);

bool IsHighSurrogate(char16_t c) noexcept {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) noexcept {
    return c >= 0xDC00 && c <= 0xDFFF;
}

bool InsidePair(std::u16string_view Text, size_t Pos) noexcept {
    return Pos > 0 && Pos < Text.size() && IsHighSurrogate(Text[Pos - 1]) && IsLowSurrogate(Text[Pos]);
}

// Code units of the character that ends at Pos (Pos > 0).
int UnitsBefore(std::u16string_view Text, int Pos) noexcept {
    return InsidePair(Text, static_cast<size_t>(Pos - 1)) ? 2 : 1;
}

// Code units of the character that starts at Pos (Pos < length).
int UnitsAfter(std::u16string_view Text, int Pos) noexcept {
    return InsidePair(Text, static_cast<size_t>(Pos + 1)) ? 2 : 1;
}

// The longest prefix of at most Limit code units that does not end inside a pair.
size_t FitLength(std::u16string_view Text, size_t Limit) noexcept {
    if (Limit >= Text.size()) {
        return Text.size();
    }
    return InsidePair(Text, Limit) ? Limit - 1 : Limit;
}

// Half pairs are dropped on the way in, so that no later edit can join two halves around a
// position and so that the per-unit filters cannot leave one half of a pair behind.
std::u16string DropUnpairedSurrogates(std::u16string_view Text) {
    std::u16string out;
    out.reserve(Text.size());
    for (size_t i = 0; i < Text.size(); ++i) {
        const char16_t c = Text[i];
        if (IsHighSurrogate(c) && i + 1 < Text.size() && IsLowSurrogate(Text[i + 1])) {
            out += c;
            out += Text[++i];
        } else if (!IsHighSurrogate(c) && !IsLowSurrogate(c)) {
            out += c;
        }
    }
    return out;
}

bool IsInsertable(char32_t Key) noexcept {
    const bool control = Key < 32 || Key == 127;
    const bool surrogate = Key >= 0xD800 && Key <= 0xDFFF;
    return !control && !surrogate && Key <= 0x10FFFF;
}

std::u16string Encode(char32_t Key) {
    if (Key < 0x10000) {
        return std::u16string(1, static_cast<char16_t>(Key));
    }
    const char32_t v = Key - 0x10000;
    return {static_cast<char16_t>(0xD800 + (v >> 10)), static_cast<char16_t>(0xDC00 + (v & 0x3FF))};
}

// The closing partner that bracket pairing adds after an opening bracket or quote.
char16_t ClosingPartner(char16_t c) noexcept {
    switch (c) {
    case u'"':
    case u'\'':
        return c;
    case u'(':
        return u')';
    case u'[':
        return u']';
    case u'{':
        return u'}';
    default:
        return 0;
    }
}

} // namespace

TEditModel::TEditModel(TEditHost& Host) : FHost(Host) {}

void TEditModel::SetText(const std::u16string& NewText) {
    if (NewText == Value) {
        return;
    }
    std::u16string text = FilterInput(NewText);
    text.resize(FitLength(text, Limit()));
    Value = std::move(text);
    History.clear();
    SetCaretPos(0);
    PrevCaretPos = Scroll = SelStart = SelEnd = 0;
    FHost.Invalidate();
}

void TEditModel::SetCaretPos(int Pos) {
    FCaretPos = ValidPos(Pos);
    EnsureCaretVisible();
    FHost.Invalidate();
}

void TEditModel::SetCaretPosToEnd() {
    SetCaretPos(Length());
}

void TEditModel::SetReadOnly(bool NewValue) {
    if (FReadOnly != NewValue) {
        FReadOnly = NewValue;
        FHost.Invalidate();
    }
}

void TEditModel::SetPasswordChar(char16_t NewValue) {
    PasChar = NewValue;
    FHost.Invalidate();
}

void TEditModel::SetButtonVisible(bool NewValue) {
    if (BtnVisible != NewValue) {
        BtnVisible = NewValue;
        FHost.Invalidate();
    }
}

int TEditModel::PositionFromX(int X) {
    const int cell = CellWidth();
    ScrollShift = int64_t{Scroll} * cell;
    const int64_t pos = (int64_t{X} - PaddingLeft + ScrollShift + cell / 2) / cell;
    return ValidPos(static_cast<int>(std::clamp<int64_t>(pos, 0, Length())));
}

void TEditModel::EnsureCaretVisible() {
    const int64_t cells = VisibleCells();
    if (FCaretPos < Scroll) {
        // A jump to the left (paste, undo, deleting a selection) must not leave the caret outside.
        Scroll = FCaretPos;
    }
    if (FCaretPos >= cells + Scroll) {
        ++Scroll;
    }
    if (FCaretPos == 0) {
        Scroll = 0;
    }
    if (FCaretPos >= cells + Scroll) {
        Scroll = static_cast<int>(FCaretPos - cells + 1);
    }
}

void TEditModel::SetPaintMetrics(int NewPaddingLeft, int NewPaddingTop, int NewCharWidth, int NewLineHeight) {
    PaddingLeft = NewPaddingLeft;
    PaddingTop = NewPaddingTop;
    CharWidth = NewCharWidth;
    LineHeight = NewLineHeight;
    ScrollShift = int64_t{Scroll} * CellWidth();
}

std::u16string TEditModel::DisplayText() const {
    return PasChar != 0 ? std::u16string(Value.size(), PasChar) : Value;
}

std::pair<int, int> TEditModel::SelectionBounds() const noexcept {
    return {std::min(SelStart, SelEnd), std::max(SelStart, SelEnd)};
}

int TEditModel::ColumnX(int Pos) const noexcept {
    return static_cast<int>(PaddingLeft + (int64_t{Pos} - Scroll) * CharWidth);
}

bool TEditModel::CaretDrawn() const {
    return FHost.Focused() && !CaretHidden;
}

void TEditModel::CollapseSelection() noexcept {
    if (!KeyboardSelectMode) {
        SelStart = SelEnd = FCaretPos;
    }
}

void TEditModel::ResetCaretBlink() {
    CaretHidden = false;
    SetCaretTimer(true, BlinkRestartInterval);
}

void TEditModel::DeleteSelection() {
    if (!HasSelection()) {
        return;
    }
    const auto [a, b] = SelectionBounds();
    Value.erase(static_cast<size_t>(a), static_cast<size_t>(b - a));
    SetCaretPos(a);
    SelStart = SelEnd = a;
}

std::pair<int, int> TEditModel::WordBoundsAt(int Pos) const {
    Pos = std::clamp(Pos, 0, Length());
    if (Pos == 0) {
        return {0, Length()};
    }
    if (WordDelimiters.find(Value[static_cast<size_t>(Pos - 1)]) != std::u16string_view::npos) {
        return {Pos - 1, Pos};
    }
    const std::u16string_view text = Value;
    const size_t left = text.find_last_of(WordDelimiters, static_cast<size_t>(Pos - 1));
    const size_t right = text.find_first_of(WordDelimiters, static_cast<size_t>(Pos));
    const int start = left == std::u16string_view::npos ? 0 : static_cast<int>(left) + 1;
    const int end = right == std::u16string_view::npos ? Length() : static_cast<int>(right);
    return {start, end};
}

void TEditModel::MouseDown(TEditMouseButton Button, int X, int Y) {
    FHost.TakeFocus();
    const int64_t now = FHost.Now();
    if (Button == embLeft) {
        if (ButtonHit(X, Y)) {
            ButtonState = bsActive;
        } else {
            StartTextClick(X, now);
        }
    }
    PrevDoubleClick = DoubleClick;
    PrevMouseDownTime = now;
    PrevCaretPos = FCaretPos;
    ResetCaretBlink();
    FHost.Invalidate();
}

void TEditModel::StartTextClick(int X, int64_t Now) {
    MouseSelectMode = true;
    SetCaretPos(PositionFromX(X));
    SelStart = SelEnd = FCaretPos;
    // A clock that went backwards is not a quick second press; unsigned, so no overflow.
    const bool quick = Now >= PrevMouseDownTime &&
                       static_cast<uint64_t>(Now) - static_cast<uint64_t>(PrevMouseDownTime) <= MultiClickMs;
    DoubleClick = quick && FCaretPos == PrevCaretPos;
    TripleClick = PrevDoubleClick && quick && FCaretPos == BeforeDoubleClickCaretPos;
    if (TripleClick) {
        SelStart = 0;
        SelEnd = Length();
        SetCaretPos(Length());
    } else if (DoubleClick) {
        std::tie(SelStart, SelEnd) = WordBoundsAt(FCaretPos);
        BeforeDoubleClickCaretPos = FCaretPos;
        SetCaretPos(SelEnd);
    }
    if (OnClick) {
        OnClick();
    }
}

TEditCursor TEditModel::MouseMove(int X, int Y) {
    const bool hit = ButtonHit(X, Y);
    HoverPos = PositionFromX(X);
    if (MouseSelectMode && HoverPos != FCaretPos) {
        FCaretPos = HoverPos;
        SelEnd = FCaretPos;
    }
    if (MouseSelectMode) {
        EnsureCaretVisible();
    }
    TEditCursor cursor = KeyDownShift == ssCtrl ? ecHandPoint : ecIBeam;
    if (hit) {
        ButtonState = ButtonState == bsNormal ? bsHover : ButtonState;
        cursor = ecArrow;
    } else {
        ButtonState = bsNormal;
    }
    if (MouseSelectMode || ButtonShown()) {
        FHost.Invalidate();
    }
    return cursor;
}

void TEditModel::MouseUp(TEditMouseButton Button, int X, int Y) {
    const bool inArea = InButtonRect(X, Y);
    const bool hit = ButtonShown() && inArea;
    if (Button == embLeft) {
        if (PasBtnVisible && inArea && !MouseSelectMode) {
            PasChar = PasChar == 0 ? PasswordBullet : 0;
        } else if (hit && !MouseSelectMode && OnButtonClick) {
            OnButtonClick();
        }
        if (MouseSelectMode && !DoubleClick && !TripleClick) {
            SelEnd = PositionFromX(X);
        }
    } else if (Button == embRight && !hit) {
        FHost.ShowEditMenu();
    }
    MouseSelectMode = false;
    FHost.Invalidate();
}

void TEditModel::MouseLeave() {
    if (ButtonShown() && ButtonState != bsNormal) {
        ButtonState = bsNormal;
        FHost.Invalidate();
    }
}

void TEditModel::KeyDown(TVirtualKey& Key, TShiftState Shift) {
    if ((Shift & ssShift) == 0) {
        // The release of Shift went to another window: the keyboard selection has ended.
        KeyboardSelectMode = false;
    }
    if (Key != vkShift && Key != vkControl) {
        ResetCaretBlink();
    }
    const bool arrow = Key == vkLeft || Key == vkUp || Key == vkRight || Key == vkDown;
    if (arrow && (Shift & ssShift) != 0 && !KeyboardSelectMode) {
        KeyboardSelectMode = true;
        SelStart = SelEnd = FCaretPos;
    }
    RunNavigationKey(Key);
    RunShortcut(Key, Shift);
    if (KeyboardSelectMode) {
        SelEnd = FCaretPos;
        EnsureCaretVisible();
        FHost.Invalidate();
    }
    KeyDownShift = Shift;
    if (OnKeyDown) {
        OnKeyDown(Key, Shift);
    }
}

void TEditModel::RunNavigationKey(TVirtualKey Key) {
    switch (Key) {
    case vkLeft:
    case vkUp:
        MoveCaret(FCaretPos > 0 ? -UnitsBefore(Value, FCaretPos) : 0);
        break;
    case vkRight:
    case vkDown:
        MoveCaret(FCaretPos < Length() ? UnitsAfter(Value, FCaretPos) : 0);
        break;
    case vkHome:
        CollapseSelection();
        SetCaretPos(0);
        break;
    case vkEnd:
        CollapseSelection();
        SetCaretPosToEnd();
        break;
    case vkBack:
        if (!FReadOnly) {
            Backspace();
        }
        break;
    case vkDelete:
        if (!FReadOnly) {
            DeleteKey();
        }
        break;
    default:
        break;
    }
}

// Ctrl stands for exactly Ctrl: with Alt as well it is AltGr, which types characters.
void TEditModel::RunShortcut(TVirtualKey Key, TShiftState Shift) {
    const bool ctrl = Shift == ssCtrl;
    const bool writable = !FReadOnly;
    if (Key == vkApps) {
        FHost.ShowEditMenu();
    } else if (ctrl && Key == 'Z' && writable) {
        Undo();
    } else if (Shift == (ssCtrl | ssShift) && Key == 'Z' && writable) {
        FHost.Beep(); // there is no redo
    } else if (ctrl && Key == 'X' && writable) {
        CutToClipboard();
    } else if (ctrl && Key == 'C') {
        CopyToClipboard();
    } else if (ctrl && Key == 'V' && writable) {
        PasteFromClipboard();
    } else if (ctrl && Key == 'D' && writable) {
        DuplicateSelection();
    } else if (ctrl && Key == 'A') {
        SelectAll();
    }
}

void TEditModel::MoveCaret(int Delta) {
    if (Delta != 0) {
        FCaretPos += Delta;
        EnsureCaretVisible();
    }
    CollapseSelection();
    FHost.Invalidate();
}

void TEditModel::Backspace() {
    if (HasSelection()) {
        PushHistory();
        DeleteSelection();
    } else if (FCaretPos > 0) {
        PushHistory();
        const int units = UnitsBefore(Value, FCaretPos);
        FCaretPos -= units;
        Value.erase(static_cast<size_t>(FCaretPos), static_cast<size_t>(units));
    }
    SnapSelection();
    EnsureCaretVisible();
    DoChange();
    FHost.Invalidate();
}

void TEditModel::DeleteKey() {
    PushHistory();
    if (HasSelection()) {
        DeleteSelection();
    } else if (FCaretPos < Length()) {
        Value.erase(static_cast<size_t>(FCaretPos), static_cast<size_t>(UnitsAfter(Value, FCaretPos)));
    }
    SnapSelection();
    EnsureCaretVisible();
    DoChange();
    FHost.Invalidate();
}

void TEditModel::KeyUp(TVirtualKey Key, TShiftState Shift) {
    if (Shift != KeyDownShift) {
        KeyDownShift = Shift;
        FHost.Invalidate();
    }
    if (Key == vkShift) {
        KeyboardSelectMode = false;
    }
}

void TEditModel::KeyPress(char32_t Key) {
    if (OnKeyPress) {
        OnKeyPress(Key);
    }
    if (FReadOnly) {
        return;
    }
    Key = ForceCase(Key);
    const bool ctrlOnly = (KeyDownShift & ssCtrl) != 0 && (KeyDownShift & ssAlt) == 0;
    if (!IsInsertable(Key) || ctrlOnly) {
        return;
    }
    const std::u16string typed = Encode(Key);
    if (!PassesCharFilters(typed)) {
        return;
    }
    const size_t kept = Value.size() - SelectionLength();
    if (kept + typed.size() > Limit()) {
        return;
    }
    std::u16string text = typed;
    const char16_t partner = typed.size() == 1 ? ClosingPartner(typed[0]) : 0;
    // The partner is a convenience: it obeys the filters and the limit or is left out.
    if (FPairBracketsEnabled && partner != 0 && kept + 2 <= Limit() &&
        PassesCharFilters(std::u16string_view(&partner, 1))) {
        text += partner;
    }
    PushHistory();
    DeleteSelection();
    Value.insert(static_cast<size_t>(FCaretPos), text);
    FCaretPos += static_cast<int>(typed.size());
    SnapSelection();
    EnsureCaretVisible();
    FHost.Invalidate();
    DoChange();
}

char32_t TEditModel::ForceCase(char32_t Key) const noexcept {
    if (FLowerCaseEnabled && Key >= U'A' && Key <= U'Z') {
        Key += 32;
    }
    if (FUpperCaseEnabled && Key >= U'a' && Key <= U'z') {
        Key -= 32;
    }
    return Key;
}

// Per code unit, as the filters of a paste work: a pair passes when both halves are allowed
// and none is forbidden.
bool TEditModel::PassesCharFilters(std::u16string_view Typed) const {
    for (const char16_t c : Typed) {
        if (!FAllowedChars.empty() && FAllowedChars.find(c) == std::u16string::npos) {
            return false;
        }
        if (FForbiddenChars.find(c) != std::u16string::npos) {
            return false;
        }
    }
    return true;
}

void TEditModel::CaretBlinkTick() {
    if (FCaretTimerInterval != BlinkInterval) {
        SetCaretTimer(FCaretTimerEnabled, BlinkInterval);
    }
    if (FHost.Focused()) {
        CaretHidden = !CaretHidden;
        FHost.Invalidate();
    }
}

void TEditModel::FocusEnter() {
    if (OnEnter) {
        OnEnter();
    }
    CaretHidden = false;
    SetCaretTimer(true, BlinkRestartInterval);
    FHost.Invalidate();
}

void TEditModel::FocusExit() {
    if (OnExit) {
        OnExit(Value);
    }
    SelStart = SelEnd = 0;
    SetCaretTimer(false, FCaretTimerInterval);
    FHost.Invalidate();
}

void TEditModel::PushHistory() {
    History.push_back({Value, FCaretPos, Scroll, SelStart, SelEnd});
}

void TEditModel::Undo() {
    if (History.empty()) {
        FHost.Beep();
        return;
    }
    const THistoryItem item = std::move(History.back());
    History.pop_back();
    Value = item.Value;
    SetCaretPos(item.CaretPos);
    // The stored scroll wins over the one just computed, so the view is exactly as before.
    Scroll = item.Scroll;
    SelStart = item.SelStart;
    SelEnd = item.SelEnd;
    DoChange();
    FHost.Invalidate();
}

void TEditModel::CutToClipboard() {
    if (!HasSelection()) {
        return;
    }
    PushHistory();
    CopyToClipboard();
    const int start = SelectionBounds().first;
    Value.erase(static_cast<size_t>(start), SelectionLength());
    SetCaretPos(start);
    SelStart = SelEnd = start;
    DoChange();
    FHost.Invalidate();
}

void TEditModel::CopyToClipboard() {
    if (HasSelection()) {
        FHost.SetClipboardText(Value.substr(static_cast<size_t>(SelectionBounds().first), SelectionLength()));
    }
}

// Only the pasted text is shortened to fit, so a paste never cuts away text after the caret.
void TEditModel::PasteFromClipboard() {
    const std::u16string clip = FHost.ClipboardText();
    if (clip.empty()) {
        return;
    }
    PushHistory();
    DeleteSelection();
    const std::u16string text = FilterInput(clip);
    const size_t room = Limit() > Value.size() ? Limit() - Value.size() : 0;
    const size_t fitted = FitLength(text, room);
    Value.insert(static_cast<size_t>(FCaretPos), text, 0, fitted);
    SetCaretPos(FCaretPos + static_cast<int>(fitted));
    SnapSelection();
    DoChange();
    if (OnPaste) {
        OnPaste(text);
    }
    FHost.Invalidate();
}

void TEditModel::DeleteSelected() {
    if (!HasSelection()) {
        return;
    }
    PushHistory();
    DeleteSelection();
    DoChange();
    FHost.Invalidate();
}

void TEditModel::DuplicateSelection() {
    if (!HasSelection()) {
        return;
    }
    const auto [a, b] = SelectionBounds();
    const int length = b - a;
    if (Value.size() + static_cast<size_t>(length) > Limit()) {
        FHost.Beep();
        return;
    }
    PushHistory();
    Value.insert(static_cast<size_t>(b), Value, static_cast<size_t>(a), static_cast<size_t>(length));
    SetCaretPos(2 * b - a);
    SelStart += length;
    SelEnd += length;
    DoChange();
    FHost.Invalidate();
}

void TEditModel::SelectAll() {
    SelStart = 0;
    SelEnd = Length();
    SetCaretPos(Length());
}

std::array<bool, EditMenuEntryCount> TEditModel::EditMenuEnabled() {
    const bool writable = !FReadOnly;
    const bool selection = HasSelection();
    return {!History.empty() && writable,
            selection && writable,
            selection,
            writable && !FHost.ClipboardText().empty(),
            selection && writable,
            true};
}

void TEditModel::RunMenuCommand(TEditMenuEntry Entry) {
    switch (Entry) {
    case emUndo:
        Undo();
        break;
    case emCut:
        CutToClipboard();
        break;
    case emCopy:
        CopyToClipboard();
        break;
    case emPaste:
        PasteFromClipboard();
        break;
    case emDelete:
        DeleteSelected();
        break;
    case emSelectAll:
        SelectAll();
        break;
    }
}

int TEditModel::CellWidth() const noexcept {
    return std::max(1, CharWidth);
}

// At least one cell, so that a field narrower than its padding still follows the caret.
int TEditModel::VisibleCells() {
    const int reserved = FHost.Scale(ButtonShown() ? 40 : 8);
    const int64_t cells = (int64_t{FHost.Width()} - reserved) / CellWidth();
    return static_cast<int>(std::clamp<int64_t>(cells, 1, INT32_MAX));
}

bool TEditModel::InButtonRect(int X, int Y) {
    const int width = FHost.Width();
    return X >= width - FHost.Scale(32) && X < width && Y >= 0 && Y < FHost.Height();
}

bool TEditModel::ButtonHit(int X, int Y) {
    return ButtonShown() && InButtonRect(X, Y);
}

size_t TEditModel::Limit() const noexcept {
    return static_cast<size_t>(std::max(0, FMaxLength));
}

size_t TEditModel::SelectionLength() const noexcept {
    const auto [a, b] = SelectionBounds();
    return static_cast<size_t>(b - a);
}

int TEditModel::ValidPos(int Pos) const noexcept {
    Pos = std::clamp(Pos, 0, Length());
    return InsidePair(Value, static_cast<size_t>(Pos)) ? Pos - 1 : Pos;
}

// Edits at the caret leave the selection ends where they were; keep them on the text.
void TEditModel::SnapSelection() noexcept {
    SelStart = ValidPos(SelStart);
    SelEnd = ValidPos(SelEnd);
}

std::u16string TEditModel::FilterInput(std::u16string_view Text) const {
    std::u16string text = ToSingleLine(Text);
    if (!FAllowedChars.empty()) {
        text = KeepChars(text, FAllowedChars);
    }
    if (!FForbiddenChars.empty()) {
        text = RemoveChars(text, FForbiddenChars);
    }
    return DropUnpairedSurrogates(text);
}

void TEditModel::DoChange() {
    if (OnChange) {
        OnChange();
    }
}

void TEditModel::SetCaretTimer(bool Enabled, uint32_t Interval) {
    FCaretTimerEnabled = Enabled;
    FCaretTimerInterval = Interval;
    FHost.SetCaretTimer(Enabled, Interval);
}
