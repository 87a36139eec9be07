#include "ucl/window_win.h"

#include <utility>

#include "utils/os_error_win.h"

namespace {
// Windows live on the user-interface thread only.
std::exception_ptr PendingException;
} // namespace

void TWindow::RethrowPendingException() {
    if (PendingException) {
        std::rethrow_exception(std::exchange(PendingException, nullptr));
    }
}

TWindow::~TWindow() {
    DestroyHandle();
}

void TWindow::CreateHandle(const TWindowParams& params) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (!GetClassInfoExW(instance, params.ClassName, &existing)) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.style = params.ClassStyle;
        wc.lpfnWndProc = StaticWndProc;
        wc.hInstance = instance;
        wc.hCursor = params.Cursor ? params.Cursor : LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = params.ClassName;
        wc.hIcon = params.ProgramIcon ? LoadIconW(instance, MAKEINTRESOURCEW(1)) : nullptr;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            RaiseLastOSError(u"RegisterClassEx");
        }
    }
    const HWND handle =
        CreateWindowExW(params.ExStyle, params.ClassName, params.Caption, params.Style, params.Left,
                        params.Top, params.Width, params.Height, params.Parent, nullptr, instance, this);
    if (!handle) {
        RaiseLastOSError(u"CreateWindowEx");
    }
}

void TWindow::DestroyHandle() noexcept {
    if (FHandle) {
        const HWND handle = FHandle;
        SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
        FHandle = nullptr;
        DestroyWindow(handle);
    }
}

LRESULT TWindow::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultHandler(msg, wParam, lParam);
}

LRESULT TWindow::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    return DefWindowProcW(FHandle, msg, wParam, lParam);
}

LRESULT CALLBACK TWindow::StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<TWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->FHandle = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<TWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    try {
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            const LRESULT result = self->WndProc(msg, wParam, lParam);
            self->FHandle = nullptr;
            return result;
        }
        return self->WndProc(msg, wParam, lParam);
    } catch (...) {
        if (!PendingException) {
            PendingException = std::current_exception();
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}
