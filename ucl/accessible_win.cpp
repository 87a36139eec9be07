#include "ucl/accessible_win.h"
#include "utils/text_win.h"
#include "utils/module_win.h"

#include <algorithm>
#include <new>

namespace {

// Defined here rather than taken from the GUID library.
constexpr IID UnknownInterface = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID DispatchInterface = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// oleacc is not among the DLLs Windows always takes from System32, so it is loaded from there
// at run time rather than imported.
struct TOleacc {
    TSystemLibrary Library{L"oleacc.dll"};
    LPFNLRESULTFROMOBJECT LresultFromObject = Library.Proc<LPFNLRESULTFROMOBJECT>("LresultFromObject");
    LPFNACCESSIBLEOBJECTFROMWINDOW AccessibleObjectFromWindow =
        Library.Proc<LPFNACCESSIBLEOBJECTFROMWINDOW>("AccessibleObjectFromWindow");
};

const TOleacc& Oleacc() noexcept {
    // Loaded at the first request and kept for the process, so the pointers stay valid. Only the
    // user-interface thread asks, where the windows and their objects live.
    static const TOleacc oleacc;
    return oleacc;
}

// The automation library allocates the strings a screen reader receives. It is loaded when a
// reader first asks for one, in the same way, rather than by every start of the installer.
struct TOleaut {
    using TSysAllocStringLen = BSTR(WINAPI*)(const OLECHAR*, UINT);
    TSystemLibrary Library{L"oleaut32.dll"};
    TSysAllocStringLen SysAllocStringLen = Library.Proc<TSysAllocStringLen>("SysAllocStringLen");
};

const TOleaut& Oleaut() noexcept {
    static const TOleaut oleaut;
    return oleaut;
}

// The object id travels as a DWORD in a pointer-sized parameter: Wine's oleacc zero-extends
// it, other senders sign-extend it, so only the low 32 bits count.
bool IsClientObjectRequest(LPARAM lParam) noexcept {
    return static_cast<LONG>(static_cast<DWORD>(lParam)) == OBJID_CLIENT;
}

// No exception may cross the COM boundary into the caller, often another process.
template <typename F> HRESULT Guarded(F Body) noexcept {
    try {
        return Body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// Empty text is no text: the caller gets S_FALSE and a null string.
HRESULT ToBSTR(const std::u16string& Text, BSTR& Result) noexcept {
    if (Text.empty()) {
        return S_FALSE;
    }
    const auto allocate = Oleaut().SysAllocStringLen;
    Result = allocate ? allocate(WStr(Text), static_cast<UINT>(Text.size())) : nullptr;
    return Result ? S_OK : E_OUTOFMEMORY;
}

// What VariantInit does, without loading the automation library for it.
void InitVariant(VARIANT* Value) noexcept {
    V_VT(Value) = VT_EMPTY;
}

HRESULT SetI4(VARIANT& Result, LONG Value) noexcept {
    V_VT(&Result) = VT_I4;
    V_I4(&Result) = Value;
    return S_OK;
}

} // namespace

// ---- TAccessibleProvider ----

std::u16string TAccessibleProvider::AccessibleValue(int) const {
    return {};
}

std::u16string TAccessibleProvider::AccessibleDescription(int) const {
    return {};
}

LONG TAccessibleProvider::AccessibleState(int Child) const {
    const LONG state = WindowState(AccessibleWindow());
    // The keyboard focus belongs to the window, never to an element drawn inside it.
    return Child == CHILDID_SELF ? state : state & ~STATE_SYSTEM_FOCUSED;
}

std::u16string TAccessibleProvider::AccessibleDefaultAction(int) const {
    return {};
}

bool TAccessibleProvider::AccessibleDoDefaultAction(int) {
    return false;
}

RECT TAccessibleProvider::AccessibleLocation(int Child) const {
    RECT r{};
    if (Child == CHILDID_SELF) {
        GetWindowRect(AccessibleWindow(), &r);
    }
    return r;
}

std::optional<int> TAccessibleProvider::AccessibleHitTest(POINT ScreenPoint) const {
    const RECT bounds = AccessibleLocation(CHILDID_SELF);
    if (!PtInRect(&bounds, ScreenPoint)) {
        return std::nullopt;
    }
    for (int child = 1; child <= AccessibleChildCount(); ++child) {
        const RECT r = AccessibleLocation(child);
        if (PtInRect(&r, ScreenPoint)) {
            return child;
        }
    }
    return CHILDID_SELF;
}

std::u16string TAccessibleProvider::AccessibleKeyboardShortcut(int) const {
    return {};
}

LONG TAccessibleProvider::WindowState(HWND Window) noexcept {
    LONG state = 0;
    if (!IsWindowVisible(Window)) {
        state |= STATE_SYSTEM_INVISIBLE;
    }
    if (!IsWindowEnabled(Window)) {
        state |= STATE_SYSTEM_UNAVAILABLE;
    }
    if (Window && GetFocus() == Window) {
        state |= STATE_SYSTEM_FOCUSED;
    }
    return state;
}

// ---- TAccessible: IUnknown and IDispatch ----

void TAccessible::Disconnect() noexcept {
    if (!FProvider) {
        return;
    }
    FProvider = nullptr;
    // Marshalling left stubs that hold references until their clients let go, which a screen
    // reader that crashed (or never collected its answer) never does; cutting them frees this
    // object with its control. Last: it may release what keeps this object alive.
    CoDisconnectObject(static_cast<IAccessible*>(this), 0);
}

HRESULT TAccessible::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, UnknownInterface) || IsEqualIID(riid, DispatchInterface) ||
        IsEqualIID(riid, AccessibleInterface)) {
        *ppv = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG TAccessible::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&FRefCount));
}

