#include <oleacc.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "tests/windows/test_host.h"
#include "ucl/accessible_win.h"
#include "ucl/control_win.h"
#include "utils/text_win.h"
#include "utils/com_win.h"

namespace {

// A control as the library's will be; its elements are 20-pixel buttons along its right edge.
class TTestControl : public TControl {
public:
    explicit TTestControl(HWND parent) {
        CreateControl(ChildParams(parent, L"QuorvalentAccessibleTest", 120, 24, false));
    }
    std::u16string Value;
    std::vector<std::u16string> Elements;
    bool Checked = false;
    bool Throws = false;
    std::vector<int> Actions;
    std::function<void()> OnAction;
    TAccessible* Accessible() const noexcept { return AccessibleObject(); }

    HWND AccessibleWindow() const noexcept override { return Handle(); }
    int AccessibleChildCount() const override { return int(Elements.size()); }
    std::u16string AccessibleName(int child) const override {
        if (Throws) {
            throw std::bad_alloc();
        }
        return child ? Elements[child - 1] : u"Destination folder";
    }
    std::u16string AccessibleValue(int child) const override { return child ? u"" : Value; }
    LONG AccessibleRole(int child) const override {
        return child ? ROLE_SYSTEM_PUSHBUTTON : ROLE_SYSTEM_CHECKBUTTON;
    }
    LONG AccessibleState(int child) const override {
        return TAccessibleProvider::AccessibleState(child) | (!child && Checked ? STATE_SYSTEM_CHECKED : 0);
    }
    std::u16string AccessibleDefaultAction(int child) const override { return child ? u"Press" : u"Check"; }
    bool AccessibleDoDefaultAction(int child) override {
        Actions.push_back(child);
        if (OnAction) {
            OnAction();
        }
        return true;
    }
    RECT AccessibleLocation(int child) const override {
        RECT r = TAccessibleProvider::AccessibleLocation(CHILDID_SELF);
        if (child) {
            r.right -= 20 * (AccessibleChildCount() - child);
            r.left = r.right - 20;
        }
        return r;
    }
};

VARIANT Id(LONG id, VARTYPE type = VT_I4) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    V_I4(&v) = id;
    return v;
}

using R = std::pair<HRESULT, LONG>; // a VT_I4 answer; -1 for VT_EMPTY
using T = std::pair<HRESULT, std::u16string>;
using TTextMethod = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);

R Answer(const std::function<HRESULT(VARIANT*)>& call) {
    VARIANT v = Id(12345);
    const HRESULT hr = call(&v);
    const R result{hr, V_VT(&v) == VT_I4 ? V_I4(&v) : V_VT(&v) == VT_EMPTY ? -1 : -2};
    VariantClear(&v);
    return result;
}

// A string comes only with S_OK.
T CallText(IAccessible* acc, TTextMethod method, VARIANT child) {
    BSTR b = nullptr;
    const HRESULT hr = (acc->*method)(child, &b);
    EXPECT_EQ(hr == S_OK, b != nullptr);
    T result{hr, b ? U16(b, SysStringLen(b)) : u""};
    SysFreeString(b);
    return result;
}

// What each method that names an element answers about child c.
std::vector<HRESULT> ChildAnswers(IAccessible* a, VARIANT c) {
    std::vector<HRESULT> r;
    for (const TTextMethod m : {&IAccessible::get_accName, &IAccessible::get_accValue,
                                &IAccessible::get_accDescription, &IAccessible::get_accHelp,
                                &IAccessible::get_accKeyboardShortcut, &IAccessible::get_accDefaultAction}) {
        r.push_back(CallText(a, m, c).first);
    }
    r.push_back(Answer([&](VARIANT* v) { return a->get_accRole(c, v); }).first);
    r.push_back(Answer([&](VARIANT* v) { return a->get_accState(c, v); }).first);
    r.push_back(Answer([&](VARIANT* v) { return a->accNavigate(NAVDIR_NEXT, c, v); }).first);
    BSTR file = nullptr;
    LONG n[4];
    TComPtr<IDispatch> child;
    r.insert(r.end(), {a->get_accHelpTopic(&file, c, n), a->get_accChild(c, child.Put()),
                       a->accLocation(n, n + 1, n + 2, n + 3, c), a->accSelect(SELFLAG_NONE, c),
                       a->accDoDefaultAction(c)});
    SysFreeString(file);
    return r;
}

