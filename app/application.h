// The application object: the message loop of the user-interface thread, whether the main
// window is shown when the loop starts, and the process exit code.
#pragma once

class TMainForm;

class TApplication {
public:
    // Per-monitor DPI awareness for the thread's windows and the common controls.
    void Initialize();
    // Shows the main window unless told not to, then dispatches messages until Terminate.
    void Run(TMainForm& MainForm);
    // Ends the message loop after the current message.
    void Terminate() noexcept;
    bool Terminated() const noexcept { return FTerminated; }

    bool ShowMainForm = true;
    int ExitCode = 0;

private:
    bool FTerminated = false;
};
