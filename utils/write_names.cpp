#include "utils/write_names.h"

#include "utils/strings.h"

namespace {

std::u16string Decorated(std::u16string_view Target, uint32_t ProcessId, std::u16string_view Suffix) {
    return std::u16string(Target) + u"." + IntToStr(ProcessId) + std::u16string(Suffix);
}

// The decimal process id of "<digits><suffix>", or nothing.
std::optional<uint32_t> ProcessIdOf(std::u16string_view text, std::u16string_view suffix) {
    if (!text.ends_with(suffix)) {
        return std::nullopt;
    }
    text.remove_suffix(suffix.size());
    if (text.empty() || text.size() > 10) {
        return std::nullopt;
    }
    uint64_t id = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        id = id * 10 + (c - u'0');
    }
    if (id > UINT32_MAX) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(id);
}

} // namespace

std::u16string TemporaryFileName(std::u16string_view Target, uint32_t ProcessId) {
    return Decorated(Target, ProcessId, u".tmp");
}

std::u16string BackupFileName(std::u16string_view Target, uint32_t ProcessId) {
    return Decorated(Target, ProcessId, u".bak");
}

std::optional<TWriteLeftover> ParseWriteLeftover(std::u16string_view FileName,
                                                 std::initializer_list<std::u16string_view> Targets) {
    for (const std::u16string_view target : Targets) {
        if (FileName.size() <= target.size() + 1 ||
            AsciiUpperCase(FileName.substr(0, target.size())) != AsciiUpperCase(target) ||
            FileName[target.size()] != u'.') {
            continue;
        }
        const std::u16string suffix = AsciiUpperCase(FileName.substr(target.size() + 1));
        for (const bool backup : {false, true}) {
            if (const auto id = ProcessIdOf(suffix, backup ? u".BAK" : u".TMP")) {
                return TWriteLeftover{std::u16string(target), *id, backup};
            }
        }
    }
    return std::nullopt;
}
