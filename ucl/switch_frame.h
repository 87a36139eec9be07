// Which frame of the switch image strip a switch shows: six frames for the light theme, six
// for the dark one, chosen by enabled, hover and checked (a disabled switch ignores hover);
// and where its caption starts, which the window's layout needs as well.
#pragma once

// The caption starts this far right of the switch's left edge (unscaled), past the track.
inline constexpr int SwitchCaptionLeft96 = 30;

// The frame from 0 to 11.
int SwitchFrame(bool Enabled, bool Hover, bool Checked, bool Dark) noexcept;

// The strip's top edge that puts the frame at the control's top, each length scaled on its
// own by Scale (r()): −r(16 × light frame), and −r(96) more in the dark theme.
int SwitchStripTop(bool Enabled, bool Hover, bool Checked, bool Dark, int (*Scale)(int)) noexcept;