// What the methods about the control as a whole answer.
std::vector<HRESULT> SelfAnswers(IAccessible* a) {
    LONG count;
    UINT infos;
    TComPtr<IDispatch> parent;
    return {a->get_accParent(parent.Put()),
            a->get_accChildCount(&count),
            a->GetTypeInfoCount(&infos),
            Answer([&](VARIANT* v) { return a->get_accFocus(v); }).first,
            Answer([&](VARIANT* v) { return a->get_accSelection(v); }).first,
            Answer([&](VARIANT* v) { return a->accHitTest(70, 80, v); }).first};
}

std::vector<HRESULT> NullOutAnswers(IAccessible* a) {
    const VARIANT self = Id(0);
    BSTR b = nullptr;
    LONG n;
    return {a->get_accName(self, nullptr),
            a->get_accValue(self, nullptr),
            a->get_accDescription(self, nullptr),
            a->get_accHelp(self, nullptr),
            a->get_accKeyboardShortcut(self, nullptr),
            a->get_accDefaultAction(self, nullptr),
            a->get_accRole(self, nullptr),
            a->get_accState(self, nullptr),
            a->get_accHelpTopic(nullptr, self, &n),
            a->get_accHelpTopic(&b, self, nullptr),
            a->get_accChild(self, nullptr),
            a->accLocation(&n, &n, &n, nullptr, self),
            a->accNavigate(NAVDIR_FIRSTCHILD, self, nullptr),
            a->accHitTest(70, 80, nullptr),
            a->get_accParent(nullptr),
            a->get_accChildCount(nullptr),
            a->get_accFocus(nullptr),
            a->get_accSelection(nullptr),
            a->QueryInterface(AccessibleInterface, nullptr),
            a->GetTypeInfoCount(nullptr)};
}

// The control sits at (60, 70) on the screen, 120 by 24; Acc is what a screen reader gets.
class Accessible : public ::testing::Test {
protected:
    TTestHost Host{300, 100, 40, 40};
    std::unique_ptr<TTestControl> Control;
    TComPtr<IAccessible> Acc;

    void SetUp() override { ASSERT_NO_FATAL_FAILURE(NewControl()); }
    void NewControl() {
        Control = std::make_unique<TTestControl>(Host.Handle());
        Control->SetBounds(20, 30, 120, 24);
        ASSERT_EQ(Control->Accessible(), nullptr) << "made only when asked";
        ASSERT_NO_FATAL_FAILURE(Request());
    }
    // Wine hands out its standard object when the control does not answer.
    void Request() {
        ASSERT_EQ(AccessibleObjectFromWindow(Control->Handle(), DWORD(OBJID_CLIENT), AccessibleInterface,
                                             Acc.PutVoid()),
                  S_OK);
        ASSERT_EQ(Acc.Get(), Control->Accessible());
    }
    T Text(TTextMethod method, LONG child) { return CallText(Acc.Get(), method, Id(child)); }
    R Role(LONG child) {
        return Answer([&](VARIANT* v) { return Acc->get_accRole(Id(child), v); });
    }
    R State(LONG child) {
        return Answer([&](VARIANT* v) { return Acc->get_accState(Id(child), v); });
    }
    R Focus() {
        return Answer([&](VARIANT* v) { return Acc->get_accFocus(v); });
    }
    std::vector<LONG> Location(LONG child) {
        LONG x = -1, y = -1, w = -1, h = -1;
        const HRESULT hr = Acc->accLocation(&x, &y, &w, &h, Id(child));
        return {hr, x, y, w, h};
    }
    void FocusOn(HWND window) {
        SetForegroundWindow(Host.Handle());
        SetFocus(window);
        PumpMessagesFor(20);
    }
};

} // namespace

