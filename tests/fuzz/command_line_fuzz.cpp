// Feeds arbitrary UTF-16 command lines to the splitter and the switch readers and checks
// the invariants that the installer relies on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "utils/command_line.h"
#include "utils/text_filters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string line(size / 2, u'\0');
    for (size_t i = 0; i < line.size(); ++i) {
        line[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    const auto args = SplitCommandLine(line);
    size_t total = 0;
    for (const auto& arg : args) {
        // Arguments are never empty unless quoted, never hold quotes, and fit in the line.
        if (arg.find(u'"') != std::u16string::npos) {
            std::abort();
        }
        total += arg.size();
    }
    if (total > line.size()) {
        std::abort();
    }
    // The reading the program makes: every switch, the run mode and the two texts.
    const TCommandLineOptions options = ReadCommandLine(line);
    if (options.Dir.size() > total || options.Log.size() > total) {
        std::abort();
    }
    const auto folder = ApplyEditInputRules(options.Dir, u"", u"<>\"|?*", 2048);
    if (folder.size() > 2048 || folder.find_first_of(u"<>\"|?*\r\n\t") != std::u16string::npos) {
        std::abort();
    }
    return 0;
}
