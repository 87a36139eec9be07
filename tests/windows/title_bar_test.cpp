#include <oleacc.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "app/run_services.h"
#include "tests/windows/screenshot.h"
#include "ucl/title_bar_win.h"
#include "utils/language.h"
#include "utils/text_win.h"
#include "utils/com_win.h"

namespace {

constexpr WPARAM MoveByCaption = 0xF012;

// A borderless form like the installer's. It records what the bar asks of it, answers the
// minimum-height query, and returns from the move command at once instead of running the
// platform's move loop.
class TTestForm : public TTestHost {
public:
    TTestForm(int Width, int Height) : TTestHost(Width, Height, 100, 200) {}
    std::vector<WPARAM> SysCommands;
    int Closes = 0;
    int MinHeight = 0;

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_SYSCOMMAND:
            SysCommands.push_back(wParam);
            return 0;
        case WM_CLOSE:
            ++Closes;
            return 0;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize.y = MinHeight;
            return 0;
        }
        return TTestHost::WndProc(msg, wParam, lParam);
    }
};

void Send(const TTitleBar& bar, UINT msg, int x, int y) {
    const LPARAM point = MAKELPARAM(WORD(short(x)), WORD(short(y)));
    SendMessageW(bar.Handle(), msg, msg == WM_LBUTTONDOWN ? MK_LBUTTON : 0, point);
}

// A form at (100, 200), r(520) wide, with title bars on it.
class TitleBarBase : public ::testing::Test {
protected:
    std::unique_ptr<TRunServices> FServices;
    std::unique_ptr<TTestForm> Form;
    std::vector<std::unique_ptr<TTitleBar>> Bars;

    static int r(int n) { return ScaleValue(n); }
    // Height unscaled, like every length here.
    void Build(float Scale, const char16_t* ThemeName, int Height) {
        Bars.clear();
        Form.reset();
        FServices.reset();
        FServices = std::make_unique<TRunServices>(u"English");
        FServices->AdoptTheme(std::make_unique<TTheme>(Scale));
        Theme->SetThemeName(ThemeName);
        Form = std::make_unique<TTestForm>(r(520), r(Height));
    }
    TTitleBar& AddBar(int Top, bool Maximize, bool Minimize) {
        Bars.push_back(std::make_unique<TTitleBar>(Form->Handle()));
        Bars.back()->SetBounds(0, r(Top), r(520), r(32));
        Bars.back()->SetMaximizeVisible(Maximize);
        Bars.back()->SetMinimizeVisible(Minimize);
        Activate(); // and the first paint, which lays the bar out
        return *Bars.back();
    }
    void Activate() {
        SetForegroundWindow(Form->Handle());
        SetActiveWindow(Form->Handle());
        Form->Settle();
    }
    void TearDown() override {
        ReleaseCapture();
        Bars.clear();
        Form.reset();
        FServices.reset();
    }
};

// At 100 %, light: minimize 376-424, maximize 424-472, close 472-520.
class TitleBar : public TitleBarBase {
protected:
    static constexpr int CloseX = 500, MaximizeX = 450, MinimizeX = 400, DragX = 100, Mid = 16;
    TTitleBar* Bar = nullptr;

    void SetUp() override {
        Build(1.0f, u"Light", 300);
        Bar = &AddBar(0, false, false);
    }
    // A move to a screen row, as the captured bar sees it wherever the form has gone.
    void MoveToScreenY(int ScreenY) {
        POINT p{DragX, ScreenY};
        ScreenToClient(Bar->Handle(), &p);
        Send(*Bar, WM_MOUSEMOVE, DragX, p.y);
    }
};

