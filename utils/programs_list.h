// The installation's entry in the list of installed programs: its eleven values, in the order
// they are written. Writing the entry and putting it back after a failed run go through the
// one list of their names, so that a value written is always a value remembered.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::array<const char16_t*, 11> ProgramsListValueNames = {
    u"Publisher",     u"DisplayName", u"DisplayVersion",  u"InstallLocation",
    u"DisplayIcon",   u"InstallDate", u"UninstallString", u"URLInfoAbout",
    u"EstimatedSize", u"NoModify",    u"NoRepair"};

// One value: a text (REG_SZ) or a number (REG_DWORD).
struct TProgramsListValue {
    const char16_t* Name;
    bool IsText;
    std::u16string Text;
    uint32_t Number = 0;
};

// The values for an installation in DestFolder, exactly as the folder was resolved, of a
// product of TotalSize bytes, made on Today ("YYYYMMDD"), in the order of ProgramsListValueNames.
std::vector<TProgramsListValue> ProgramsListValues(const std::u16string& DestFolder, int64_t TotalSize,
                                                   const std::u16string& Today);
