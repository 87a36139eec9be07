#include "utils/paths.h"

#include <vector>

#include "utils/consts.h"

namespace {

struct TSplitPath {
    // "C:\" or "\\server\share"; empty when the path is not full.
    std::u16string Root;
    std::vector<std::u16string> Components;
};

bool IsAsciiLetter(char16_t c) noexcept {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The next component of path from pos on, with pos moved past it and its separators.
std::u16string_view NextComponent(std::u16string_view path, size_t& pos) {
    while (pos < path.size() && path[pos] == u'\\') {
        ++pos;
    }
    const size_t start = pos;
    while (pos < path.size() && path[pos] != u'\\') {
        ++pos;
    }
    return path.substr(start, pos - start);
}

TSplitPath SplitFullPath(std::u16string_view raw) {
    std::u16string path(raw);
    for (char16_t& c : path) {
        if (c == u'/') {
            c = u'\\';
        }
    }
    TSplitPath split;
    const TPathRoot root = ParsePathRoot(path);
    if (root.Length == 0) {
        return {};
    }
    split.Root = root.Text;
    size_t pos = root.Length;
    while (pos < path.size()) {
        std::u16string_view component = NextComponent(path, pos);
        if (component == u"..") {
            if (!split.Components.empty()) {
                split.Components.pop_back();
            }
            continue;
        }
        // The platform drops trailing dots and spaces of a component; one made of nothing
        // else is the folder itself.
        while (!component.empty() && (component.back() == u'.' || component.back() == u' ')) {
            component.remove_suffix(1);
        }
        if (!component.empty()) {
            split.Components.emplace_back(component);
        }
    }
    return split;
}

std::u16string Join(const TSplitPath& split, size_t count) {
    std::u16string text = split.Root;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0 || text.back() != u'\\') {
            text += u'\\';
        }
        text += split.Components[i];
    }
    return text;
}

} // namespace

bool IsPathSeparator(char16_t c) noexcept {
    return c == u'\\' || c == u'/';
}

size_t PathNameEnd(std::u16string_view Path, size_t Pos) noexcept {
    while (Pos < Path.size() && !IsPathSeparator(Path[Pos])) {
        ++Pos;
    }
    return Pos;
}

TPathRoot ParsePathRoot(std::u16string_view Path) {
    size_t start = 0;
    bool share = false;
    if (Path.starts_with(u"\\\\?\\UNC\\")) {
        start = 8;
        share = true;
    } else if (Path.starts_with(u"\\\\?\\") || Path.starts_with(u"\\\\.\\")) {
        start = 4;
    } else if (Path.size() >= 2 && IsPathSeparator(Path[0]) && IsPathSeparator(Path[1])) {
        start = 2;
        share = true;
    }
    if (!share) {
        const bool drive = Path.size() >= start + 3 && IsAsciiLetter(Path[start]) &&
                           Path[start + 1] == u':' && IsPathSeparator(Path[start + 2]);
        return drive ? TPathRoot{start + 3, std::u16string(Path.substr(start, 2)) + u"\\"} : TPathRoot{};
    }
    // A share: a server and a share name; "?" and "." name the platform's device namespaces.
    const size_t serverEnd = PathNameEnd(Path, start);
    const std::u16string_view server = Path.substr(start, serverEnd - start);
    size_t shareStart = serverEnd;
    while (shareStart < Path.size() && IsPathSeparator(Path[shareStart])) {
        ++shareStart;
    }
    const size_t shareEnd = PathNameEnd(Path, shareStart);
    const std::u16string_view name = Path.substr(shareStart, shareEnd - shareStart);
    if (server.empty() || name.empty() || server == u"?" || server == u".") {
        return {};
    }
    return {shareEnd < Path.size() ? shareEnd + 1 : shareEnd,
            u"\\\\" + std::u16string(server) + u"\\" + std::u16string(name)};
}

bool IsFullPath(std::u16string_view Path) {
    return !SplitFullPath(Path).Root.empty();
}

std::u16string NormalizedFullPath(std::u16string_view Path) {
    const TSplitPath split = SplitFullPath(Path);
    return split.Root.empty() ? std::u16string() : Join(split, split.Components.size());
}

std::u16string ParentFolder(std::u16string_view Path) {
    const TSplitPath split = SplitFullPath(Path);
    return split.Components.empty() ? std::u16string() : Join(split, split.Components.size() - 1);
}

std::vector<std::u16string> PathLevels(std::u16string_view Path) {
    std::vector<std::u16string> levels;
    const size_t root = ParsePathRoot(Path).Length;
    for (size_t pos = root; root > 0 && pos < Path.size();) {
        const size_t end = PathNameEnd(Path, pos);
        if (end > pos) {
            levels.emplace_back(Path.substr(0, end));
        }
        pos = end + 1;
    }
    return levels;
}

std::u16string JoinPath(std::u16string_view Folder, std::u16string_view Name) {
    std::u16string path(Folder);
    if (path.empty() || path.back() != u'\\') {
        path += u'\\';
    }
    return path + std::u16string(Name);
}

std::u16string StartMenuFolderOf(std::u16string_view AppData) {
    return AppData.empty() ? std::u16string() : std::u16string(AppData) + StartMenuProgramsSuffix + MakerName;
}