TEST_F(TitleBar, TheReleasePointDecidesWhatHappensToTheForm) {
    Bars.clear();
    Bar = &AddBar(0, true, true);
    const HWND form = Form->Handle();
    const struct {
        int Down, Up, Closes;
        bool Zoomed, Iconic;
    } cases[] = {{CloseX, CloseX, 1, false, false},       {CloseX, 600, 0, false, false},
                 {MaximizeX, CloseX, 1, false, false},    {MaximizeX, MaximizeX, 0, true, false},
                 {MaximizeX, MaximizeX, 0, false, false}, {MinimizeX, MinimizeX, 0, false, true}};
    for (const auto& c : cases) {
        Form->Closes = 0;
        Send(*Bar, WM_LBUTTONDOWN, c.Down, Mid);
        Send(*Bar, WM_LBUTTONUP, c.Up, Mid);
        EXPECT_EQ(Form->Closes, c.Closes) << c.Down << " to " << c.Up;
        EXPECT_EQ(bool(IsZoomed(form)), c.Zoomed) << c.Down << " to " << c.Up;
        EXPECT_EQ(bool(IsIconic(form)), c.Iconic) << c.Down << " to " << c.Up;
        EXPECT_EQ(GetCapture(), nullptr);
    }
    ShowWindow(form, SW_RESTORE);
}

TEST_F(TitleBar, TopEdgeDragKeepsTheBottomAndTheMinimumHeight) {
    Form->MinHeight = 250;
    Send(*Bar, WM_LBUTTONDOWN, DragX, 2); // screen row 202
    EXPECT_TRUE(Form->SysCommands.empty());
    const struct { int ScreenY, Top; } moves[] = {{150, 148}, {260, 148}, {252, 250}, {100, 98}};
    for (const auto& m : moves) {
        MoveToScreenY(m.ScreenY);
        RECT r{};
        GetWindowRect(Form->Handle(), &r);
        EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}),
                  (std::vector<LONG>{100, m.Top, 620, 500}))
            << m.ScreenY;
    }
    Send(*Bar, WM_LBUTTONUP, DragX, 0);
    EXPECT_FALSE(Bar->VertResizeMode());
}

