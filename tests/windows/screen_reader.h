// What a screen reader learns of a window through AccessibleObjectFromWindow, for the tests.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>

#include "utils/text_win.h"

struct TReading {
    LONG Role = 0;
    std::u16string Name;
    std::u16string Value;
    LONG State = 0;
    std::u16string Action;
    RECT Location{};
};

// The control itself, as a child id.
inline VARIANT SelfId() {
    VARIANT self;
    VariantInit(&self);
    V_VT(&self) = VT_I4;
    V_I4(&self) = CHILDID_SELF;
    return self;
}

inline std::u16string ReadText(IAccessible* object,
                               HRESULT (STDMETHODCALLTYPE IAccessible::*method)(VARIANT, BSTR*)) {
    BSTR text = nullptr;
    std::u16string result;
    if ((object->*method)(SelfId(), &text) == S_OK) {
        result = U16(text);
        SysFreeString(text);
    }
    return result;
}

inline TReading Read(HWND window) {
    TReading reading;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, DWORD(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object)))) {
        ADD_FAILURE() << "no accessible object";
        return reading;
    }
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(object->get_accRole(SelfId(), &value))) {
        reading.Role = V_I4(&value);
    }
    VariantInit(&value);
    if (SUCCEEDED(object->get_accState(SelfId(), &value))) {
        reading.State = V_I4(&value);
    }
    reading.Name = ReadText(object, &IAccessible::get_accName);
    reading.Value = ReadText(object, &IAccessible::get_accValue);
    reading.Action = ReadText(object, &IAccessible::get_accDefaultAction);
    LONG x = 0, y = 0, w = 0, h = 0;
    object->accLocation(&x, &y, &w, &h, SelfId());
    reading.Location = {x, y, x + w, y + h};
    object->Release();
    return reading;
}

// What a screen reader's "do default action" returns for the control of Window.
inline HRESULT DoDefaultAction(HWND window) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, DWORD(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object)))) {
        ADD_FAILURE() << "no accessible object";
        return E_FAIL;
    }
    const HRESULT result = object->accDoDefaultAction(SelfId());
    object->Release();
    return result;
}
