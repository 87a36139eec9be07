#include "ucl/switch_frame.h"

namespace {

int LightFrame(bool Enabled, bool Hover, bool Checked) noexcept {
    if (!Enabled) {
        return Checked ? 5 : 4;
    }
    return (Hover ? 2 : 0) + (Checked ? 1 : 0);
}

} // namespace

int SwitchFrame(bool Enabled, bool Hover, bool Checked, bool Dark) noexcept {
    return LightFrame(Enabled, Hover, Checked) + (Dark ? 6 : 0);
}

int SwitchStripTop(bool Enabled, bool Hover, bool Checked, bool Dark, int (*Scale)(int)) noexcept {
    const int frame = LightFrame(Enabled, Hover, Checked);
    const int top = -Scale(16 * frame);
    return Dark ? top - Scale(96) : top;
}
