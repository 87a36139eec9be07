// Drives the edit field's model with random sequences of keys, characters, mouse steps,
// clipboard commands, text sets and size changes, and checks after every step that positions,
// scroll, length and content stay within the field's rules and that every undo brings back
// exactly the state its history entry was taken from.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "ucl/edit_model.h"

namespace {

class TFuzzHost : public TEditHost {
public:
    int64_t Clock = 0;
    std::u16string Clipboard;
    bool HasFocus = false;
    int ClientWidth = 200;
    int ClientHeight = 32;
    double ScaleFactor = 1.0;

    int64_t Now() override { return Clock; }
    std::u16string ClipboardText() override { return Clipboard; }
    void SetClipboardText(const std::u16string& Text) override { Clipboard = Text; }
    void Beep() override {}
    void ShowEditMenu() override {}
    void SetCaretTimer(bool, uint32_t) override {}
    void Invalidate() override {}
    bool Focused() override { return HasFocus; }
    void TakeFocus() override { HasFocus = true; }
    int Scale(int n) override { return static_cast<int>(std::nearbyint(n * ScaleFactor)); }
    int Width() override { return ClientWidth; }
    int Height() override { return ClientHeight; }
};

void Require(bool Condition) {
    if (!Condition) {
        std::abort();
    }
}

bool IsHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void RequireValidPos(const std::u16string& Text, int Pos) {
    Require(Pos >= 0 && static_cast<size_t>(Pos) <= Text.size());
    const size_t p = static_cast<size_t>(Pos);
    Require(p == 0 || p == Text.size() || !(IsHigh(Text[p - 1]) && IsLow(Text[p])));
}

// Units the generators pick from: letters of both cases, brackets and quotes, path characters
// that filters often name, control characters, the halves of a pair and other wide characters.
constexpr char16_t UnitPool[] = {u'a',   u'B',   u'z',   u'Z',   u'0',   u'9',   u' ',   u'(',  u'[',
                                 u'{',   u')',   u'"',   u'\'',  u'\\',  u':',   u'<',   u'*',  u'?',
                                 0,      8,      9,      10,     13,     27,     31,     127,   0x2013,
                                 0xD83D, 0xDE00, 0xDBFF, 0xDC00, 0x00E9, 0x4E2D, 0xFFFF, 0x0085};

char16_t PickUnit(FuzzedDataProvider& In) {
    return In.PickValueInArray(UnitPool);
}

std::u16string PickText(FuzzedDataProvider& In, size_t MaxUnits) {
    std::u16string text(In.ConsumeIntegralInRange<size_t>(0, MaxUnits), u'\0');
    for (char16_t& c : text) {
        c = PickUnit(In);
    }
    return text;
}

char32_t PickKeyChar(FuzzedDataProvider& In) {
    switch (In.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return U'\U0001F600';
    case 1:
        return U'\U0010FFFF' + In.ConsumeIntegralInRange<char32_t>(0, 1);
    default:
        return PickUnit(In);
    }
}

constexpr TVirtualKey KeyPool[] = {vkBack,   vkShift, vkControl, vkEnd, vkHome, vkLeft, vkUp, vkRight, vkDown,
                                   vkDelete, vkApps,  'Z',       'X',   'C',    'V',    'D',  'A',     'Q'};

void ConfigureAtStart(FuzzedDataProvider& In, TEditModel& Edit, TFuzzHost& Host) {
    const int maxLengths[] = {0, 1, 2, 3, 5, 8, 20, 65536};
    Edit.SetMaxLength(In.PickValueInArray(maxLengths));
    Edit.SetAllowedChars(In.ConsumeBool() ? PickText(In, 8) : u"");
    Edit.SetForbiddenChars(In.ConsumeBool() ? PickText(In, 4) : u"");
    Edit.SetReadOnly(In.ConsumeIntegralInRange(0, 7) == 0);
    Edit.SetLowerCaseEnabled(In.ConsumeBool());
    Edit.SetUpperCaseEnabled(In.ConsumeBool());
    Edit.SetPairBracketsEnabled(In.ConsumeBool());
    Edit.SetButtonVisible(In.ConsumeBool());
    Edit.PasBtnVisible = In.ConsumeBool();
    const double factors[] = {1.0, 1.25, 1.5, 2.0};
    Host.ScaleFactor = In.PickValueInArray(factors);
    // A key press may be rewritten into anything, also into half a pair.
    Edit.OnKeyPress = [](char32_t& Key) {
        if (Key == U'?') {
            Key = 0xDC00;
        }
    };
}

void RunMouse(FuzzedDataProvider& In, TEditModel& Edit, TFuzzHost& Host) {
    const int x = In.ConsumeIntegralInRange(-60, 420);
    const int y = In.ConsumeIntegralInRange(-10, 50);
    const auto button = static_cast<TEditMouseButton>(In.ConsumeIntegralInRange(0, 2));
    switch (In.ConsumeIntegralInRange(0, 3)) {
    case 0:
        Host.Clock += In.ConsumeIntegralInRange<int64_t>(-100, 800);
        Edit.MouseDown(button, x, y);
        break;
    case 1:
        Edit.MouseMove(x, y);
        break;
    case 2:
        Edit.MouseUp(button, x, y);
        break;
    default:
        Edit.MouseLeave();
        break;
    }
}

// Runs one command; true when it set the text, which may empty the history.
bool RunCommand(FuzzedDataProvider& In, TEditModel& Edit, TFuzzHost& Host) {
    switch (In.ConsumeIntegralInRange(0, 11)) {
    case 0:
    case 1: {
        TVirtualKey key = In.PickValueInArray(KeyPool);
        Edit.KeyDown(key, In.ConsumeIntegralInRange<TShiftState>(0, 7));
        break;
    }
    case 2:
        Edit.KeyUp(In.PickValueInArray(KeyPool), In.ConsumeIntegralInRange<TShiftState>(0, 7));
        break;
    case 3:
    case 4:
        Edit.KeyPress(PickKeyChar(In));
        break;
    case 5:
        RunMouse(In, Edit, Host);
        break;
    case 6:
        Host.Clipboard = PickText(In, 12);
        Edit.PasteFromClipboard();
        break;
    case 7:
        Edit.RunMenuCommand(
            static_cast<TEditMenuEntry>(In.ConsumeIntegralInRange(0, EditMenuEntryCount - 1)));
        break;
    case 8:
        Edit.DuplicateSelection();
        break;
    case 9:
        Edit.SetText(PickText(In, 30));
        return true;
    case 10:
        Host.ClientWidth = In.ConsumeIntegralInRange(0, 400);
        Edit.SetPaintMetrics(8, 7, In.ConsumeIntegralInRange(0, 20), 18);
        break;
    default:
        if (In.ConsumeBool()) {
            Edit.CaretBlinkTick();
        } else if ((Host.HasFocus = !Host.HasFocus)) {
            Edit.FocusEnter();
        } else {
            Edit.FocusExit();
        }
        break;
    }
    return false;
}

void CheckInvariants(const TEditModel& Edit) {
    const std::u16string& text = Edit.Text();
    RequireValidPos(text, Edit.CaretPos());
    RequireValidPos(text, Edit.SelStart);
    RequireValidPos(text, Edit.SelEnd);
    Require(Edit.Scroll >= 0 && Edit.Scroll <= Edit.CaretPos());
    Require(text.size() <= static_cast<size_t>(Edit.MaxLength()));
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        Require(c >= 32 && c != 127);
        Require(Edit.ForbiddenChars().find(c) == std::u16string::npos);
        Require(Edit.AllowedChars().empty() || Edit.AllowedChars().find(c) != std::u16string::npos);
        // Every half has its partner, so no later edit can join two halves around a position.
        Require(!IsHigh(c) || (i + 1 < text.size() && IsLow(text[i + 1])));
        Require(!IsLow(c) || (i > 0 && IsHigh(text[i - 1])));
    }
}

