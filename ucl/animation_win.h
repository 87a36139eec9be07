// A busy indicator: steps through the square frames of the theme's loader strip on a timer
// of its own that exists only while the animation runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ucl/control_win.h"
#include "ucl/timer_win.h"

class TAnimation : public TControl {
public:
    // 32 × 32, hidden.
    explicit TAnimation(HWND Parent);
    ~TAnimation() override;

    // Frame edge in unscaled pixels, and the number of frames; plain values, no repaint.
    int FrameWidth() const noexcept { return FFrameWidth; }
    void SetFrameWidth(int Value) noexcept { FFrameWidth = Value; }
    int FrameCount() const noexcept { return FFrameCount; }
    void SetFrameCount(int Value) noexcept { FFrameCount = Value; }
    int FrameIndex() const noexcept { return FFrameIndex; }
    // The frame timer; null unless started.
    const TTimer* FrameTimer() const noexcept { return FFrameTimer.get(); }

    // Shows the control and runs the frames every Interval ms; a running animation keeps its
    // interval.
    void Start(uint32_t Interval);
    // Hides the control and frees the timer; the next Start goes on from the frame shown.
    void Stop();
    // The frame timer's handler: the next frame, after the last the first.
    void FrameStep(TObject* Sender);

    // A busy animation, named by what it waits for.
    void SetAccessibleName(std::u16string Value) { FAccessibleName = std::move(Value); }
    std::u16string AccessibleName(int) const override { return FAccessibleName; }
    LONG AccessibleRole(int Child) const override;
    LONG AccessibleState(int Child) const override;

protected:
    void Paint(HDC DC, const TRect& Client) override;

private:
    int FFrameWidth = 0;
    int FFrameCount = 0;
    int FFrameIndex = 0;
    std::unique_ptr<TTimer> FFrameTimer;
    std::u16string FAccessibleName;
};
