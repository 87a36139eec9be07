// The edit field under Wine: real key, character, mouse and input-method messages with their
// modifier state, the real clipboard, the shared context menu, what screen readers are told,
// and screenshots of its looks in both themes at 100 % and 150 %.
#include <oleacc.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/run_services_win.h"
#include "tests/windows/message_pump.h"
#include "tests/windows/screenshot.h"
#include "tests/windows/test_host.h"
#include "ucl/clipboard_win.h"
#include "ucl/context_menu_win.h"
#include "ucl/edit_control_win.h"
#include "utils/language.h"
#include "utils/theme.h"
#include "utils/text_win.h"

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

// The modifier keys the next messages see.
void Hold(TShiftState shift) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = (shift & ssShift) ? 0x80 : 0;
    keys[VK_CONTROL] = (shift & ssCtrl) ? 0x80 : 0;
    keys[VK_MENU] = (shift & ssAlt) ? 0x80 : 0;
    SetKeyboardState(keys);
}

class EditControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        FServices.CreateWindowServices(Host.Handle(), 1.0f);
        FMenu = ContextMenu;
        Edit = std::make_unique<TEditControl>(Host.Handle());
        Edit->SetBounds(10, 10, 300, 32);
        SetForegroundWindow(Host.Handle());
        Edit->SetFocus();
        Host.Settle();
    }
    void TearDown() override {
        Hold(0);
        FMenu->Close();
        Edit.reset();
    }

    // A key as the loop delivers it: the key down, the character it produces, the release.
    void Press(WORD key, TShiftState shift = 0, wchar_t character = 0) {
        Hold(shift);
        SendMessageW(Edit->Handle(), (shift & ssAlt) ? WM_SYSKEYDOWN : WM_KEYDOWN, key, 1);
        if (character) {
            SendMessageW(Edit->Handle(), WM_CHAR, character, 1);
        }
        SendMessageW(Edit->Handle(), (shift & ssAlt) ? WM_SYSKEYUP : WM_KEYUP, key, 0xC0000001);
        Hold(0);
    }
    void Type(const std::u16string& text) {
        for (const char16_t c : text) {
            Press(0x41, 0, c);
        }
    }
    void Click(int x, TMouseButton button = mbLeft) {
        const UINT down[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
        const UINT up[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
        FLastClick = GetTickCount64();
        SendMessageW(Edit->Handle(), down[button], 0, Point(x, 10));
        SendMessageW(Edit->Handle(), up[button], 0, Point(x, 10));
    }
    // Until the field, by its own clock, takes the next press for a new click rather than
    // the next of a series.
    void WaitPastMultiClickTime() const {
        while (GetTickCount64() <= FLastClick + TEditModel::MultiClickMs) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    uint64_t FLastClick = 0;
    // The x of the gap before position p.
    int X(int p) const { return Edit->Model().PaddingLeft + p * Edit->Model().CharWidth; }

    TTestHost Host{400, 200, 40, 40};
    // The run's services with the window services of the host: the theme and the menu.
    TWin32RunServices FServices{u"English"};
    TContextMenu* FMenu = nullptr;
    std::unique_ptr<TEditControl> Edit;
};

TEST_F(EditControlTest, TypingSelectingAndTheShortcutsWithTheRealClipboard) {
    std::vector<std::u16string> changes;
    Edit->OnChange = [&](TObject*) { changes.push_back(Edit->Text()); };
    Type(u"C:\\Apps");
    EXPECT_EQ(Edit->Text(), u"C:\\Apps");
    EXPECT_EQ(changes.size(), 7u);
    // Shift+Left twice selects "ps"; the release of Shift ends the keyboard selection.
    Press(VK_LEFT, ssShift);
    Press(VK_LEFT, ssShift);
    EXPECT_EQ(Edit->Model().SelectionBounds(), (std::pair<int, int>{5, 7}));
    Press('C', ssCtrl, 3);
    EXPECT_EQ(ReadClipboardText(Host.Handle()), u"ps");
    Press('X', ssCtrl, 24);
    EXPECT_EQ(Edit->Text(), u"C:\\Ap");
    Press('V', ssCtrl, 22);
    Press('V', ssCtrl, 22);
    EXPECT_EQ(Edit->Text(), u"C:\\Appsps");
    Press('A', ssCtrl, 1);
    EXPECT_EQ(Edit->Model().SelectionBounds(), (std::pair<int, int>{0, 9}));
    // Shift+Home starts no selection of its own; Shift+Right does.
    Press(VK_HOME, ssShift);
    Press(VK_RIGHT, ssShift);
    Press(VK_RIGHT, ssShift);
    Press('D', ssCtrl, 4);
    EXPECT_EQ(Edit->Text(), u"C:C:\\Appsps");
    // Undo steps back through every edit; Ctrl+Shift+Z is no redo.
    Press('Z', ssCtrl | ssShift, 26);
    EXPECT_EQ(Edit->Text(), u"C:C:\\Appsps");
    for (const char16_t* before : {u"C:\\Appsps", u"C:\\Apps", u"C:\\Ap", u"C:\\Apps"}) {
        Press('Z', ssCtrl, 26);
        EXPECT_EQ(Edit->Text(), before);
    }
    // Characters typed with Ctrl are no text.
    EXPECT_EQ(Edit->Text().find(u'\x16'), std::u16string::npos);
}

TEST_F(EditControlTest, ForbiddenCharactersMaximumLengthAndAltGr) {
    Edit->SetForbiddenChars(u"<>\"|?*");
    Edit->SetMaxLength(6);
    Type(u"a<b?c*");
    EXPECT_EQ(Edit->Text(), u"abc");
    // AltGr (Ctrl and Alt together) types the backslash of German keyboards.
    Press(0xDB, ssCtrl | ssAlt, L'\\');
    EXPECT_EQ(Edit->Text(), u"abc\\");
    // A pasted line loses its line break and what does not fit; the text typed before stays.
    WriteClipboardText(Host.Handle(), u"d\r\nefgh");
    Press(VK_HOME);
    Press('V', ssCtrl, 22);
    EXPECT_EQ(Edit->Text(), u"d abc\\");
}

TEST_F(EditControlTest, InputMethodTextTakesTheCharacterPath) {
    Edit->SetForbiddenChars(u"?");
    Edit->SetMaxLength(5);
    std::vector<std::u16string> changes;
    Edit->OnChange = [&](TObject*) { changes.push_back(Edit->Text()); };
    for (const wchar_t c : {L'\x65E5', L'?', L'\x672C', L'\xD83D', L'\xDE00', L'x', L'y'}) {
        SendMessageW(Edit->Handle(), WM_IME_CHAR, c, 1);
    }
    EXPECT_EQ(Edit->Text(), u"\x65E5\x672C\xD83D\xDE00x");
    EXPECT_EQ(changes.size(), 4u) << "a pair is one character and one undo step";
    Press('Z', ssCtrl, 26);
    EXPECT_EQ(Edit->Text(), u"\x65E5\x672C\xD83D\xDE00");
    Press('Z', ssCtrl, 26);
    EXPECT_EQ(Edit->Text(), u"\x65E5\x672C");
}

TEST_F(EditControlTest, MultipleClicksAreTimedByTheFieldItself) {
    Edit->SetText(u"C:\\Users\\Name");
    Click(X(5)); // inside "Users"
    Click(X(5));
    EXPECT_EQ(Edit->Model().SelectionBounds(), (std::pair<int, int>{3, 8}));
    Click(X(5));
    EXPECT_EQ(Edit->Model().SelectionBounds(), (std::pair<int, int>{0, 13}));
    WaitPastMultiClickTime();
    Click(X(5));
    WaitPastMultiClickTime();
    Click(X(5));
    EXPECT_FALSE(Edit->Model().HasSelection()) << "two presses 500 ms apart made a double click";
}

TEST_F(EditControlTest, ContextMenuOffersWhatTheStateAllows) {
    const auto enabled = [&] {
        std::vector<bool> states;
        for (const TContextMenuItem& item : FMenu->Items()) {
            states.push_back(item.Enabled);
        }
        return states;
    };
    WriteClipboardText(Host.Handle(), u"x");
    Type(u"ab");
    Press(VK_APPS);
    ASSERT_TRUE(FMenu->Open());
    EXPECT_EQ(FMenu->Count(), 6);
    EXPECT_EQ(FMenu->Items()[0].Caption, u"Undo");
    EXPECT_EQ(FMenu->Items()[4].Shortcut, u"Del");
    EXPECT_EQ(enabled(), (std::vector<bool>{true, false, false, true, false, true}));
    EXPECT_TRUE(Edit->Focused()) << "the menu takes no focus";
    FMenu->Close();
    // Shift+F10 is the other way there, and does not also start the window's menu mode (which
    // would wait for keys in a loop of its own).
    Press('A', ssCtrl, 1);
    Hold(ssShift);
    SendMessageW(Edit->Handle(), WM_SYSKEYDOWN, VK_F10, 1);
    SendMessageW(Edit->Handle(), WM_SYSKEYUP, VK_F10, 0xC0000001);
    Hold(0);
    ASSERT_TRUE(FMenu->Open());
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true, true, true}));
    // Choosing an entry runs its command.
    FMenu->Close();
    Edit->SetReadOnly(true);
    Click(X(1), mbRight);
    ASSERT_TRUE(FMenu->Open());
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, false, false, true}));
    FMenu->Close();
}