THistoryItem Snapshot(const TEditModel& Edit) {
    return {Edit.Text(), Edit.CaretPos(), Edit.Scroll, Edit.SelStart, Edit.SelEnd};
}

// Follows the history with an independent stack of the states seen before each recorded edit.
void TrackHistory(const TEditModel& Edit, const THistoryItem& Before, size_t SizeBefore, bool TextSet,
                  std::vector<THistoryItem>& Shadow) {
    const size_t size = Edit.History.size();
    if (TextSet && size == 0) {
        Shadow.clear();
    } else if (size == SizeBefore + 1) {
        Shadow.push_back(Before);
    } else if (size + 1 == SizeBefore) {
        Require(Snapshot(Edit) == Shadow.back());
        Shadow.pop_back();
    } else {
        Require(size == SizeBefore);
    }
    Require(Shadow.size() == size);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    FuzzedDataProvider in(Data, Size);
    TFuzzHost host;
    TEditModel edit(host);
    ConfigureAtStart(in, edit, host);
    std::vector<THistoryItem> shadow;
    for (int step = 0; step < 400 && in.remaining_bytes() > 0; ++step) {
        const THistoryItem before = Snapshot(edit);
        const size_t sizeBefore = edit.History.size();
        const bool textSet = RunCommand(in, edit, host);
        CheckInvariants(edit);
        TrackHistory(edit, before, sizeBefore, textSet, shadow);
    }
    return 0;
}
