// Feeds arbitrary UTF-16 paths to the folder-deletion rules: normalising is idempotent,
// never yields a relative path, and a folder allowed for deletion is never a root, never
// expandable and never equal to or above a known folder; the interpreter's variable never
// holds a quote.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "utils/folder_deletion.h"
#include "utils/strings.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    // The first half is the folder, the second a known folder.
    const std::u16string folder = text.substr(0, text.size() / 2);
    const std::u16string known = text.substr(text.size() / 2);

    const std::u16string normalized = NormalizedFullPath(folder);
    if (!normalized.empty()) {
        Check(NormalizedFullPath(normalized) == normalized);
        Check(normalized.size() >= 3);
        Check(normalized.find(u'/') == std::u16string::npos);
    }
    const TDeletionRefusal refusal = FolderDeletionRefusal(folder, true, {known});
    if (refusal == TDeletionRefusal::drNone) {
        Check(folder.find_first_of(u"%!") == std::u16string::npos);
        Check(!normalized.empty());
        // Allowed means: not a root, and neither the known folder nor above it.
        Check(FolderDeletionRefusal(folder, true, {}) == TDeletionRefusal::drNone);
        Check(FolderDeletionRefusal(folder, true, {folder}) == TDeletionRefusal::drKnownFolder);
        const std::u16string knownNormalized = NormalizedFullPath(known);
        if (!knownNormalized.empty()) {
            Check(AsciiUpperCase(knownNormalized) != AsciiUpperCase(normalized));
            Check(FolderDeletionRefusal(normalized + u"\\..", true, {}) == TDeletionRefusal::drNone ||
                  FolderDeletionRefusal(normalized + u"\\..", true, {}) == TDeletionRefusal::drDriveRoot);
        }
        Check(FolderDeletionRefusal(folder, false, {known}) == TDeletionRefusal::drNotInstallation);
    }
    // The folder reaches the interpreter only as a variable's value, quoted there: the value
    // is a normalized full path that can never end the quotes.
    const std::u16string value = DeletionFolderValue(folder);
    if (!value.empty()) {
        Check(value.find(u'"') == std::u16string::npos);
        Check(value.back() != u'\\');
        Check(!normalized.empty() && normalized.starts_with(value));
    }
    return 0;
}
