// What screen readers see of the custom-drawn controls. The platform's standard accessible
// objects describe the standard window classes only, so each control answers WM_GETOBJECT
// with an IAccessible of its own, fed by the control through TAccessibleProvider.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <optional>
#include <string>

#include "utils/com_win.h"

// {618736E0-3C3D-11CF-810C-00AA00389B71}, defined here rather than taken from a GUID library.
inline constexpr IID AccessibleInterface = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// The accessible description of one control. Child 0 (CHILDID_SELF) is the control itself;
// children 1..AccessibleChildCount() are the simple elements it draws inside itself, such as
// the close button of the title bar. Called only while the control is alive, on its thread.
class TAccessibleProvider {
public:
    virtual HWND AccessibleWindow() const noexcept = 0;
    virtual int AccessibleChildCount() const { return 0; }
    virtual std::u16string AccessibleName(int Child) const = 0;
    // Empty: the element has no value.
    virtual std::u16string AccessibleValue(int Child) const;
    virtual std::u16string AccessibleDescription(int Child) const;
    // ROLE_SYSTEM_*.
    virtual LONG AccessibleRole(int Child) const = 0;
    // STATE_SYSTEM_* bits; by default what the window itself shows (WindowState).
    virtual LONG AccessibleState(int Child) const;
    virtual std::u16string AccessibleDefaultAction(int Child) const;
    // Whether the action was done. A screen reader waits for this call: an action that opens
    // a modal loop or destroys the control should post it rather than run it here.
    virtual bool AccessibleDoDefaultAction(int Child);
    // Screen coordinates; by default the window's rectangle for the control and an empty one
    // for its elements.
    virtual RECT AccessibleLocation(int Child) const;
    // The element under a screen point, the control itself (0) when no element is, no value
    // when the point is outside the control.
    virtual std::optional<int> AccessibleHitTest(POINT ScreenPoint) const;
    virtual std::u16string AccessibleKeyboardShortcut(int Child) const;

    // Invisible, unavailable and focused as the window is.
    static LONG WindowState(HWND Window) noexcept;

protected:
    ~TAccessibleProvider() = default;
};

// The IAccessible of one control. Its lifetime is COM's: a screen reader may hold it after
// the control is gone, so the control calls Disconnect() when it is destroyed. From then on
// only IUnknown works; every other call fails (RPC_E_DISCONNECTED where it would have
// answered) instead of reaching freed memory.
class TAccessible final : public IAccessible {
public:
    // Starts with one reference, the caller's.
    explicit TAccessible(TAccessibleProvider& Provider) noexcept : FProvider(&Provider) {}
    TAccessible(const TAccessible&) = delete;
    TAccessible& operator=(const TAccessible&) = delete;

    // The caller holds a reference: disconnecting may release all the others.
    void Disconnect() noexcept;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: no type information; clients call the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override;

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** ppdispParent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* pcountChildren) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT varChild, IDispatch** ppdispChild) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT varChild, BSTR* pszName) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT varChild, BSTR* pszValue) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT varChild, BSTR* pszDescription) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT varChild, VARIANT* pvarRole) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT varChild, VARIANT* pvarState) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT varChild, BSTR* pszHelp) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* pszHelpFile, VARIANT varChild, LONG* pidTopic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT varChild, BSTR* pszKeyboardShortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* pvarChild) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* pvarChildren) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flagsSelect, VARIANT varChild) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* pxLeft, LONG* pyTop, LONG* pcxWidth, LONG* pcyHeight,
                                          VARIANT varChild) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG navDir, VARIANT varStart, VARIANT* pvarEndUpAt) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG xLeft, LONG yTop, VARIANT* pvarChild) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT varChild) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT varChild, BSTR szName) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT varChild, BSTR szValue) override;

private:
    ~TAccessible() = default;
    // Body(id) for the element that Child names, under the COM error policy; RPC_E_DISCONNECTED
    // once disconnected, E_INVALIDARG for an id that names no element.
    template <typename F> HRESULT ForChild(const VARIANT& Child, F Body) const noexcept;
    using TTextGetter = std::u16string (TAccessibleProvider::*)(int Child) const;
    HRESULT TextProperty(const VARIANT& Child, BSTR* Result, TTextGetter Get) const noexcept;

    LONG FRefCount = 1;
    TAccessibleProvider* FProvider;
};

// The control's answer to WM_GETOBJECT: Accessible for OBJID_CLIENT, the default window
// procedure's answer for every other object, and for everything when oleacc is missing.
LRESULT AnswerGetObject(HWND Window, WPARAM wParam, LPARAM lParam, IAccessible* Accessible) noexcept;

// What a control keeps: its TAccessible, made at the first request, and disconnected when the
// control is destroyed (Disconnect or the destructor, whichever comes first).
class TAccessibleLink {
public:
    explicit TAccessibleLink(TAccessibleProvider& Provider) noexcept : FProvider(Provider) {}
    TAccessibleLink(const TAccessibleLink&) = delete;
    TAccessibleLink& operator=(const TAccessibleLink&) = delete;
    ~TAccessibleLink() { Disconnect(); }

    LRESULT WMGetObject(WPARAM wParam, LPARAM lParam) noexcept;
    void Disconnect() noexcept;
    // Null until a screen reader asked, and again after Disconnect.
    TAccessible* Get() const noexcept { return FAccessible.Get(); }

private:
    TAccessibleProvider& FProvider;
    TComPtr<TAccessible> FAccessible;
    // A request that arrives while the window is being torn down gets no new object.
    bool FClosed = false;
};
