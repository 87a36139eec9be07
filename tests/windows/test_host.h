// A visible top-level window for the control tests: it paints its background and whatever
// the test adds on its surface, and can be read back pixel by pixel.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "tests/windows/message_pump.h"
#include "ucl/gdi_win.h"
#include "ucl/window_win.h"

// The client area of Window as it is on the screen: 0x00RRGGBB, row by row.
inline std::vector<uint32_t> CaptureClient(HWND Window, int& Width, int& Height) {
    RECT r;
    GetClientRect(Window, &r);
    Width = r.right;
    Height = r.bottom;
    void* bits = nullptr;
    const TWindowDC screen(Window);
    const TMemoryDC copy(screen.DC(), Width, Height, &bits);
    BitBlt(copy.DC(), 0, 0, Width, Height, screen.DC(), 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits),
                                 static_cast<uint32_t*>(bits) + size_t(Width) * Height);
    for (uint32_t& p : pixels) {
        p &= 0xFFFFFF;
    }
    return pixels;
}

class TTestHost : public TWindow {
public:
    std::function<void(HDC)> OnPaint;
    COLORREF Background = RGB(255, 255, 255);

    TTestHost(int width, int height, int left = 40, int top = 40) {
        TWindowParams params;
        params.ClassName = L"QuorvalentTestHost";
        params.Style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
        params.Left = left;
        params.Top = top;
        params.Width = width;
        params.Height = height;
        CreateHandle(params);
        SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        Settle();
    }

    // Paints everything that is pending, the children included.
    void Settle() {
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpMessagesFor(50);
        GdiFlush();
    }

    // The window's pixels as 0x00RRGGBB, row by row.
    std::vector<uint32_t> Capture(int& width, int& height) const {
        return CaptureClient(Handle(), width, height);
    }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_PAINT) {
            PaintBuffered(Handle(), [this](HDC dc, const TRect& client) {
                FillSolidRect(dc, client, Background);
                if (OnPaint) {
                    OnPaint(dc);
                }
            });
            return 0;
        }
        if (msg == WM_ERASEBKGND) {
            return 1;
        }
        return DefaultHandler(msg, wParam, lParam);
    }
};