TEST_F(TitleBar, TheTopStripSizesAndTheDragAreaMovesUnlessMaximized) {
    Send(*Bar, WM_LBUTTONDOWN, DragX, Mid);
    EXPECT_EQ(Form->SysCommands, std::vector<WPARAM>{MoveByCaption});
    EXPECT_NE(GetCapture(), Bar->Handle()) << "the move loop needs the capture";
    const HCURSOR sizing = LoadCursorW(nullptr, IDC_SIZENS), arrow = LoadCursorW(nullptr, IDC_ARROW);
    auto cursorAt = [&](int y) {
        Send(*Bar, WM_MOUSEMOVE, DragX, y);
        SendMessageW(Bar->Handle(), WM_SETCURSOR, WPARAM(Bar->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    EXPECT_EQ(cursorAt(3), sizing);
    EXPECT_EQ(cursorAt(4), arrow);
    ShowWindow(Form->Handle(), SW_MAXIMIZE);
    EXPECT_EQ(cursorAt(3), arrow);
    Send(*Bar, WM_LBUTTONDOWN, DragX, 3);
    EXPECT_FALSE(Bar->VertResizeMode()) << "a maximized form moves instead";
    EXPECT_EQ(Form->SysCommands, (std::vector<WPARAM>{MoveByCaption, MoveByCaption}));
    ShowWindow(Form->Handle(), SW_RESTORE);
}

TEST_F(TitleBar, LosingTheCaptureMidPressReturnsToNormal) {
    Send(*Bar, WM_LBUTTONDOWN, CloseX, 2);
    ASSERT_EQ(Bar->CloseButtonState(), bsActive);
    SetCapture(Form->Handle());
    EXPECT_EQ(Bar->CloseButtonState(), bsNormal);
    EXPECT_FALSE(Bar->VertResizeMode());
}

TEST_F(TitleBar, DoubleClickTogglesOnlyWithTheMaximizeButton) {
    Send(*Bar, WM_LBUTTONDBLCLK, DragX, Mid);
    EXPECT_FALSE(IsZoomed(Form->Handle()));
    Bar->SetMaximizeVisible(true);
    Form->Settle(); // the drag area shrinks with the next paint
    const std::pair<int, bool> clicks[] = {{CloseX, false}, {DragX, true}, {DragX, false}};
    for (const auto& [x, zoomed] : clicks) {
        Send(*Bar, WM_LBUTTONDBLCLK, x, Mid);
        EXPECT_EQ(bool(IsZoomed(Form->Handle())), zoomed) << x;
    }
}

VARIANT Id(LONG id) {
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = id;
    return v;
}

TEST_F(TitleBar, ScreenReadersSeeATitleBarWithItsCloseButton) {
    Bar->SetCaption(u"Quorvalent Install");
    EXPECT_FALSE(Bar->TabStop());
    TComPtr<IAccessible> acc;
    ASSERT_EQ(
        AccessibleObjectFromWindow(Bar->Handle(), DWORD(OBJID_CLIENT), AccessibleInterface, acc.PutVoid()),
        S_OK);
    auto text = [&](LONG child, bool action) {
        BSTR b = nullptr;
        action ? acc->get_accDefaultAction(Id(child), &b) : acc->get_accName(Id(child), &b);
        const std::u16string t = b ? U16(b, SysStringLen(b)) : u"";
        SysFreeString(b);
        return t;
    };
    auto number = [&](LONG child, bool state) {
        VARIANT v{};
        state ? acc->get_accState(Id(child), &v) : acc->get_accRole(Id(child), &v);
        return V_I4(&v);
    };
    EXPECT_EQ(number(0, false), ROLE_SYSTEM_TITLEBAR);
    EXPECT_EQ(text(0, false), u"Quorvalent Install");
    LONG count = 0, x = 0, y = 0, w = 0, h = 0;
    EXPECT_EQ(acc->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(number(1, false), ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(text(1, false), u"Close");
    EXPECT_EQ(text(1, true), u"Press");
    EXPECT_EQ(acc->accLocation(&x, &y, &w, &h, Id(1)), S_OK);
    EXPECT_EQ((std::vector<LONG>{x, y, w, h}), (std::vector<LONG>{572, 200, 48, 32}));
    VARIANT hit{};
    EXPECT_EQ(acc->accHitTest(580, 210, &hit), S_OK);
    EXPECT_EQ(V_I4(&hit), 1);

    Send(*Bar, WM_MOUSEMOVE, CloseX, Mid);
    EXPECT_EQ(number(1, true) & (STATE_SYSTEM_PRESSED | STATE_SYSTEM_HOTTRACKED), STATE_SYSTEM_HOTTRACKED);
    Send(*Bar, WM_LBUTTONDOWN, CloseX, Mid);
    EXPECT_EQ(number(1, true) & (STATE_SYSTEM_PRESSED | STATE_SYSTEM_HOTTRACKED), STATE_SYSTEM_PRESSED);
    Send(*Bar, WM_LBUTTONUP, 600, Mid);
    EXPECT_EQ(acc->accDoDefaultAction(Id(1)), S_OK);
    EXPECT_EQ(Form->Closes, 0) << "posted, not run inside the reader's call";
    PumpMessagesFor(1000, [&] { return Form->Closes > 0; });
    EXPECT_EQ(Form->Closes, 1);
}

// The halo is drawn with whatever pen width the previous paint left.

// The installer's bar (icon, caption, close only) and one with every button, below it.
class TitleBarScreenshot : public TitleBarBase,
                           public ::testing::WithParamInterface<std::tuple<float, const char16_t*>> {
protected:
    TTitleBar *Plain = nullptr, *Full = nullptr;
    int W = 0, A = 0, B = 0;

    void SetUp() override {
        Build(std::get<0>(GetParam()), std::get<1>(GetParam()), 72);
        Plain = &AddBar(0, false, false);
        Plain->SetIconImage(imgAppIcon);
        Plain->SetCaption(u"Quorvalent 3.3.0 Install");
        Full = &AddBar(40, true, true);
        Full->SetCaption(u"No icon, all buttons");
        W = r(520), A = r(48), B = r(32);
    }
    TScreenshot Shot(const std::string& Name) {
        return TakeScreenshot(*Form, std::string("title_bar_") + (Theme->IsLight() ? "light_" : "dark_") +
                                         std::to_string(TTheme::ScaleToPercent(Theme->ScaleFactor())) + "_" +
                                         Name);
    }
    uint32_t At(const TScreenshot& Shot, const TTitleBar* Bar, int X, int Y) const {
        return Shot.At(Bar->Handle(), Form->Handle(), X, Y);
    }
    uint32_t TopLine(const TScreenshot& Shot) const { return At(Shot, Plain, W / 2, 0); }
    uint32_t Cross(const TScreenshot& Shot) const { return At(Shot, Plain, W - r(29) + 4, r(11) + 4); }
    int Halo(const TScreenshot& Shot) const { return Shot.Count(W - A, 0, W, B, 0xCCCCCC); }
    // A button's fill, away from its glyph and the top line; Slot counts from the right.
    uint32_t Fill(const TScreenshot& Shot, const TTitleBar* Bar, int Slot) const {
        return At(Shot, Bar, W - Slot * A + r(4), B - r(4));
    }
    // The real pointer goes there too, so that no leave notification undoes the hover.
    void PointAt(TTitleBar* Bar, int X, int Y) {
        POINT p{X, Y};
        ClientToScreen(Bar->Handle(), &p);
        SetCursorPos(p.x, p.y);
        PumpMessagesFor(30);
        Send(*Bar, WM_MOUSEMOVE, X, Y);
    }
};

TEST_P(TitleBarScreenshot, EveryStateInTheThemeColours) {
    const bool light = Theme->IsLight();
    const uint32_t panel = Rgb(Theme->PanelColor()), plus = Rgb(Theme->ButtonPlusColor());
    TScreenshot s = Shot("normal");
    EXPECT_EQ(TopLine(s), light ? 0x707070u : panel);
    EXPECT_EQ(Cross(s), Rgb(Theme->TitleBarActiveColor()));
    EXPECT_EQ(Halo(s) > 0, light);

    const struct {
        TTitleBar* Bar;
        int Slot;
        std::string Name;
        uint32_t Hover, Pressed;
    } buttons[] = {{Plain, 1, "close", 0xE81123, 0xF1707A},
                   {Full, 2, "maximize", plus, Rgb(Theme->ButtonActiveColor())},
                   {Full, 3, "minimize", plus, Rgb(Theme->ButtonActiveColor())}};
    for (const auto& b : buttons) {
        PointAt(b.Bar, W - b.Slot * A + A / 2, B / 2);
        s = Shot(b.Name + "_hover");
        EXPECT_EQ(Fill(s, b.Bar, b.Slot), b.Hover) << b.Name;
        Send(*b.Bar, WM_LBUTTONDOWN, W - b.Slot * A + A / 2, B / 2);
        const TScreenshot pressed = Shot(b.Name + "_pressed");
        EXPECT_EQ(Fill(pressed, b.Bar, b.Slot), b.Pressed) << b.Name;
        if (b.Bar == Plain) {
            EXPECT_EQ((std::vector<uint32_t>{Cross(s), Cross(pressed)}),
                      (std::vector<uint32_t>{0xFFFFFF, 0xFFFFFF}));
            EXPECT_EQ(Halo(s) + Halo(pressed), 0);
        }
        Send(*b.Bar, WM_LBUTTONUP, -1000, -1000);
    }
    SetCursorPos(1270, 1010);
    {
        TTestHost other(40, 40, 1200, 900);
        SetActiveWindow(other.Handle());
        s = Shot("inactive");
        EXPECT_EQ(TopLine(s), light ? 0xAAAAAAu : panel);
        EXPECT_EQ(Cross(s), Rgb(Theme->TitleBarInactiveColor()));
    }
    Activate();
    ShowWindow(Form->Handle(), SW_MAXIMIZE);
    s = Shot("maximized");
    EXPECT_EQ(TopLine(s), panel) << "no top line";
    // The restore glyph's front window starts r(2) lower than the maximize glyph.
    const int left = W - r(77) + ScaleValueTrunc(1) - 1, top = r(11) + ScaleValueTrunc(1) - 1;
    EXPECT_EQ(At(s, Full, left, top), panel);
    EXPECT_EQ(At(s, Full, left, top + r(13) - r(11)), Rgb(Theme->TitleBarActiveColor()));
    ShowWindow(Form->Handle(), SW_RESTORE);
}

INSTANTIATE_TEST_SUITE_P(TitleBarScalesAndPalettes, TitleBarScreenshot,
                         ::testing::Combine(::testing::Values(1.0f, 1.5f),
                                            ::testing::Values(u"Light", u"Dark")));

} // namespace
