#include "ucl/timer_win.h"

#include "utils/exception.h"

TTimer::TTimer() : TTimer(1000, nullptr) {}

TTimer::TTimer(uint32_t Interval, TNotifyEvent OnTimer) : FInterval(Interval), FOnTimer(std::move(OnTimer)) {
    TWindowParams params;
    params.ClassName = L"QuorvalentTimerWindow";
    params.Parent = HWND_MESSAGE;
    CreateHandle(params);
}

TTimer::~TTimer() {
    FEnabled = false;
    if (Handle()) {
        // Only stops the platform timer now that the timer is disabled.
        KillTimer(Handle(), TimerId);
        DestroyHandle();
    }
}

void TTimer::SetEnabled(bool Value) {
    if (Value != FEnabled) {
        FEnabled = Value;
        Rearm();
    }
}

void TTimer::SetInterval(uint32_t Value) {
    if (Value != FInterval) {
        FInterval = Value;
        Rearm();
    }
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
    FOnTimer = std::move(Value);
    Rearm();
}

void TTimer::Rearm() {
    KillPlatformTimer();
    if (FInterval != 0 && FEnabled && FOnTimer && !SetPlatformTimer(FInterval)) {
        throw EOutOfResources(u"Not enough timers available");
    }
}

void TTimer::KillPlatformTimer() noexcept {
    KillTimer(Handle(), TimerId);
}

bool TTimer::SetPlatformTimer(uint32_t Interval) noexcept {
    return SetTimer(Handle(), TimerId, Interval, nullptr) != 0;
}

LRESULT TTimer::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        WMTimer();
        return 0;
    }
    return DefaultHandler(msg, wParam, lParam);
}

void TTimer::WMTimer() {
    if (FOnTimer) {
        // A copy, so that a handler that replaces the handler or frees the timer does not
        // destroy the function that is running.
        const TNotifyEvent handler = FOnTimer;
        handler(this);
    }
}
