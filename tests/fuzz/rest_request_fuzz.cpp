// Feeds arbitrary UTF-16 text to the URL splitter and the request body builder: an accepted
// URL must split into usable parts that survive a round trip, and the body must always be
// one JSON object whose string decodes back to the id.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "utils/exception.h"
#include "utils/rest_request.h"
#include "utils/strings.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Decodes the JSON string content that starts at pos, up to the closing quote.
std::u16string DecodeJsonString(const std::u16string& text, size_t& pos) {
    std::u16string out;
    while (pos < text.size() && text[pos] != u'"') {
        char16_t c = text[pos++];
        Check(c >= 0x20);
        if (c != u'\\') {
            out += c;
            continue;
        }
        Check(pos < text.size());
        c = text[pos++];
        switch (c) {
        case u'"':
            out += u'"';
            break;
        case u'\\':
            out += u'\\';
            break;
        case u'/':
            out += u'/';
            break;
        case u'b':
            out += u'\b';
            break;
        case u'f':
            out += u'\f';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        case u't':
            out += u'\t';
            break;
        case u'u': {
            Check(pos + 4 <= text.size());
            char16_t value = 0;
            for (int i = 0; i < 4; ++i) {
                const char16_t h = text[pos++];
                const int digit = h >= u'0' && h <= u'9'   ? h - u'0'
                                  : h >= u'a' && h <= u'f' ? h - u'a' + 10
                                                           : -1;
                Check(digit >= 0);
                value = static_cast<char16_t>(value * 16 + digit);
            }
            out += value;
            break;
        }
        default:
            Check(false);
        }
    }
    Check(pos < text.size());
    ++pos;
    return out;
}

void CheckBody(const std::u16string& id) {
    const std::u8string bytes = ToUtf8(UninstallRequestBody(id));
    const std::u16string body =
        FromUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    const std::u16string head = u"{\"installationId\":\"";
    Check(body.starts_with(head));
    size_t pos = head.size();
    const std::u16string decoded = DecodeJsonString(body, pos);
    Check(body.substr(pos) == u"}");
    // Unpaired surrogates cannot be written as UTF-8 and arrive as U+FFFD; all else is exact.
    const std::u8string idBytes = ToUtf8(id);
    Check(decoded ==
          FromUtf8(std::string_view(reinterpret_cast<const char*>(idBytes.data()), idBytes.size())));
}

void CheckUrl(const std::u16string& url) {
    TUrlParts parts;
    try {
        parts = SplitUrl(url);
    } catch (const EError&) {
        return;
    }
    Check(!parts.Host.empty() && parts.Port != 0);
    Check(!parts.PathAndQuery.empty() && parts.PathAndQuery.front() == u'/');
    Check(parts.PathAndQuery.find(u'#') == std::u16string::npos);
    Check(parts.Host.find_first_of(u"/?#@ ") == std::u16string::npos);
    const std::u16string again = (parts.Secure ? u"https://" : u"http://") + parts.Host + u":" +
                                 IntToStr(parts.Port) + parts.PathAndQuery;
    const TUrlParts second = SplitUrl(again);
    Check(second.Secure == parts.Secure && second.Host == parts.Host && second.Port == parts.Port &&
          second.PathAndQuery == parts.PathAndQuery);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text(size / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    CheckBody(text);
    CheckUrl(text);
    // Most interesting URLs are ASCII: read the bytes as Latin-1 too.
    CheckUrl(std::u16string(data, data + size));
    return 0;
}