ULONG TAccessible::Release() {
    const LONG count = InterlockedDecrement(&FRefCount);
    if (count == 0) {
        delete this;
    }
    return static_cast<ULONG>(count);
}

HRESULT TAccessible::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo) {
        return E_POINTER;
    }
    *pctinfo = 0;
    return FProvider ? S_OK : RPC_E_DISCONNECTED;
}

HRESULT TAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo) {
        *ppTInfo = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT TAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

HRESULT TAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// ---- TAccessible: IAccessible ----

template <typename F> HRESULT TAccessible::ForChild(const VARIANT& Child, F Body) const noexcept {
    return Guarded([&] {
        if (!FProvider) {
            return RPC_E_DISCONNECTED;
        }
        if (V_VT(&Child) != VT_I4 || V_I4(&Child) < CHILDID_SELF ||
            V_I4(&Child) > FProvider->AccessibleChildCount()) {
            return E_INVALIDARG;
        }
        return Body(static_cast<int>(V_I4(&Child)));
    });
}

HRESULT TAccessible::TextProperty(const VARIANT& Child, BSTR* Result, TTextGetter Get) const noexcept {
    if (!Result) {
        return E_POINTER;
    }
    *Result = nullptr;
    return ForChild(Child, [&](int id) { return ToBSTR((FProvider->*Get)(id), *Result); });
}

HRESULT TAccessible::get_accParent(IDispatch** ppdispParent) {
    if (!ppdispParent) {
        return E_POINTER;
    }
    *ppdispParent = nullptr;
    if (!FProvider) {
        return RPC_E_DISCONNECTED;
    }
    const auto fromWindow = Oleacc().AccessibleObjectFromWindow;
    const HWND window = FProvider->AccessibleWindow();
    // The window object of our own window: it leads on to the parent window's tree.
    if (!fromWindow || !window ||
        FAILED(fromWindow(window, static_cast<DWORD>(OBJID_WINDOW), DispatchInterface,
                          reinterpret_cast<void**>(ppdispParent))) ||
        !*ppdispParent) {
        *ppdispParent = nullptr;
        return S_FALSE;
    }
    return S_OK;
}

HRESULT TAccessible::get_accChildCount(LONG* pcountChildren) {
    if (!pcountChildren) {
        return E_POINTER;
    }
    *pcountChildren = 0;
    if (!FProvider) {
        return RPC_E_DISCONNECTED;
    }
    return Guarded([&] {
        *pcountChildren = std::max(FProvider->AccessibleChildCount(), 0);
        return S_OK;
    });
}

HRESULT TAccessible::get_accChild(VARIANT varChild, IDispatch** ppdispChild) {
    if (!ppdispChild) {
        return E_POINTER;
    }
    *ppdispChild = nullptr;
    // Every element is simple: the caller goes on with this object and the child id.
    return ForChild(varChild, [](int) { return S_FALSE; });
}

HRESULT TAccessible::get_accName(VARIANT varChild, BSTR* pszName) {
    return TextProperty(varChild, pszName, &TAccessibleProvider::AccessibleName);
}

HRESULT TAccessible::get_accValue(VARIANT varChild, BSTR* pszValue) {
    return TextProperty(varChild, pszValue, &TAccessibleProvider::AccessibleValue);
}

HRESULT TAccessible::get_accDescription(VARIANT varChild, BSTR* pszDescription) {
    return TextProperty(varChild, pszDescription, &TAccessibleProvider::AccessibleDescription);
}

HRESULT TAccessible::get_accKeyboardShortcut(VARIANT varChild, BSTR* pszKeyboardShortcut) {
    return TextProperty(varChild, pszKeyboardShortcut, &TAccessibleProvider::AccessibleKeyboardShortcut);
}

HRESULT TAccessible::get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) {
    return TextProperty(varChild, pszDefaultAction, &TAccessibleProvider::AccessibleDefaultAction);
}