TEST_F(EditControlTest, ReadOnlyRefusesEditsButCopies) {
    Edit->SetText(u"C:\\Q");
    Edit->SetReadOnly(true);
    Type(u"x");
    Press(VK_BACK, 0, 8);
    Press(VK_DELETE);
    Press('A', ssCtrl, 1);
    Press('X', ssCtrl, 24);
    Press('V', ssCtrl, 22);
    EXPECT_EQ(Edit->Text(), u"C:\\Q");
    Press('C', ssCtrl, 3);
    EXPECT_EQ(ReadClipboardText(Host.Handle()), u"C:\\Q");
}

TEST_F(EditControlTest, EnterAndEscapeReachTheOwnerFirst) {
    std::vector<char16_t> keys;
    Edit->OnKeyPress = [&](TObject* sender, char16_t& key) {
        EXPECT_EQ(sender, Edit.get());
        keys.push_back(key);
    };
    Type(u"a");
    Press(VK_RETURN, 0, L'\r');
    Press(VK_ESCAPE, 0, L'\x1b');
    EXPECT_EQ(keys, (std::vector<char16_t>{u'a', u'\r', u'\x1b'}));
    EXPECT_EQ(Edit->Text(), u"a");
}

TEST_F(EditControlTest, TheSystemCaretFollowsTheDrawnOne) {
    Type(u"abcd");
    Host.Settle();
    POINT caret{};
    ASSERT_TRUE(GetCaretPos(&caret));
    EXPECT_EQ(caret.x, X(4) - 1);
    Press(VK_HOME);
    Host.Settle();
    GetCaretPos(&caret);
    EXPECT_EQ(caret.x, X(0) - 1);
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetCurrentThreadId(), &info);
    EXPECT_EQ(info.hwndCaret, Edit->Handle());
}

