// A periodic timer driven by WM_TIMER messages to a hidden window of its own, so that every
// tick runs on the user-interface thread between other messages.
#pragma once

#include <cstdint>

#include "ucl/window_win.h"

class TTimer : public TWindow {
public:
    // Disabled, 1000 ms, no handler.
    TTimer();
    // Disabled, with the given period and handler.
    TTimer(uint32_t Interval, TNotifyEvent OnTimer);
    ~TTimer() override;

    bool Enabled() const noexcept { return FEnabled; }
    uint32_t Interval() const noexcept { return FInterval; }
    const TNotifyEvent& OnTimer() const noexcept { return FOnTimer; }

    // Each setter that re-arms starts a fresh period. A setter that cannot get a platform timer
    // keeps its new value and raises EOutOfResources "Not enough timers available".
    void SetEnabled(bool Value);
    void SetInterval(uint32_t Value);
    void SetOnTimer(TNotifyEvent Value);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The platform calls of the re-arm, replaceable so that a refusal can be provoked.
    virtual void KillPlatformTimer() noexcept;
    virtual bool SetPlatformTimer(uint32_t Interval) noexcept;

private:
    static constexpr UINT_PTR TimerId = 1;

    void Rearm();
    void WMTimer();

    uint32_t FInterval = 1000;
    TNotifyEvent FOnTimer;
    bool FEnabled = false;
};