HRESULT TAccessible::get_accRole(VARIANT varChild, VARIANT* pvarRole) {
    if (!pvarRole) {
        return E_POINTER;
    }
    InitVariant(pvarRole);
    return ForChild(varChild, [&](int id) { return SetI4(*pvarRole, FProvider->AccessibleRole(id)); });
}

HRESULT TAccessible::get_accState(VARIANT varChild, VARIANT* pvarState) {
    if (!pvarState) {
        return E_POINTER;
    }
    InitVariant(pvarState);
    return ForChild(varChild, [&](int id) { return SetI4(*pvarState, FProvider->AccessibleState(id)); });
}

HRESULT TAccessible::get_accHelp(VARIANT varChild, BSTR* pszHelp) {
    if (!pszHelp) {
        return E_POINTER;
    }
    *pszHelp = nullptr;
    return ForChild(varChild, [](int) { return DISP_E_MEMBERNOTFOUND; });
}

HRESULT TAccessible::get_accHelpTopic(BSTR* pszHelpFile, VARIANT varChild, LONG* pidTopic) {
    if (!pszHelpFile || !pidTopic) {
        return E_POINTER;
    }
    *pszHelpFile = nullptr;
    *pidTopic = 0;
    return ForChild(varChild, [](int) { return DISP_E_MEMBERNOTFOUND; });
}

HRESULT TAccessible::get_accFocus(VARIANT* pvarChild) {
    if (!pvarChild) {
        return E_POINTER;
    }
    InitVariant(pvarChild);
    if (!FProvider) {
        return RPC_E_DISCONNECTED;
    }
    const HWND window = FProvider->AccessibleWindow();
    if (!window || GetFocus() != window) {
        return S_FALSE;
    }
    return SetI4(*pvarChild, CHILDID_SELF);
}

HRESULT TAccessible::get_accSelection(VARIANT* pvarChildren) {
    if (!pvarChildren) {
        return E_POINTER;
    }
    InitVariant(pvarChildren);
    return FProvider ? S_FALSE : RPC_E_DISCONNECTED;
}

HRESULT TAccessible::accSelect(LONG flagsSelect, VARIANT varChild) {
    return ForChild(varChild, [&](int id) {
        if ((flagsSelect & ~SELFLAG_VALID) != 0) {
            return E_INVALIDARG;
        }
        if (flagsSelect == SELFLAG_NONE) {
            return S_OK;
        }
        // Nothing here is selectable, and the elements take no focus of their own.
        if (flagsSelect != SELFLAG_TAKEFOCUS || id != CHILDID_SELF) {
            return DISP_E_MEMBERNOTFOUND;
        }
        const HWND window = FProvider->AccessibleWindow();
        if (!IsWindowEnabled(window) || !IsWindowVisible(window)) {
            return S_FALSE;
        }
        SetFocus(window);
        return GetFocus() == window ? S_OK : S_FALSE;
    });
}