TEST_F(EditControlTest, ScreenReadersReadTheValueButNeverAMaskedOne) {
    Edit->SetAccessibleName(u"Destination folder");
    Edit->SetText(u"C:\\Q");
    IAccessible* object = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(Edit->Handle(), DWORD(OBJID_CLIENT), IID_IAccessible,
                                         reinterpret_cast<void**>(&object)),
              S_OK);
    VARIANT self;
    VariantInit(&self);
    V_VT(&self) = VT_I4;
    V_I4(&self) = CHILDID_SELF;
    const auto text = [&](HRESULT (STDMETHODCALLTYPE IAccessible::*method)(VARIANT, BSTR*)) {
        BSTR value = nullptr;
        std::u16string result;
        if ((object->*method)(self, &value) == S_OK) {
            result = U16(value);
            SysFreeString(value);
        }
        return result;
    };
    const auto state = [&] {
        VARIANT value;
        VariantInit(&value);
        object->get_accState(self, &value);
        return V_I4(&value);
    };
    VARIANT role;
    VariantInit(&role);
    object->get_accRole(self, &role);
    EXPECT_EQ(V_I4(&role), ROLE_SYSTEM_TEXT);
    EXPECT_EQ(text(&IAccessible::get_accName), u"Destination folder");
    EXPECT_EQ(text(&IAccessible::get_accValue), u"C:\\Q");
    EXPECT_TRUE(state() & STATE_SYSTEM_FOCUSED);
    Edit->SetReadOnly(true);
    EXPECT_TRUE(state() & STATE_SYSTEM_READONLY);
    Edit->SetPasswordChar(u'\x2022');
    EXPECT_EQ(text(&IAccessible::get_accValue), u"\x2022\x2022\x2022\x2022");
    EXPECT_TRUE(state() & STATE_SYSTEM_PROTECTED);
    Edit->SetEnabled(false);
    EXPECT_TRUE(state() & STATE_SYSTEM_UNAVAILABLE);
    object->Release();
}

// Screenshots in both looks at 100 % and 150 %.
class EditControlScreenshot : public TThemedScreenshotTest {
protected:
    std::unique_ptr<TEditControl> NewEdit(int row) {
        auto edit = std::make_unique<TEditControl>(Host.Handle());
        edit->SetBounds(ScaleValue(8), ScaleValue(8 + 40 * row), ScaleValue(300), ScaleValue(32));
        edit->SetButtonVisible(true);
        edit->SetButtonImage(imgFolderEx);
        return edit;
    }
};

