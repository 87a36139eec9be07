#include <gtest/gtest.h>

#include "ucl/edit_model.h"

namespace {

class TFakeHost : public TEditHost {
public:
    int64_t Clock = 1'000'000;
    std::u16string Clipboard;
    int Beeps = 0, Menus = 0, ClientWidth = 200;
    bool HasFocus = true, TimerEnabled = true;
    uint32_t TimerInterval = 500;

    int64_t Now() override { return Clock; }
    std::u16string ClipboardText() override { return Clipboard; }
    void SetClipboardText(const std::u16string& Text) override { Clipboard = Text; }
    void Beep() override { ++Beeps; }
    void ShowEditMenu() override { ++Menus; }
    void SetCaretTimer(bool Enabled, uint32_t Interval) override {
        TimerEnabled = Enabled;
        TimerInterval = Interval;
    }
    void Invalidate() override {}
    bool Focused() override { return HasFocus; }
    void TakeFocus() override { HasFocus = true; }
    int Scale(int n) override { return n; }
    int Width() override { return ClientWidth; }
    int Height() override { return 32; }
};

const std::u16string Emoji = u"\U0001F600"; // two code units

// Text typed into a field with the given settings, and what the field then holds.
struct TTyping {
    std::u16string Text;
    int Caret;
    std::u32string Typed;
    std::u16string Result;
    int ResultCaret;
    int MaxLength = 65536;
    std::u16string Allowed = u"", Forbidden = u"";
    bool Lower = false, Upper = false, Pair = false, SelectAll = false;
    TShiftState Shift = 0;
};

class EditModel : public testing::Test {
protected:
    TFakeHost Host;
    TEditModel Edit{Host};
    int Changes = 0;
    std::vector<std::u16string> Pasted;

