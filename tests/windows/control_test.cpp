#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/windows/test_host.h"
#include "ucl/control_win.h"
#include "ucl/shadow_form_win.h"

namespace {

class TRecordingControl : public TControl {
public:
    explicit TRecordingControl(HWND parent) {
        CreateControl(ChildParams(parent, L"QuorvalentRecordingControl", 40, 20, false));
    }
    std::vector<std::string> Events;
    COLORREF Fill = RGB(10, 200, 30);

protected:
    void Paint(HDC dc, const TRect& client) override {
        Events.push_back("paint " + std::to_string(client.Width()) + "x" + std::to_string(client.Height()));
        FillSolidRect(dc, client, Fill);
    }
    void MouseMove(int x, int y) override {
        Events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    }
    void MouseLeave() override { Events.push_back("leave"); }
    void MouseDown(TMouseButton b, int x, int y) override {
        Events.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y) +
                         (GetCapture() == Handle() ? " captured" : ""));
    }
    void MouseUp(TMouseButton b, int x, int y) override {
        Events.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y) +
                         (GetCapture() == Handle() ? " captured" : ""));
    }
};

LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

using Events = std::vector<std::string>;

TEST(Control, EveryMoveRequestsTheLeaveNotification) {
    TTestHost host(200, 100, 40, 40);
    TRecordingControl control(host.Handle());
    control.SetBounds(10, 10, 40, 20);
    SetCursorPos(60, 60); // over the control
    PumpMessagesFor(50);
    control.Events.clear();
    SendMessageW(control.Handle(), WM_MOUSEMOVE, 0, Point(5, 6));
    TRACKMOUSEEVENT query{sizeof(query), TME_QUERY, nullptr, 0};
    ASSERT_TRUE(TrackMouseEvent(&query));
    EXPECT_TRUE(query.dwFlags & TME_LEAVE);
    EXPECT_EQ(query.hwndTrack, control.Handle());

    SetCursorPos(600, 600);
    PumpMessagesFor(10000, [&] { return !control.Events.empty() && control.Events.back() == "leave"; });
    EXPECT_EQ(control.Events, (Events{"move 5,6", "leave"}));

    // The request ends with the leave; the next move asks again.
    SetCursorPos(60, 60);
    SendMessageW(control.Handle(), WM_MOUSEMOVE, 0, Point(7, 8));
    query = {sizeof(query), TME_QUERY, nullptr, 0};
    ASSERT_TRUE(TrackMouseEvent(&query));
    EXPECT_EQ(query.hwndTrack, control.Handle());
}

TEST(Control, ALeftPressHoldsTheCaptureUntilItsRelease) {
    TTestHost host(200, 100);
    TRecordingControl control(host.Handle());
    control.Events.clear();
    SendMessageW(control.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, Point(3, 4));
    EXPECT_EQ(GetCapture(), control.Handle());
    SendMessageW(control.Handle(), WM_LBUTTONUP, 0, Point(-7, 50));
    EXPECT_EQ(GetCapture(), nullptr);
    SendMessageW(control.Handle(), WM_RBUTTONDOWN, MK_RBUTTON, Point(1, 1));
    SendMessageW(control.Handle(), WM_MBUTTONUP, 0, Point(2, 2));
    EXPECT_EQ(control.Events, (Events{"down 0 3,4 captured", "up 0 -7,50", "down 1 1,1", "up 2 2,2"}));
}

TEST(Control, PaintsTheWholeClientThroughTheBuffer) {
    TTestHost host(200, 100);
    TRecordingControl control(host.Handle());
    control.SetBounds(20, 30, 40, 20);
    EXPECT_EQ(control.Left(), 20);
    EXPECT_EQ(control.Top(), 30);
    EXPECT_EQ(control.ClientRect(), (TRect{0, 0, 40, 20}));
    EXPECT_EQ(SendMessageW(control.Handle(), WM_ERASEBKGND, 0, 0), 1) << "no background erase to flicker";
    host.Settle();
    control.Events.clear();
    control.Fill = RGB(200, 20, 90);
    control.Invalidate();
    host.Settle();
    EXPECT_EQ(control.Events, Events{"paint 40x20"});
    int w, h;
    const auto pixels = host.Capture(w, h);
    EXPECT_EQ(pixels[size_t(30) * w + 20], 0xC8145Au);
    EXPECT_EQ(pixels[size_t(49) * w + 59], 0xC8145Au);
    EXPECT_EQ(pixels[size_t(50) * w + 60], 0xFFFFFFu);

    control.SetVisible(false);
    EXPECT_FALSE(control.Visible());
    control.SetEnabled(false);
    EXPECT_FALSE(control.Enabled());
}

TEST(ShadowForm, IsAHiddenTopmostPopupWithAShadow) {
    TTestHost owner(100, 100);
    TShadowForm form(owner.Handle());
    EXPECT_FALSE(IsWindowVisible(form.Handle()));
    const LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
    // The platform adds WS_CLIPSIBLINGS to every top-level window.
    EXPECT_EQ(style & ~WS_CLIPSIBLINGS, LONG(WS_POPUP));
    EXPECT_TRUE(GetWindowLongW(form.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(GetClassLongPtrW(form.Handle(), GCL_STYLE) & CS_DROPSHADOW);
    EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), owner.Handle());
    EXPECT_EQ(SendMessageW(form.Handle(), WM_MOUSEACTIVATE, WPARAM(owner.Handle()),
                           MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)),
              MA_NOACTIVATE);
}

class TRecordingShadow : public TShadowForm {
public:
    using TShadowForm::TShadowForm;
    int Presses = 0;

protected:
    void MouseDown(TMouseButton, int, int) override { ++Presses; }
};

TEST(ShadowForm, ClickingItLeavesTheActivationWhereItWas) {
    TTestHost owner(300, 200, 100, 100);
    SetForegroundWindow(owner.Handle());
    SetActiveWindow(owner.Handle());
    SetFocus(owner.Handle());
    PumpMessagesFor(50);
    ASSERT_EQ(GetActiveWindow(), owner.Handle());
    TRecordingShadow form(owner.Handle());
    SetWindowPos(form.Handle(), HWND_TOPMOST, 500, 400, 120, 80, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    form.SetVisible(true);
    PumpMessagesFor(50);
    EXPECT_EQ(GetActiveWindow(), owner.Handle()) << "showing does not activate";

    SetCursorPos(540, 430);
    INPUT clicks[2]{};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, clicks, sizeof(INPUT)), 2u);
    PumpMessagesFor(10000, [&] { return form.Presses > 0; });
    ASSERT_EQ(form.Presses, 1) << "the click reached the shadow window";
    EXPECT_EQ(GetActiveWindow(), owner.Handle());
    EXPECT_EQ(GetFocus(), owner.Handle());
}

} // namespace