TEST_P(EditControlScreenshot, TextSelectionCaretPlaceholderMaskAndButton) {
    auto text = NewEdit(0);
    text->SetText(u"C:\\Users\\Ann\\AppData\\Roaming");
    auto placeholder = NewEdit(1);
    placeholder->SetPlaceholder(u"Choose a folder");
    auto masked = NewEdit(2);
    masked->SetText(u"secret");
    masked->SetPasswordChar(u'\x2022');
    auto disabled = NewEdit(3);
    disabled->SetText(u"C:\\Q");
    disabled->SetEnabled(false);
    auto hover = NewEdit(4);
    auto pressed = NewEdit(5);
    SendMessageW(hover->Handle(), WM_MOUSEMOVE, 0, Point(hover->Width() - 4, 4));
    SendMessageW(pressed->Handle(), WM_MOUSEMOVE, 0, Point(pressed->Width() - 4, 4));
    SendMessageW(pressed->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(pressed->Width() - 4, 4));
    ReleaseCapture();
    SetForegroundWindow(Host.Handle());
    text->SetFocus();
    text->SetCaretPos(3);
    SendMessageW(text->Handle(), WM_KEYDOWN, VK_HOME, 1); // the caret shows at once after a key
    Hold(ssShift);
    SendMessageW(text->Handle(), WM_KEYDOWN, VK_RIGHT, 1);
    SendMessageW(text->Handle(), WM_KEYDOWN, VK_RIGHT, 1);
    Hold(0);
    const TScreenshot shot = TakeScreenshot(Host, Name("edit_states"));

    const auto at = [&](const TEditControl& edit, int x, int y) {
        return shot.At(edit.Left() + x, edit.Top() + y);
    };
    const TEditModel& model = text->Model();
    const int mid = model.PaddingTop + model.LineHeight / 2;
    // Selection of "C:" behind the text; the caret after it; the focus border.
    EXPECT_GT(shot.Count(text->Left() + model.ColumnX(0), text->Top() + model.PaddingTop,
                         text->Left() + model.ColumnX(2), text->Top() + model.PaddingTop + model.LineHeight,
                         Rgb(Theme->TextSelectionColor())),
              model.CharWidth * model.LineHeight / 2);
    EXPECT_EQ(at(*text, model.ColumnX(2) - 1, mid), Rgb(Theme->CaretColor()));
    EXPECT_EQ(at(*text, 0, text->Height() / 2), Rgb(Theme->BorderFocusColor()));
    EXPECT_EQ(at(*placeholder, 0, placeholder->Height() / 2), Rgb(Theme->ButtonHoverColor()));
    EXPECT_GT(shot.Count(placeholder->Left(), placeholder->Top(), placeholder->Left() + ScaleValue(200),
                         placeholder->Top() + placeholder->Height(), Rgb(Theme->GrayText())),
              0)
        << "no grey placeholder";
    // The mask: no letter of the text, bullets instead.
    EXPECT_EQ(masked->Model().DisplayText(), u"\x2022\x2022\x2022\x2022\x2022\x2022");
    // Disabled: its own background, its own border, no button.
    EXPECT_EQ(at(*disabled, ScaleValue(200), ScaleValue(4)), Rgb(Theme->EditDisableColor()));
    EXPECT_EQ(at(*disabled, disabled->Width() - ScaleValue(4), ScaleValue(4)),
              Rgb(Theme->EditDisableColor()));
    EXPECT_EQ(at(*disabled, 0, disabled->Height() / 2), Rgb(Theme->BorderDisableColor()));
    // The side button at rest, hovered and pressed.
    const int bx = text->Width() - ScaleValueTrunc(30);
    EXPECT_EQ(at(*placeholder, bx, ScaleValue(3)), Rgb(Theme->WindowColor()));
    EXPECT_EQ(at(*hover, bx, ScaleValue(3)), Rgb(Theme->ButtonColor()));
    EXPECT_EQ(at(*pressed, bx, ScaleValue(3)), Rgb(Theme->ButtonHoverColor()));
}

INSTANTIATE_TEST_SUITE_P(ScalesAndPalettes, EditControlScreenshot,
                         ::testing::Combine(::testing::Values(1.0f, 1.5f),
                                            ::testing::Values(u"Light", u"Dark")));

} // namespace
