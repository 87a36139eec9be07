// The label, the push button and the switch under Wine: real window messages for the mouse,
// the capture and the keyboard, Tab between them in creation order, what screen readers are
// told, and screenshots of each state in both looks at 100 % and 150 % with pixel probes.
#include <oleacc.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/run_services.h"
#include "tests/windows/message_pump.h"
#include "tests/windows/screen_reader.h"
#include "tests/windows/screenshot.h"
#include "tests/windows/test_host.h"
#include "ucl/button_control_win.h"
#include "ucl/label_control_win.h"
#include "ucl/switch_control_win.h"
#include "ucl/switch_frame.h"
#include "utils/language.h"
#include "utils/text_win.h"
#include "utils/theme.h"

namespace {

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

// Holds or releases Shift for the keyboard state the next messages see.
void SetShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

void Type(HWND window, wchar_t c) {
    SendMessageW(window, WM_CHAR, c, 1);
}

class BasicControls : public ::testing::Test {
protected:
    void SetUp() override { FServices.AdoptTheme(std::make_unique<TTheme>(1.0f)); }

    TRunServices FServices{u"English"};
    TTestHost Host{400, 200, 40, 40};
};

TEST_F(BasicControls, ButtonClicksOnAReleaseInsideAndNeverAfterALostPress) {
    TButtonControl button(Host.Handle());
    button.SetBounds(10, 10, 80, 32);
    std::vector<std::string> events;
    button.SetOnClick([&](TObject* sender) {
        EXPECT_EQ(sender, &button);
        events.push_back(button.State() == bsActive ? "click while pressed" : "click");
    });
    SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, Point(5, 5));
    EXPECT_EQ(button.State(), bsHover);
    SendMessageW(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    EXPECT_EQ(button.State(), bsActive);
    EXPECT_EQ(GetCapture(), button.Handle());
    EXPECT_TRUE(button.Focused());
    SendMessageW(button.Handle(), WM_LBUTTONUP, 0, Point(6, 6));
    EXPECT_EQ(events, std::vector<std::string>{"click while pressed"});
    EXPECT_EQ(button.State(), bsNormal);
    EXPECT_EQ(GetCapture(), nullptr);

    // Released outside: nothing.
    SendMessageW(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SendMessageW(button.Handle(), WM_LBUTTONUP, 0, Point(500, 6));
    EXPECT_EQ(events.size(), 1u);
    EXPECT_EQ(button.State(), bsNormal);

    // Alt+Tab or a message box took the capture in the middle of a press.
    SendMessageW(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
    SetCapture(Host.Handle());
    EXPECT_EQ(button.State(), bsNormal) << "a press whose capture was lost stayed pressed";
    ReleaseCapture();
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(BasicControls, ButtonKeysGoToTheOwnerAndSpaceClicks) {
    TButtonControl button(Host.Handle());
    std::vector<std::u16string> events;
    button.SetOnKeyPress([&](TObject*, char16_t& key) {
        events.push_back(u"key " + std::u16string(1, key));
        if (key == u'x') {
            key = u' '; // the owner may change the key
        }
    });
    button.SetOnClick([&](TObject*) { events.push_back(u"click"); });
    for (const wchar_t c : {L'\r', L'\x1b', L'a', L' ', L'x'}) {
        Type(button.Handle(), c);
    }
    EXPECT_EQ(events, (std::vector<std::u16string>{u"key \r", u"key \x1b", u"key a", u"key  ", u"click",
                                                   u"key x", u"click"}));
    EXPECT_EQ(SendMessageW(button.Handle(), WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
}

TEST_F(BasicControls, SwitchTellsTheValueBeforeTheFlip) {
    TSwitchControl toggle(Host.Handle());
    std::vector<bool> seen;
    toggle.SetOnChange([&](TObject*) { seen.push_back(toggle.Checked()); });
    for (const UINT press : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
        SendMessageW(toggle.Handle(), press, 0, Point(3, 3));
        ReleaseCapture();
    }
    Type(toggle.Handle(), L' ');
    Type(toggle.Handle(), L'a');
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false, true}));
    EXPECT_FALSE(toggle.Checked());
    toggle.SetChecked(true); // from code: no event
    EXPECT_EQ(seen.size(), 4u);
    SendMessageW(toggle.Handle(), WM_MOUSEMOVE, 0, Point(3, 3));
    EXPECT_TRUE(toggle.Hover());
    SendMessageW(toggle.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(toggle.Hover());
}

TEST_F(BasicControls, AutoSizedSwitchFitsItsCaptionBeforeItsFirstPaint) {
    // Sized only while it painted, a switch moved in its own first paint: the form behind it
    // and the switch itself were painted twice on every start.
    std::vector<int> widths;
    for (const char16_t* caption :
         {u"I", u"Create a Desktop shortcut",
          u"\u0421\u043e\u0437\u0434\u0430\u0442\u044c \u044f\u0440\u043b\u044b\u043a "
          u"on the Desktop and in the Start menu, both of them"}) {
        TSwitchControl toggle(Host.Handle());
        toggle.SetCaption(caption);
        toggle.SetAutoSize(true);
        toggle.SetBounds(8, 8, 200, 16);
        const int fitted = toggle.Width();
        EXPECT_EQ(toggle.Height(), 16);
        Host.Settle();
        EXPECT_EQ(toggle.Width(), fitted) << "the paint found another size";
        widths.push_back(fitted);
    }
    ASSERT_EQ(widths.size(), 3u);
    EXPECT_GT(widths[0], 30); // the switch image and the gap before the caption
    EXPECT_LT(widths[0], widths[1]);
    EXPECT_GT(widths[2], 200); // wider than asked: the whole caption shows

    TSwitchControl toggle(Host.Handle());
    toggle.SetAutoSize(true);
    toggle.SetBounds(8, 8, 200, 16);
    const int empty = toggle.Width();
    toggle.SetCaption(u"Create a Desktop shortcut");
    EXPECT_EQ(toggle.Width(), widths[1]) << "a new caption fits at once";
    EXPECT_LT(empty, widths[0]);
}

// Text in Face at Height, measured on the screen apart from any control.
int ScreenTextWidth(const std::u16string& Face, int Height, const std::u16string& Text) {
    const TWindowDC screen(nullptr);
    const TFontHandle font = CreateFontOf(Face, Height);
    const TSelectObject selected(screen.DC(), font.Get());
    SIZE size{};
    GetTextExtentPoint32W(screen.DC(), WStr(Text), static_cast<int>(Text.size()), &size);
    return size.cx;
}

TEST_F(BasicControls, CaptionWidthIsTheCaptionInTheFontTheControlDrawsItWith) {
    const std::u16string caption =
        u"\u0414\u0435\u0438\u043d\u0441\u0442\u0430\u043b\u0438\u0440\u0430\u043d\u0435 now";
    TButtonControl button(Host.Handle());
    button.SetCaption(caption);
    EXPECT_EQ(button.CaptionWidth(), ScreenTextWidth(FontNameRegular, Theme->FontHeight(), caption));

    // The layout gives a switch its track and caption: what the switch sizes itself to.
    TSwitchControl toggle(Host.Handle());
    toggle.SetCaption(caption);
    toggle.SetAutoSize(true);
    toggle.SetBounds(8, 8, 200, 16);
    EXPECT_EQ(toggle.CaptionWidth(), ScreenTextWidth(FontNameRegular, Theme->FontHeight(), caption));
    EXPECT_EQ(toggle.Width(), toggle.CaptionWidth() + ScaleValue(SwitchCaptionLeft96));

    const struct {
        bool Light, Bold;
        TFontSize Size;
        const std::u16string& Face;
        int Height;
    } labels[] = {{false, false, fsMedium, FontNameRegular, Theme->FontHeight()},
                  {true, false, fsExtraLarge, FontNameLight, Theme->ExtraLargeFontHeight()},
                  {false, true, fsSmall, FontNameSemibold, Theme->SmallFontHeight()},
                  {false, false, fsLarge, FontNameRegular, Theme->LargeFontHeight()}};
    for (const auto& row : labels) {
        TLabelControl label(Host.Handle());
        label.SetCaption(caption);
        label.SetLightFont(row.Light);
        label.SetBoldFont(row.Bold);
        label.SetFontSize(row.Size);
        EXPECT_EQ(label.CaptionWidth(), ScreenTextWidth(row.Face, row.Height, caption)) << int(row.Size);
        // A label that sizes itself takes the same width when it paints.
        label.SetAutoSize(true);
        Host.Settle();
        EXPECT_EQ(label.Width(), label.CaptionWidth()) << int(row.Size);
    }
}

TEST_F(BasicControls, OnlyAClickableLabelIsALinkForMouseAndKeyboard) {
    TLabelControl text(Host.Handle());
    TLabelControl link(Host.Handle());
    int clicks = 0;
    link.SetOnClick([&](TObject*) { ++clicks; });
    EXPECT_FALSE(text.TabStop());
    EXPECT_TRUE(link.TabStop());
    for (TLabelControl* label : {&text, &link}) {
        SendMessageW(label->Handle(), WM_MOUSEMOVE, 0, Point(2, 2));
        EXPECT_EQ(label->State(), bsHover);
        SendMessageW(label->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(2, 2));
        EXPECT_EQ(label->State(), bsHover) << "a label is never pressed";
        SendMessageW(label->Handle(), WM_LBUTTONUP, 0, Point(2, 2));
        EXPECT_EQ(label->State(), bsNormal);
        Type(label->Handle(), L' ');
        Type(label->Handle(), L'\r');
        Type(label->Handle(), L'q');
    }
    EXPECT_EQ(clicks, 3);
    // The pointing hand over the link only.
    SendMessageW(link.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(link.Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));
    SendMessageW(text.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(text.Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(BasicControls, TabMovesThroughTheTabStopsInCreationOrder) {
    TButtonControl first(Host.Handle());
    TLabelControl text(Host.Handle());
    TSwitchControl toggle(Host.Handle());
    TLabelControl link(Host.Handle());
    link.SetOnClick([](TObject*) {});
    TButtonControl hidden(Host.Handle());
    hidden.SetVisible(false);
    TButtonControl disabled(Host.Handle());
    disabled.SetEnabled(false);
    TButtonControl last(Host.Handle());
    SetForegroundWindow(Host.Handle());
    first.SetFocus();

    const auto tab = [&](bool backward) {
        SetShift(backward);
        const MSG msg{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        EXPECT_TRUE(HandleTabKey(Host.Handle(), msg));
        SetShift(false);
        return GetFocus();
    };
    EXPECT_EQ(tab(false), toggle.Handle());
    EXPECT_EQ(tab(false), link.Handle());
    EXPECT_EQ(tab(false), last.Handle());
    EXPECT_EQ(tab(false), first.Handle());
    EXPECT_EQ(tab(true), last.Handle());
    EXPECT_EQ(tab(true), link.Handle());
    // Keys of other windows, and other keys, are not the loop's to take.
    const MSG other{GetFocus(), WM_KEYDOWN, VK_RIGHT, 0, 0, {}};
    EXPECT_FALSE(HandleTabKey(Host.Handle(), other));
}

TEST_F(BasicControls, FocusRepaintsAndComesBackAsTheFocusedBorder) {
    TButtonControl button(Host.Handle());
    button.SetBounds(10, 10, 80, 32);
    SetForegroundWindow(Host.Handle());
    const auto border = [&] {
        Host.Settle();
        int width = 0, height = 0;
        const auto pixels = Host.Capture(width, height);
        return pixels[size_t(26) * width + 10];
    };
    EXPECT_EQ(border(), Rgb(Theme->ButtonPlusColor()));
    button.SetFocus();
    EXPECT_EQ(border(), Rgb(Theme->BorderFocusColor()));
    SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, Point(5, 5));
    EXPECT_EQ(border(), Rgb(Theme->BorderFocusColor()))
        << "a focused button that is hovered keeps the focus colour";
    SetFocus(Host.Handle());
    EXPECT_EQ(border(), Rgb(Theme->ButtonHoverColor()));
}

TEST_F(BasicControls, ScreenReadersLearnRoleNameStateAndAction) {
    TLabelControl text(Host.Handle());
    text.SetCaption(u"Version 3.3.0");
    TLabelControl link(Host.Handle());
    link.SetCaption(u"https://www.mirelbrook.com/agreement");
    link.SetOnClick([](TObject*) {});
    TButtonControl button(Host.Handle());
    button.SetCaption(u"Install");
    button.SetBounds(100, 120, 96, 32);
    TSwitchControl toggle(Host.Handle());
    toggle.SetCaption(u"I accept the agreement");

    const TReading t = Read(text.Handle());
    EXPECT_EQ(t.Role, ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(t.Name, u"Version 3.3.0");
    EXPECT_EQ(t.Action, u"");
    const TReading l = Read(link.Handle());
    EXPECT_EQ(l.Role, ROLE_SYSTEM_LINK);
    EXPECT_EQ(l.Action, u"Click");
    EXPECT_TRUE(l.State & STATE_SYSTEM_FOCUSABLE);

    SetForegroundWindow(Host.Handle());
    button.SetFocus();
    TReading b = Read(button.Handle());
    EXPECT_EQ(b.Role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(b.Name, u"Install");
    EXPECT_TRUE(b.State & STATE_SYSTEM_FOCUSED);
    EXPECT_EQ(b.Location.left, 140);
    EXPECT_EQ(b.Location.top, 160);
    EXPECT_EQ(b.Location.right - b.Location.left, 96);
    button.SetEnabled(false);
    b = Read(button.Handle());
    EXPECT_TRUE(b.State & STATE_SYSTEM_UNAVAILABLE);

    EXPECT_EQ(Read(toggle.Handle()).Role, ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_FALSE(Read(toggle.Handle()).State & STATE_SYSTEM_CHECKED);
    EXPECT_EQ(Read(toggle.Handle()).Action, u"Check");
    SendMessageW(toggle.Handle(), WM_LBUTTONDOWN, 0, Point(3, 3));
    ReleaseCapture();
    EXPECT_TRUE(Read(toggle.Handle()).State & STATE_SYSTEM_CHECKED);
    EXPECT_EQ(Read(toggle.Handle()).Action, u"Uncheck");
}

TEST_F(BasicControls, DefaultActionOfAReaderRunsFromTheLoop) {
    TSwitchControl toggle(Host.Handle());
    IAccessible* object = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(toggle.Handle(), DWORD(OBJID_CLIENT), IID_IAccessible,
                                         reinterpret_cast<void**>(&object)),
              S_OK);
    EXPECT_EQ(object->accDoDefaultAction(SelfId()), S_OK);
    EXPECT_FALSE(toggle.Checked()) << "not inside the reader's call";
    PumpMessagesFor(100, [&] { return toggle.Checked(); });
    EXPECT_TRUE(toggle.Checked());
    object->Release();
}

// Screenshots of every state in both looks at 100 % and 150 %.
class BasicControlsScreenshot : public TThemedScreenshotTest {
protected:
    static int r(int n) { return ScaleValue(n); }
};

TEST_P(BasicControlsScreenshot, ButtonInEachState) {
    struct TCase {
        const char* Name;
        bool Hover, Press, Focus, Disabled;
        TColor Fill, Border;
    };
    const TCase cases[] = {
        {"normal", false, false, false, false, Theme->ButtonColor(), Theme->ButtonPlusColor()},
        {"hover", true, false, false, false, Theme->ButtonHoverColor(), Theme->ButtonHoverColor()},
        {"pressed", true, true, true, false, Theme->ButtonActiveColor(), Theme->BorderFocusColor()},
        {"focused", false, false, true, false, Theme->ButtonColor(), Theme->BorderFocusColor()},
        {"disabled", false, false, false, true, Theme->ButtonColor(), Theme->BorderDisableColor()},
    };
    std::vector<std::unique_ptr<TButtonControl>> buttons;
    for (size_t i = 0; i < std::size(cases); ++i) {
        auto button = std::make_unique<TButtonControl>(Host.Handle());
        button->SetCaption(u"Install");
        button->SetBounds(r(8), r(8 + 40 * int(i)), r(96), r(32));
        buttons.push_back(std::move(button));
    }
    SetForegroundWindow(Host.Handle());
    for (size_t i = 0; i < std::size(cases); ++i) {
        const TCase& c = cases[i];
        TButtonControl& button = *buttons[i];
        if (c.Focus) {
            button.SetFocus();
        }
        if (c.Hover) {
            SendMessageW(button.Handle(), WM_MOUSEMOVE, 0, Point(2, 2));
        }
        if (c.Press) {
            SendMessageW(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(2, 2));
        }
        button.SetEnabled(!c.Disabled);
        const TScreenshot shot = TakeScreenshot(Host, Name(std::string("button_") + c.Name));
        const int left = button.Left(), top = button.Top();
        const int border = 0; // the outline of a one-pixel pen below a scale of 2
        EXPECT_EQ(shot.At(left + r(4), top + r(16)), Rgb(c.Fill)) << c.Name;
        EXPECT_EQ(shot.At(left + border, top + r(16)), Rgb(c.Border)) << c.Name;
        EXPECT_EQ(shot.At(left + r(48), top + border), Rgb(c.Border)) << c.Name;
        ReleaseCapture();
        SetFocus(Host.Handle());
    }
}

TEST_P(BasicControlsScreenshot, SwitchShowsTheFrameOfItsState) {
    struct TCase {
        const char* Name;
        bool Enabled, Hover, Checked;
    };
    const TCase cases[] = {{"off", true, false, false},           {"on", true, false, true},
                           {"hover_off", true, true, false},      {"hover_on", true, true, true},
                           {"disabled_off", false, false, false}, {"disabled_on", false, true, true}};
    const TPremultipliedImage& strip = Theme->GetImage(imgSwitch)->Pixels();
    ASSERT_EQ(strip.Width, r(24));
    const int frameHeight = strip.Height / 12;
    for (const TCase& c : cases) {
        TSwitchControl toggle(Host.Handle());
        toggle.SetCaption(u"Create a Desktop shortcut");
        toggle.SetAutoSize(true);
        toggle.SetChecked(c.Checked);
        toggle.SetBounds(r(8), r(8), r(200), r(16));
        if (c.Hover) {
            SendMessageW(toggle.Handle(), WM_MOUSEMOVE, 0, Point(2, 2));
        }
        toggle.SetEnabled(c.Enabled);
        const TScreenshot shot = TakeScreenshot(Host, Name(std::string("switch_") + c.Name));
        const int frame =
            (c.Enabled ? (c.Hover ? 2 : 0) + c.Checked : 4 + c.Checked) + (Theme->IsDark() ? 6 : 0);
        EXPECT_EQ(Mismatches(shot, r(8), r(8), strip, 0, frame * frameHeight, strip.Width, r(16),
                             Theme->WindowColor()),
                  0)
            << c.Name << ": frame " << frame;
        EXPECT_GT(toggle.Width(), r(30)) << "auto-size to the caption";
        EXPECT_EQ(shot.At(r(8), r(8)), Rgb(Theme->WindowColor())) << "a focus cue without the focus";
    }
    TSwitchControl focused(Host.Handle());
    focused.SetBounds(r(8), r(8), r(200), r(16));
    SetForegroundWindow(Host.Handle());
    focused.SetFocus();
    const TScreenshot shot = TakeScreenshot(Host, Name("switch_focused"));
    EXPECT_EQ(shot.At(r(8), r(8)), Rgb(Theme->BorderFocusColor()));
    EXPECT_EQ(shot.At(r(8) + r(24) - 1, r(8) + r(8)), Rgb(Theme->BorderFocusColor()));
}

TEST_P(BasicControlsScreenshot, LabelColoursAndTheLinkUnderlineOnHoverOnly) {
    TLabelControl link(Host.Handle());
    link.SetCaption(u"Run this program as an administrator");
    link.SetBlueFont(true);
    link.SetAutoSize(true);
    link.SetOnClick([](TObject*) {});
    link.SetBounds(r(8), r(8), r(400), r(18));
    TLabelControl red(Host.Handle());
    red.SetCaption(u"Access is denied");
    red.SetRedFont(true);
    red.SetBlueFont(true);
    red.SetBounds(r(8), r(40), r(400), r(18));
    const auto longestRun = [&](const TScreenshot& shot, TColor color) {
        int best = 0;
        for (int y = link.Top(); y < link.Top() + link.Height(); ++y) {
            best = std::max(best, shot.Count(link.Left(), y, link.Left() + link.Width(), y + 1, Rgb(color)));
        }
        return best;
    };
    const TScreenshot plain = TakeScreenshot(Host, Name("label_link"));
    EXPECT_LT(longestRun(plain, Theme->LinkFontColor()), link.Width() / 2) << "underlined without hover";
    EXPECT_GT(plain.Count(red.Left(), red.Top(), red.Left() + r(200), red.Top() + red.Height(), 0xBF202D), 0)
        << "red wins over blue";
    SendMessageW(link.Handle(), WM_MOUSEMOVE, 0, Point(2, 2));
    const TScreenshot hovered = TakeScreenshot(Host, Name("label_link_hover"));
    EXPECT_GT(longestRun(hovered, Theme->LinkFontColor()), link.Width() * 9 / 10)
        << "no underline while hovered";
    SetForegroundWindow(Host.Handle());
    link.SetFocus();
    const TScreenshot focused = TakeScreenshot(Host, Name("label_link_focused"));
    EXPECT_GT(focused.Count(link.Left(), link.Top() + link.Height() - 1, link.Left() + link.Width(),
                            link.Top() + link.Height(), Rgb(Theme->BorderFocusColor())),
              link.Width() * 9 / 10)
        << "no focus cue";
    SetFocus(Host.Handle());
    const TScreenshot unfocused = TakeScreenshot(Host, Name("label_link_unfocused"));
    EXPECT_EQ(unfocused.Count(link.Left(), link.Top(), link.Left() + link.Width(), link.Top() + link.Height(),
                              Rgb(Theme->BorderFocusColor())),
              0);
}

INSTANTIATE_TEST_SUITE_P(ScalesAndPalettes, BasicControlsScreenshot,
                         ::testing::Combine(::testing::Values(1.0f, 1.5f),
                                            ::testing::Values(u"Light", u"Dark")));

} // namespace
