#include "utils/programs_list.h"

#include "utils/consts.h"
#include "utils/paths.h"

std::vector<TProgramsListValue> ProgramsListValues(const std::u16string& DestFolder, int64_t TotalSize,
                                                   const std::u16string& Today) {
    const std::u16string installer = JoinPath(DestFolder, InstallerExeName);
    const auto text = [](const char16_t* Name, std::u16string Value) {
        return TProgramsListValue{Name, true, Value};
    };
    const auto number = [](const char16_t* Name, uint32_t Value) {
        return TProgramsListValue{Name, false, {}, Value};
    };
    const auto& n = ProgramsListValueNames;
    return {text(n[0], MakerName), text(n[1], ProductName), text(n[2], ProductVersion),
            text(n[3], DestFolder), text(n[4], installer), text(n[5], Today),
            text(n[6], u"\"" + installer + u"\" /uninstall"), text(n[7], ProductPageUrl),
            // Kibibytes, truncated.
            number(n[8], static_cast<uint32_t>(TotalSize / 1024)), number(n[9], 1), number(n[10], 1)};
}