HRESULT TAccessible::accLocation(LONG* pxLeft, LONG* pyTop, LONG* pcxWidth, LONG* pcyHeight,
                                 VARIANT varChild) {
    if (!pxLeft || !pyTop || !pcxWidth || !pcyHeight) {
        return E_POINTER;
    }
    *pxLeft = *pyTop = *pcxWidth = *pcyHeight = 0;
    return ForChild(varChild, [&](int id) {
        const RECT r = FProvider->AccessibleLocation(id);
        *pxLeft = r.left;
        *pyTop = r.top;
        *pcxWidth = std::max(r.right - r.left, LONG(0));
        *pcyHeight = std::max(r.bottom - r.top, LONG(0));
        return S_OK;
    });
}

HRESULT TAccessible::accNavigate(LONG navDir, VARIANT varStart, VARIANT* pvarEndUpAt) {
    if (!pvarEndUpAt) {
        return E_POINTER;
    }
    InitVariant(pvarEndUpAt);
    return ForChild(varStart, [&](int start) {
        const int count = FProvider->AccessibleChildCount();
        int target = 0;
        switch (navDir) {
        case NAVDIR_FIRSTCHILD:
            target = start == CHILDID_SELF ? 1 : 0;
            break;
        case NAVDIR_LASTCHILD:
            target = start == CHILDID_SELF ? count : 0;
            break;
        case NAVDIR_NEXT:
            // From the control itself this would be a sibling window: the parent's business.
            target = start != CHILDID_SELF && start < count ? start + 1 : 0;
            break;
        case NAVDIR_PREVIOUS:
            target = start > 1 ? start - 1 : 0;
            break;
        case NAVDIR_UP:
        case NAVDIR_DOWN:
        case NAVDIR_LEFT:
        case NAVDIR_RIGHT:
            return E_NOTIMPL;
        default:
            return E_INVALIDARG;
        }
        return target >= 1 && target <= count ? SetI4(*pvarEndUpAt, target) : S_FALSE;
    });
}

HRESULT TAccessible::accHitTest(LONG xLeft, LONG yTop, VARIANT* pvarChild) {
    if (!pvarChild) {
        return E_POINTER;
    }
    InitVariant(pvarChild);
    if (!FProvider) {
        return RPC_E_DISCONNECTED;
    }
    return Guarded([&] {
        const std::optional<int> hit = FProvider->AccessibleHitTest(POINT{xLeft, yTop});
        if (!hit) {
            return S_FALSE;
        }
        // An id the other methods would refuse is reported as the control itself.
        const bool valid = *hit >= CHILDID_SELF && *hit <= FProvider->AccessibleChildCount();
        return SetI4(*pvarChild, valid ? *hit : CHILDID_SELF);
    });
}

HRESULT TAccessible::accDoDefaultAction(VARIANT varChild) {
    // The action may destroy the control, and with it the last reference a stub held.
    AddRef();
    const HRESULT result = ForChild(varChild, [&](int id) {
        return FProvider->AccessibleDoDefaultAction(id) ? S_OK : DISP_E_MEMBERNOTFOUND;
    });
    Release();
    return result;
}

HRESULT TAccessible::put_accName(VARIANT, BSTR) {
    return E_NOTIMPL;
}

HRESULT TAccessible::put_accValue(VARIANT, BSTR) {
    return E_NOTIMPL;
}

// ---- WM_GETOBJECT ----

LRESULT AnswerGetObject(HWND Window, WPARAM wParam, LPARAM lParam, IAccessible* Accessible) noexcept {
    if (Accessible && IsClientObjectRequest(lParam)) {
        if (const auto fromObject = Oleacc().LresultFromObject) {
            return fromObject(AccessibleInterface, wParam, Accessible);
        }
    }
    return DefWindowProcW(Window, WM_GETOBJECT, wParam, lParam);
}

LRESULT TAccessibleLink::WMGetObject(WPARAM wParam, LPARAM lParam) noexcept {
    if (!FClosed && !FAccessible && IsClientObjectRequest(lParam)) {
        *FAccessible.Put() = new (std::nothrow) TAccessible(FProvider);
    }
    return AnswerGetObject(FProvider.AccessibleWindow(), wParam, lParam, FAccessible.Get());
}

void TAccessibleLink::Disconnect() noexcept {
    FClosed = true;
    if (FAccessible) {
        FAccessible->Disconnect();
        FAccessible.Reset();
    }
}
