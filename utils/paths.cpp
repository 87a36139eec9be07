#include "utils/paths.h"

#include <vector>

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
    if (path.starts_with(u"\\\\?\\UNC\\")) {
        path.erase(2, 6);
    } else if (path.starts_with(u"\\\\?\\") || path.starts_with(u"\\\\.\\")) {
        path.erase(0, 4);
    }

    TSplitPath split;
    size_t pos = 0;
    if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == u':' && path[2] == u'\\') {
        split.Root = path.substr(0, 3);
        pos = 3;
    } else if (path.starts_with(u"\\\\")) {
        pos = 2;
        const std::u16string_view server = NextComponent(path, pos);
        const std::u16string_view share = NextComponent(path, pos);
        // "?" and "." name the platform's device namespaces, not servers.
        if (server.empty() || share.empty() || server == u"?" || server == u".") {
            return {};
        }
        split.Root = u"\\\\" + std::u16string(server) + u"\\" + std::u16string(share);
    } else {
        return {};
    }

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

std::u16string JoinPath(std::u16string_view Folder, std::u16string_view Name) {
    std::u16string path(Folder);
    if (path.empty() || path.back() != u'\\') {
        path += u'\\';
    }
    return path + std::u16string(Name);
}
