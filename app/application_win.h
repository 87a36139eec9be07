// The application object: the message loop of the user-interface thread, the process exit
// code, and what happens to an error that escapes a window procedure, a timer or a hook.
#pragma once

#include <windows.h>

#include <string>

#include "utils/run_log_win.h"

// What the application asks of the run's main window.
class IMainWindow {
public:
    // Shows it, as the message loop starts.
    virtual void FormShow() = 0;
    // The keys a dialog handles before its controls see them; true when Msg was used up.
    virtual bool DialogKey(const MSG& Msg) = 0;
    // The window that owns the shell's dialogs and the programs the run starts.
    virtual HWND OwnerWindow() const noexcept = 0;

protected:
    // Not owned through the interface.
    ~IMainWindow() = default;
};

class TApplication {
public:
    // Per-monitor DPI awareness for the thread's windows and the common controls.
    void Initialize();
    // Shows the main window, when the run has one, then dispatches messages until Terminate.
    void Run(IMainWindow* MainForm);
    // Dispatches messages, as Run does, until Event is signalled: the window paints, its timers
    // run and its buttons answer while work goes on elsewhere. A Terminate meanwhile ends Run's
    // loop after this returns.
    void ProcessMessagesUntil(HANDLE Event);
    // Ends the message loop after the current message.
    void Terminate() noexcept;
    bool Terminated() const noexcept { return FTerminated; }
    // An error outside the action, answered as the failure policy answers anything else:
    // interactively a message box with its text; in a silent run no box, since nobody would be
    // there to close it. Either way the run ends with exit code 1.
    void HandleException(const std::u16string& Message) noexcept;
    // The window that owns the shell's dialogs and the programs it starts; none in a silent run.
    HWND OwnerWindow() const noexcept;

    // The log that "/log=" asks for; inactive otherwise.
    TRunLog Log;
    // A silent or very silent run: no message box may ever wait for a user.
    bool SilentRun = false;
    int ExitCode = 0;

private:
    void Dispatch(MSG& Message);

    IMainWindow* FMainForm = nullptr;
    bool FTerminated = false;
};

// The text of the error being handled (EError's message, or a general one).
std::u16string CurrentExceptionMessage() noexcept;