    void SetUp() override {
        Edit.OnChange = [this] { ++Changes; };
        Edit.OnPaste = [this](const std::u16string& Text) { Pasted.push_back(Text); };
    }
    void Key(TVirtualKey Code, TShiftState Shift = 0) { Edit.KeyDown(Code, Shift); }
    // One key press per code point.
    void Type(std::u32string_view Text) {
        for (const char32_t c : Text) {
            Edit.KeyPress(c);
        }
    }
    void SetTextAt(std::u16string_view Text, int Caret) {
        Edit.SetText(std::u16string(Text));
        Edit.SetCaretPos(Caret);
        Edit.CollapseSelection();
    }
    // Selects [From, To) as a Shift+arrow selection leaves it, Shift released.
    void Select(int From, int To) {
        Edit.SetCaretPos(To);
        Edit.SelStart = From;
        Edit.SelEnd = To;
    }
    void Press(int X, TEditMouseButton Button = embLeft) {
        Edit.MouseDown(Button, X, 10);
        Edit.MouseUp(Button, X, 10);
    }
    // A press and release at the cell boundary of Pos, GapMs after the previous press.
    void Click(int Pos, int64_t GapMs) {
        Host.Clock += GapMs;
        Press(Pos * 7);
    }
    std::pair<int, int> Sel() const { return {Edit.SelStart, Edit.SelEnd}; }
    std::pair<std::u16string, int> State() const { return {Edit.Text(), Edit.CaretPos()}; }
    void ExpectTyping(const TTyping& c) {
        Edit.SetMaxLength(c.MaxLength);
        Edit.SetAllowedChars(c.Allowed);
        Edit.SetForbiddenChars(c.Forbidden);
        Edit.SetLowerCaseEnabled(c.Lower);
        Edit.SetUpperCaseEnabled(c.Upper);
        Edit.SetPairBracketsEnabled(c.Pair);
        SetTextAt(c.Text, c.Caret);
        if (c.SelectAll) {
            Edit.SelectAll();
        }
        Edit.KeyDownShift = c.Shift;
        Type(c.Typed);
        EXPECT_EQ(State(), std::pair(c.Result, c.ResultCaret)) << "into " << c.Text.size();
    }
};

TEST_F(EditModel, DoubleClickSelectsWordDelimiterOrWholeText) {
    struct Case {
        int Pos, Start, End;
    };
    // C:\Users\Name: inside Users, right after a backslash, at 0, at the end, after the C.
    for (const Case c : {Case{5, 3, 8}, Case{3, 2, 3}, Case{0, 0, 13}, Case{13, 9, 13}, Case{1, 0, 1}}) {
        Edit.SetText(u"C:\\Users\\Name");
        Click(c.Pos, 10'000);
        Click(c.Pos, 200);
        EXPECT_EQ(Sel(), std::pair(c.Start, c.End)) << c.Pos;
        EXPECT_EQ(Edit.CaretPos(), c.End) << c.Pos;
    }
    Edit.SetText(u"a\u2013b");
    EXPECT_EQ(Edit.WordBoundsAt(2), std::pair(1, 2));
}

TEST_F(EditModel, MultiClickNeedsPressesWithin500Ms) {
    Edit.SetText(u"one two");
    Click(1, 10'000);
    Click(1, 501);
    EXPECT_FALSE(Edit.DoubleClick);
    Click(1, 500);
    EXPECT_EQ(Sel(), std::pair(0, 3));
    Click(1, 500);
    EXPECT_EQ(Sel(), std::pair(0, 7));
    EXPECT_EQ(Edit.CaretPos(), 7);
}

TEST_F(EditModel, ClockGoingBackwardsIsNotADoubleClick) {
    Edit.SetText(u"one two");
    Click(1, 10'000);
    Click(1, -100);
    EXPECT_EQ(Sel(), std::pair(1, 1));
}

TEST_F(EditModel, BackspaceAtStartAndDeleteAtEnd) {
    SetTextAt(u"ab", 0);
    Key(vkBack);
    EXPECT_EQ(Changes, 1);
    EXPECT_TRUE(Edit.History.empty());
    Edit.SetCaretPosToEnd();
    Key(vkDelete);
    ASSERT_EQ(Edit.History.size(), 1u);
    EXPECT_EQ(Edit.History.back().Value, u"ab");
}

TEST_F(EditModel, TypingRules) {
    const TTyping cases[] = {
        {u"", 0, U"A1a", u"1", 1, 65536, u"0123456789", u"", true}, // A becomes a, which is not allowed
        {u"", 0, U"a<b>", u"ab", 2, 65536, u"", u"<>"},
        {u"", 0, U"aB", u"AB", 2, 65536, u"", u"", true, true},         // with both, upper-case wins
        {u"", 0, U"\U0001F600x", u"x", 1, 65536, u"", Emoji.substr(1)}, // a pair with a forbidden half
        {u"ab", 2, U"(", u"ab()", 3, 65536, u"", u"", false, false, true},
        {u"ab()", 3, U")", u"ab())", 4, 65536, u"", u"", false, false, true}, // never typed over
        {u"abc", 3, U"d", u"abc", 3, 3},
        {u"abc", 3, U"d", u"d", 1, 3, u"", u"", false, false, false, true}, // replaces the selection
        {u"ab", 2, U"q", u"ab", 2, 65536, u"", u"", false, false, false, false, ssCtrl},
    };
    for (const TTyping& c : cases) {
        ExpectTyping(c);
    }
}

TEST_F(EditModel, ControlCharactersAreNeverInserted) {
    Edit.SetAllowedChars(std::u16string(u"\0\x08\t\n\r\x1B\x1F\x7Fy", 9));
    for (const char32_t c : {0, 8, 9, 10, 13, 27, 31, 127, 0xD800, 0x110000}) {
        Edit.KeyPress(c);
    }
    Edit.OnKeyPress = [](char32_t& Key) { Key = Key == U'a' ? U'\x01' : U'y'; }; // runs first
    Type(U"ab");
    EXPECT_EQ(Edit.Text(), u"y");
    EXPECT_EQ(Edit.History.size(), 1u);
}

TEST_F(EditModel, BracketPartnerObeysMaxLengthAndFilters) {
    ExpectTyping({u"ab", 2, U"\"", u"ab\"", 3, 3, u"", u"", false, false, true});
    ExpectTyping({u"ab", 2, U"[", u"ab[", 3, 10, u"", u"]", false, false, true});
}

TEST_F(EditModel, PairThatDoesNotFitIsRefusedWhole) {
    ExpectTyping({u"abc", 3, U"\U0001F600d", u"abcd", 4, 4});
    Edit.SetMaxLength(2);
    Edit.SetText(u"a" + Emoji);
    EXPECT_EQ(Edit.Text(), u"a");
}

TEST_F(EditModel, SetTextMakesOneLineClearsHistoryAndIgnoresSameText) {
    Type(U"q");
    Edit.SetText(u"a\r\nb\nc");
    EXPECT_EQ(Edit.Text(), u"a b c");
    EXPECT_TRUE(Edit.History.empty());
    EXPECT_EQ(Edit.CaretPos(), 0);
    Type(U"z");
    Edit.SetText(u"za b c");
    EXPECT_EQ(Edit.History.size(), 1u);
    EXPECT_EQ(Changes, 2);
}

TEST_F(EditModel, TwentySecondCharacterScrollsBesideTheButton) {
    Edit.SetButtonVisible(true);
    Type(std::u32string(21, U'w'));
    EXPECT_EQ(Edit.Scroll, 0);
    Type(U"w");
    EXPECT_EQ(Edit.Scroll, 1);
}

TEST_F(EditModel, CaretStaysVisibleAfterJumpsLeft) {
    SetTextAt(std::u16string(50, u'x'), 50);
    Select(10, 50);
    EXPECT_EQ(Edit.Scroll, 24); // 27 cells
    Host.Clipboard = u"ab";
    Key('V', ssCtrl); // the caret jumps from 50 to 12
    EXPECT_EQ(Edit.CaretPos(), 12);
    EXPECT_EQ(Edit.Scroll, 10);
    Key('Z', ssCtrl);
    EXPECT_EQ(Edit.Scroll, 24);
    EXPECT_EQ(Sel(), std::pair(10, 50));
    Host.ClientWidth = 5; // narrower than the padding: still one cell
    SetTextAt(u"abc", 3);
    EXPECT_EQ(Edit.Scroll, 3);
}

TEST_F(EditModel, CaretNeverSplitsASurrogatePair) {
    SetTextAt(u"a" + Emoji + u"b", 1);
    Key(vkRight);
    EXPECT_EQ(Edit.CaretPos(), 3);
    Key(vkLeft, ssShift);
    EXPECT_EQ(Sel(), std::pair(3, 1));
    EXPECT_EQ(Edit.PositionFromX(2 * 7), 1);
    Edit.SetCaretPos(2);
    EXPECT_EQ(Edit.CaretPos(), 1);
    EXPECT_EQ(Edit.WordBoundsAt(2), std::pair(0, 4));
    Key(vkDelete);
    EXPECT_EQ(Edit.Text(), u"ab");
    Type(U"\U0001F600");
    EXPECT_EQ(Edit.CaretPos(), 3);
    Key(vkBack);
    EXPECT_EQ(Edit.Text(), u"ab");
    Type(U"\U0001F600");
    Key('Z', ssCtrl); // the typed pair was one entry
    EXPECT_EQ(Edit.Text(), u"ab");
}

TEST_F(EditModel, StaleSelectionAnchorNeverLandsInsideAPair) {
    SetTextAt(u"xy" + Emoji, 2);
    Key(vkRight, ssShift);
    Key(vkLeft, ssShift); // an empty selection anchored at 2
    Key(vkBack, ssShift); // "y" goes and the pair slides under the anchor
    EXPECT_EQ(Edit.Text(), u"x" + Emoji);
    EXPECT_EQ(Sel(), std::pair(1, 1));
}

TEST_F(EditModel, MissedShiftReleaseDoesNotStretchTheSelectionAfterUndo) {
    Type(U"ab");
    Key(vkLeft, ssShift); // the release of Shift goes to another window
    Key('Z', ssCtrl);
    EXPECT_EQ(Edit.Text(), u"a");
    EXPECT_EQ(Sel(), std::pair(0, 0));
}

TEST_F(EditModel, AltGrCharactersAreInserted) {
    Host.Clipboard = u"zz";
    Key('V', ssCtrl | ssAlt); // AltGr+V is not Ctrl+V
    ExpectTyping({u"", 0, U"@\\", u"@\\", 2, 65536, u"", u"", false, false, false, false, ssCtrl | ssAlt});
}

TEST_F(EditModel, UndoChainCutAndRedoBeep) {
    Type(U"abc");
    for (int i = 0; i < 3; ++i) {
        Key('Z', ssCtrl);
    }
    EXPECT_EQ(Edit.Text(), u"");
    Key('Z', ssCtrl);
    Key('Z', ssCtrl | ssShift);
    EXPECT_EQ(Host.Beeps, 2);
    Edit.SetText(u"hello");
    Select(1, 3);
    Key('X', ssCtrl);
    EXPECT_EQ(Host.Clipboard, u"el");
    EXPECT_EQ(Edit.Text(), u"hlo");
    Key('Z', ssCtrl);
    EXPECT_EQ(Edit.Text(), u"hello");
    EXPECT_EQ(Sel(), std::pair(1, 3));
}

TEST_F(EditModel, PasteRules) {
    Host.Clipboard = u"one\r\ntwo";
    Key('V', ssCtrl);
    EXPECT_EQ(State(), std::pair(std::u16string(u"one two"), 7));
    Edit.SetMaxLength(2048);
    SetTextAt(std::u16string(2045, u'a'), 2045);
    Host.Clipboard = u"0123456789";
    Key('V', ssCtrl);
    EXPECT_EQ(Edit.Text().size(), 2048u);
    EXPECT_EQ(Edit.CaretPos(), 2048);
    EXPECT_EQ(Pasted.back(), u"0123456789");
    Edit.SetForbiddenChars(u"0123456789");
    Key('V', ssCtrl);
    EXPECT_EQ(Pasted.back(), u""); // all filtered: still an entry and both events
    EXPECT_EQ(Edit.History.size(), 2u);
    EXPECT_EQ(Changes, 3);
    Edit.SetText(u"");
    Edit.SetForbiddenChars(Emoji.substr(1)); // no half of a pair is left behind by a filter
    Host.Clipboard = u"x" + Emoji;
    Key('V', ssCtrl);
    EXPECT_EQ(Edit.Text(), u"x");
}

TEST_F(EditModel, PasteKeepsTextAfterCaretAtMaxLength) {
    Edit.SetMaxLength(5);
    SetTextAt(u"abcd", 1);
    Host.Clipboard = u"XYZ";
    Key('V', ssCtrl);
    EXPECT_EQ(State(), std::pair(std::u16string(u"aXbcd"), 2));
    Host.Clipboard = Emoji;
    Edit.SetMaxLength(6);
    Key('V', ssCtrl); // one unit of room: the pair is not split
    EXPECT_EQ(Edit.Text(), u"aXbcd");
}

TEST_F(EditModel, DuplicateSelectionAndItsMaxLength) {
    Edit.SetText(u"xaby");
    Select(1, 3);
    Key('D', ssCtrl);
    EXPECT_EQ(Edit.Text(), u"xababy");
    EXPECT_EQ(Sel(), std::pair(3, 5));
    EXPECT_EQ(Edit.CaretPos(), 5);
    Edit.SetMaxLength(7);
    Key('D', ssCtrl);
    EXPECT_EQ(Edit.Text(), u"xababy");
    EXPECT_EQ(Host.Beeps, 1);
    EXPECT_EQ(Edit.History.size(), 1u);
}

TEST_F(EditModel, MenuEntriesFollowSelectionHistoryClipboardAndReadOnly) {
    using Flags = std::array<bool, EditMenuEntryCount>;
    EXPECT_EQ(Edit.EditMenuEnabled(), (Flags{false, false, false, false, false, true}));
    Type(U"ab");
    Host.Clipboard = u"c";
    Key('A', ssCtrl);
    EXPECT_EQ(Edit.EditMenuEnabled(), (Flags{true, true, true, true, true, true}));
    Edit.SetReadOnly(true);
    EXPECT_EQ(Edit.EditMenuEnabled(), (Flags{false, false, true, false, false, true}));
    Key(vkBack);
    Key('Z', ssCtrl);
    Type(U"x");
    EXPECT_EQ(Edit.Text(), u"ab");
}

TEST_F(EditModel, SideButtonMaskToggleCursorsAndMenu) {
    int clicks = 0;
    Edit.OnButtonClick = [&] { ++clicks; };
    Edit.SetButtonVisible(true);
    Edit.MouseDown(embLeft, 20, 10); // a press outside the button does not click on it
    Edit.MouseUp(embLeft, 190, 10);
    Press(190);
    EXPECT_EQ(clicks, 1);
    Edit.SetPasswordChar(u'*');
    Edit.PasBtnVisible = true;
    Press(190);
    Press(190);
    EXPECT_EQ(Edit.PasChar, PasswordBullet);
    EXPECT_EQ(Edit.MouseMove(190, 10), ecArrow);
    Key(vkControl, ssCtrl);
    EXPECT_EQ(Edit.MouseMove(20, 10), ecHandPoint);
    Press(190, embRight);
    Press(20, embRight);
    EXPECT_EQ(Host.Menus, 1);
}

TEST_F(EditModel, CaretBlinkAndFocus) {
    std::u16string exited;
    Edit.OnExit = [&](const std::u16string& Text) { exited = Text; };
    SetTextAt(u"abc", 1);
    Key(vkRight, ssShift);
    EXPECT_EQ(Host.TimerInterval, 1000u);
    Edit.CaretBlinkTick();
    EXPECT_EQ(Host.TimerInterval, 500u);
    EXPECT_TRUE(Edit.CaretHidden);
    Edit.FocusExit();
    EXPECT_EQ(exited, u"abc");
    EXPECT_FALSE(Host.TimerEnabled);
    EXPECT_EQ(Sel(), std::pair(0, 0));
    Host.HasFocus = false;
    Edit.CaretBlinkTick(); // no flip without the focus
    EXPECT_TRUE(Edit.CaretHidden);
}

} // namespace
