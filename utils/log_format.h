// The text of the unattended-run log: one line per step, behind a local time stamp, and the
// installation id shortened so that a log handed around never carries it whole.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct TLogTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

// "YYYY-MM-DD hh:mm:ss.mmm Text" without a line break; line breaks inside Text become spaces,
// so one step is always one line.
std::u16string FormatLogLine(const TLogTime& Time, std::u16string_view Text);

// The first four characters of the id followed by "…" and its length: enough to tell two
// installations apart in a log, never enough to act as the id.
std::u16string MaskInstallationId(std::u16string_view Id);
