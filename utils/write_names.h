// Names of the files that a replacement keeps beside its target while it runs: the new data
// under a temporary name, and the old file kept aside until the whole install has succeeded.
// Both carry the writing process's id, so that a later run can tell the leftovers of an
// interrupted run from the files of one that is still going on.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// Target + "." + the process id + ".tmp": the new data before it takes the target's place.
std::u16string TemporaryFileName(std::u16string_view Target, uint32_t ProcessId);
// Target + "." + the process id + ".bak": the old target while the new one is in place.
std::u16string BackupFileName(std::u16string_view Target, uint32_t ProcessId);

struct TWriteLeftover {
    // The name of the file the leftover belongs to, as given to ParseWriteLeftover.
    std::u16string Target;
    uint32_t ProcessId = 0;
    // A kept-aside old file rather than temporary new data.
    bool Backup = false;
};

// Reads FileName (a name without folder) as the leftover of a replacement of one of Targets,
// compared without regard to ASCII letter case; nothing for any other name.
std::optional<TWriteLeftover> ParseWriteLeftover(std::u16string_view FileName,
                                                 std::initializer_list<std::u16string_view> Targets);
