// The base of every window of the control library and of the main window: it owns the HWND,
// finds itself again from the handle at WM_NCCREATE, and hands each message to the virtual
// WndProc of the derived class, whose cases call one named handler each.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>

// The root of everything that can be the sender of an event.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;
};

// An event: called only when assigned, synchronously, with the control as sender.
using TNotifyEvent = std::function<void(TObject* Sender)>;

struct TWindowParams {
    const wchar_t* ClassName = nullptr;
    UINT ClassStyle = 0;
    HCURSOR Cursor = nullptr; // nullptr: the arrow
    DWORD Style = 0;
    DWORD ExStyle = 0;
    HWND Parent = nullptr;
    int Left = CW_USEDEFAULT;
    int Top = CW_USEDEFAULT;
    int Width = CW_USEDEFAULT;
    int Height = CW_USEDEFAULT;
    const wchar_t* Caption = L"";
    // Whether the class carries the program's icon: only a window the taskbar and Alt+Tab show
    // needs it, and loading it for every class would cost each its own read of the icon.
    bool ProgramIcon = false;
};

class TWindow : public TObject {
public:
    ~TWindow() override;

    HWND Handle() const noexcept { return FHandle; }

    // An exception cannot unwind through the platform's window-procedure frames: it is held
    // here and raised again by the message loop once DispatchMessage has returned.
    static void RethrowPendingException();

protected:
    TWindow() = default;
    // Registers the class on first use and creates the window; raises EError on failure.
    void CreateHandle(const TWindowParams& params);
    void DestroyHandle() noexcept;
    // The derived class's message dispatch; the default passes everything to DefaultHandler.
    virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

private:
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
};