TEST_F(Accessible, ReportsWhatTheControlSays) {
    Control->Value = u"C:\\Quorvalent";
    EXPECT_EQ(Role(0), R(S_OK, ROLE_SYSTEM_CHECKBUTTON));
    EXPECT_EQ(Text(&IAccessible::get_accName, 0), T(S_OK, u"Destination folder"));
    EXPECT_EQ(Text(&IAccessible::get_accValue, 0), T(S_OK, u"C:\\Quorvalent"));
    EXPECT_EQ(Text(&IAccessible::get_accDefaultAction, 0), T(S_OK, u"Check"));
    Control->Value.clear();
    for (const TTextMethod none : {&IAccessible::get_accValue, &IAccessible::get_accDescription,
                                   &IAccessible::get_accKeyboardShortcut}) {
        EXPECT_EQ(Text(none, 0), T(S_FALSE, u""));
    }
    EXPECT_EQ(Text(&IAccessible::get_accHelp, 0), T(DISP_E_MEMBERNOTFOUND, u""));
    EXPECT_EQ(Answer([&](VARIANT* v) { return Acc->get_accSelection(v); }), R(S_FALSE, -1));
    EXPECT_EQ(Location(0), (std::vector<LONG>{S_OK, 60, 70, 120, 24}));
    EXPECT_EQ(Acc->accDoDefaultAction(Id(0)), S_OK);
    EXPECT_EQ(Control->Actions, std::vector<int>{0});
    EXPECT_EQ(Acc->put_accName(Id(0), nullptr), E_NOTIMPL);
    void* other = &other;
    EXPECT_EQ(Acc->QueryInterface(IID_IEnumVARIANT, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    Control->Throws = true;
    EXPECT_EQ(Text(&IAccessible::get_accName, 0), T(E_OUTOFMEMORY, u"")) << "no exception into the caller";
}

TEST_F(Accessible, StateAndFocusFollowTheControlLive) {
    FocusOn(Host.Handle());
    EXPECT_EQ(State(0), R(S_OK, 0));
    EXPECT_EQ(Focus(), R(S_FALSE, -1));
    Control->Checked = true;
    FocusOn(Control->Handle());
    EXPECT_EQ(State(0), R(S_OK, STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSED));
    EXPECT_EQ(Focus(), R(S_OK, CHILDID_SELF));
    Control->SetEnabled(false);
    EXPECT_EQ(State(0), R(S_OK, STATE_SYSTEM_CHECKED | STATE_SYSTEM_UNAVAILABLE));
    EXPECT_EQ(Focus(), R(S_FALSE, -1));
    Control->Checked = false;
    Control->SetVisible(false);
    EXPECT_EQ(State(0), R(S_OK, STATE_SYSTEM_UNAVAILABLE | STATE_SYSTEM_INVISIBLE));
}

TEST_F(Accessible, SelectTakesTheFocusWhenTheControlCanHaveIt) {
    FocusOn(Host.Handle());
    Control->SetEnabled(false);
    EXPECT_EQ(Acc->accSelect(SELFLAG_TAKEFOCUS, Id(0)), S_FALSE);
    Control->SetEnabled(true);
    EXPECT_EQ(Acc->accSelect(SELFLAG_TAKESELECTION, Id(0)), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Acc->accSelect(SELFLAG_TAKEFOCUS | 0x40, Id(0)), E_INVALIDARG);
    EXPECT_NE(GetFocus(), Control->Handle());
    EXPECT_EQ(Acc->accSelect(SELFLAG_TAKEFOCUS, Id(0)), S_OK);
    EXPECT_EQ(GetFocus(), Control->Handle());
}

TEST_F(Accessible, TheTitleBarShowsItsCloseButton) {
    Control->Elements = {u"Close"};
    LONG count = -1;
    EXPECT_EQ(Acc->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 1);
    TComPtr<IDispatch> child;
    EXPECT_EQ(Acc->get_accChild(Id(1), child.Put()), S_FALSE) << "a simple element";
    EXPECT_FALSE(child);
    EXPECT_EQ(Text(&IAccessible::get_accName, 1), T(S_OK, u"Close"));
    EXPECT_EQ(Role(1), R(S_OK, ROLE_SYSTEM_PUSHBUTTON));
    EXPECT_EQ(Text(&IAccessible::get_accDefaultAction, 1), T(S_OK, u"Press"));
    EXPECT_EQ(Location(1), (std::vector<LONG>{S_OK, 160, 70, 20, 24}));
    FocusOn(Control->Handle());
    EXPECT_EQ(State(1), R(S_OK, 0)) << "the focus is the bar's";
    EXPECT_EQ(Acc->accDoDefaultAction(Id(1)), S_OK);
    EXPECT_EQ(Control->Actions, std::vector<int>{1});
    // How a screen reader lists them.
    VARIANT children[3];
    LONG obtained = 0;
    EXPECT_EQ(AccessibleChildren(Acc.Get(), 0, 3, children, &obtained), S_FALSE) << "fewer than asked";
    ASSERT_EQ(obtained, 1);
    EXPECT_EQ(V_VT(&children[0]), VT_I4);
    EXPECT_EQ(V_I4(&children[0]), 1);
}

TEST_F(Accessible, HitTestFindsTheElementUnderTheScreenPoint) {
    Control->Elements = {u"Close"};
    const struct {
        LONG x, y;
        R hit;
    } points[] = {{59, 70, {S_FALSE, -1}}, {60, 70, {S_OK, 0}},  {159, 93, {S_OK, 0}},
                  {160, 70, {S_OK, 1}},    {179, 93, {S_OK, 1}}, {180, 70, {S_FALSE, -1}},
                  {160, 94, {S_FALSE, -1}}};
    for (const auto& p : points) {
        EXPECT_EQ(Answer([&](VARIANT* v) { return Acc->accHitTest(p.x, p.y, v); }), p.hit)
            << p.x << "," << p.y;
    }
    // The mouse path of a screen reader, from the top-level window down through Wine's objects.
    TComPtr<IAccessible> under;
    VARIANT child;
    ASSERT_EQ(AccessibleObjectFromPoint(POINT{165, 75}, under.Put(), &child), S_OK);
    EXPECT_EQ(under.Get(), Acc.Get());
    EXPECT_EQ(V_VT(&child), VT_I4);
    EXPECT_EQ(V_I4(&child), 1);
}

TEST_F(Accessible, NavigatesAmongTheElementsOnly) {
    Control->Elements = {u"Minimize", u"Maximize", u"Close"};
    const struct {
        LONG dir, start;
        R end;
    } moves[] = {
        {NAVDIR_FIRSTCHILD, 0, {S_OK, 1}},   {NAVDIR_LASTCHILD, 0, {S_OK, 3}},
        {NAVDIR_NEXT, 1, {S_OK, 2}},         {NAVDIR_NEXT, 3, {S_FALSE, -1}},
        {NAVDIR_PREVIOUS, 2, {S_OK, 1}},     {NAVDIR_PREVIOUS, 1, {S_FALSE, -1}},
        {NAVDIR_NEXT, 0, {S_FALSE, -1}},     {NAVDIR_FIRSTCHILD, 2, {S_FALSE, -1}},
        {NAVDIR_LEFT, 2, {E_NOTIMPL, -1}},   {NAVDIR_MIN, 0, {E_INVALIDARG, -1}},
        {NAVDIR_MAX, 0, {E_INVALIDARG, -1}}, {NAVDIR_NEXT, 4, {E_INVALIDARG, -1}},
    };
    for (const auto& m : moves) {
        EXPECT_EQ(Answer([&](VARIANT* v) { return Acc->accNavigate(m.dir, Id(m.start), v); }), m.end)
            << m.dir << " from " << m.start;
    }
}

TEST_F(Accessible, RefusesBadChildIdsAndNullOutPointers) {
    Control->Elements = {u"Close"};
    LONG zero = 0;
    VARIANT byRef = Id(0, VT_I4 | VT_BYREF);
    V_I4REF(&byRef) = &zero;
    for (const VARIANT& id :
         {Id(-1), Id(2), Id(LONG(0x80000000)), Id(0, VT_I2), Id(0, VT_EMPTY), Id(1, VT_UI4), byRef}) {
        EXPECT_EQ(ChildAnswers(Acc.Get(), id), std::vector<HRESULT>(14, E_INVALIDARG))
            << V_VT(&id) << " " << V_I4(&id);
    }
    EXPECT_TRUE(Control->Actions.empty());
    EXPECT_EQ(NullOutAnswers(Acc.Get()), std::vector<HRESULT>(20, E_POINTER));
}

// Wine's window object answers little more than its window (and a hit test of its client area,
// which AccessibleObjectFromPoint goes through).
TEST_F(Accessible, TheParentIsTheStandardObjectOfTheControlsWindow) {
    TComPtr<IDispatch> parent;
    ASSERT_EQ(Acc->get_accParent(parent.Put()), S_OK);
    TComPtr<IOleWindow> window;
    ASSERT_EQ(parent->QueryInterface(IID_IOleWindow, window.PutVoid()), S_OK);
    HWND found = nullptr;
    EXPECT_EQ(window->GetWindow(&found), S_OK);
    EXPECT_EQ(found, Control->Handle());
    found = nullptr;
    EXPECT_EQ(WindowFromAccessibleObject(Acc.Get(), &found), S_OK);
    EXPECT_EQ(found, Control->Handle());
}

TEST_F(Accessible, AnswersTheClientObjectHoweverItsIdIsExtended) {
    const HWND window = Control->Handle();
    EXPECT_EQ(SendMessageW(window, WM_GETOBJECT, 0, OBJID_WINDOW),
              DefWindowProcW(window, WM_GETOBJECT, 0, OBJID_WINDOW));
    for (const LPARAM id : {LPARAM(DWORD(OBJID_CLIENT)), LPARAM(LONG(OBJID_CLIENT))}) {
        TComPtr<IAccessible> acc;
        ASSERT_EQ(ObjectFromLresult(SendMessageW(window, WM_GETOBJECT, 0, id), AccessibleInterface, 0,
                                    acc.PutVoid()),
                  S_OK);
        EXPECT_EQ(acc.Get(), Acc.Get()) << std::hex << id;
    }
    EXPECT_EQ(AnswerGetObject(window, 0, OBJID_CLIENT, nullptr),
              DefWindowProcW(window, WM_GETOBJECT, 0, OBJID_CLIENT));
    TAccessibleLink closed(*Control);
    closed.Disconnect();
    EXPECT_EQ(closed.WMGetObject(0, OBJID_CLIENT), DefWindowProcW(window, WM_GETOBJECT, 0, OBJID_CLIENT));
    EXPECT_EQ(closed.Get(), nullptr) << "a window being torn down makes no new object";
}

TEST_F(Accessible, AReferenceHeldAfterTheControlIsGoneFailsSafely) {
    const struct {
        const char* way;
        std::function<void(std::unique_ptr<TTestControl>&)> end;
    } ways[] = {
        {"window destroyed", [](auto& control) { DestroyWindow(control->Handle()); }},
        {"control deleted", [](auto& control) { control.reset(); }},
        {"destroyed by its own action",
         [](auto& control) {
             control->OnAction = [&] { DestroyWindow(control->Handle()); };
             EXPECT_EQ(control->Accessible()->accDoDefaultAction(Id(0)), S_OK);
         }},
    };
    for (const auto& w : ways) {
        ASSERT_NO_FATAL_FAILURE(NewControl());
        IAccessible* held = Acc.Get();
        held->AddRef();
        for (int i = 0; i < 3; ++i) {
            ASSERT_NO_FATAL_FAILURE(Request());
        }
        Acc.Reset();
        held->AddRef();
        EXPECT_EQ(held->Release(), 2u) << "requests pile nothing up: the control's and ours";
        // An answer that no screen reader collects holds references until the control disconnects.
        SendMessageW(Control->Handle(), WM_GETOBJECT, 0, OBJID_CLIENT);
        w.end(Control);
        EXPECT_EQ(ChildAnswers(held, Id(0)), std::vector<HRESULT>(14, RPC_E_DISCONNECTED)) << w.way;
        EXPECT_EQ(SelfAnswers(held), std::vector<HRESULT>(6, RPC_E_DISCONNECTED)) << w.way;
        TComPtr<IDispatch> still;
        EXPECT_EQ(held->QueryInterface(IID_IDispatch, still.PutVoid()), S_OK) << "still a COM object";
        still.Reset();
        EXPECT_EQ(held->Release(), 0u) << w.way << ": nothing else holds it";
    }
}
