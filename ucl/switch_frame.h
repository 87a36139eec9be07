// Which frame of the switch image strip a switch shows: six frames for the light theme, six
// for the dark one, chosen by enabled, hover and checked (a disabled switch ignores hover).
#pragma once

// The frame from 0 to 11.
int SwitchFrame(bool Enabled, bool Hover, bool Checked, bool Dark) noexcept;

// The strip's top edge that puts the frame at the control's top, each length scaled on its
// own by Scale (r()): −r(16 × light frame), and −r(96) more in the dark theme.
int SwitchStripTop(bool Enabled, bool Hover, bool Checked, bool Dark, int (*Scale)(int)) noexcept;
