#include "utils/rest_request.h"

#include "utils/exception.h"

namespace {

constexpr char16_t HexDigits[] = u"0123456789abcdef";

bool IsAsciiAlphaNumeric(char16_t c) noexcept {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

bool IsDigit(char16_t c) noexcept {
    return c >= u'0' && c <= u'9';
}

bool IsHexDigit(char16_t c) noexcept {
    return IsDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

char16_t AsciiLower(char16_t c) noexcept {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) noexcept {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

[[noreturn]] void InvalidUrl(std::u16string_view url) {
    throw EError(u"Invalid URL: " + std::u16string(url));
}

bool IsHostNameChar(char16_t c) noexcept {
    return IsAsciiAlphaNumeric(c) || c == u'-' || c == u'.' || c == u'_' || c >= 0x80;
}

// "[" hex digits, colons and dots "]": the literal form of an IPv6 address.
bool IsBracketedAddress(std::u16string_view host) noexcept {
    if (host.size() < 3 || host.front() != u'[' || host.back() != u']') {
        return false;
    }
    for (const char16_t c : host.substr(1, host.size() - 2)) {
        if (!IsHexDigit(c) && c != u':' && c != u'.') {
            return false;
        }
    }
    return true;
}

bool ParsePort(std::u16string_view text, uint16_t& port) noexcept {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    uint32_t value = 0;
    for (const char16_t c : text) {
        if (!IsDigit(c)) {
            return false;
        }
        value = value * 10 + (c - u'0');
    }
    if (value == 0 || value > 65535) {
        return false;
    }
    port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

bool IsSendableInstallationId(std::u16string_view Id) noexcept {
    return Id.size() == 36;
}

std::u16string JsonStringContent(std::u16string_view Text) {
    std::u16string out;
    out.reserve(Text.size());
    for (const char16_t c : Text) {
        switch (c) {
        case u'"':
            out += u"\\\"";
            break;
        case u'\\':
            out += u"\\\\";
            break;
        case u'\b':
            out += u"\\b";
            break;
        case u'\f':
            out += u"\\f";
            break;
        case u'\n':
            out += u"\\n";
            break;
        case u'\r':
            out += u"\\r";
            break;
        case u'\t':
            out += u"\\t";
            break;
        default:
            if (c < 0x20) {
                out += u"\\u00";
                out += HexDigits[c >> 4];
                out += HexDigits[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::u16string UninstallRequestBody(std::u16string_view InstallationId) {
    return u"{\"installationId\":\"" + JsonStringContent(InstallationId) + u"\"}";
}

std::u16string RequestUrl(std::u16string_view ApiAddress, std::u16string_view Resource) {
    std::u16string url(ApiAddress);
    url += u'/';
    url += Resource;
    return url;
}

TUrlParts SplitUrl(std::u16string_view Url) {
    for (const char16_t c : Url) {
        if (c <= 0x20 || c == 0x7F || c == u'\\') {
            InvalidUrl(Url);
        }
    }
    TUrlParts parts;
    size_t pos = 0;
    if (StartsWithNoCase(Url, u"https://")) {
        parts.Secure = true;
        pos = 8;
    } else if (StartsWithNoCase(Url, u"http://")) {
        pos = 7;
    } else {
        InvalidUrl(Url);
    }
    size_t end = Url.find_first_of(u"/?#", pos);
    if (end == std::u16string_view::npos) {
        end = Url.size();
    }
    const std::u16string_view authority = Url.substr(pos, end - pos);

    std::u16string_view host = authority;
    std::u16string_view portText;
    bool hasPort = false;
    if (!authority.empty() && authority.front() == u'[') {
        const size_t close = authority.find(u']');
        if (close == std::u16string_view::npos) {
            InvalidUrl(Url);
        }
        host = authority.substr(0, close + 1);
        const std::u16string_view rest = authority.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != u':') {
                InvalidUrl(Url);
            }
            hasPort = true;
            portText = rest.substr(1);
        }
        if (!IsBracketedAddress(host)) {
            InvalidUrl(Url);
        }
    } else {
        const size_t colon = authority.find(u':');
        if (colon != std::u16string_view::npos) {
            host = authority.substr(0, colon);
            hasPort = true;
            portText = authority.substr(colon + 1);
        }
        if (host.empty()) {
            InvalidUrl(Url);
        }
        for (const char16_t c : host) {
            if (!IsHostNameChar(c)) {
                InvalidUrl(Url);
            }
        }
    }
    parts.Host = host;
    parts.Port = parts.Secure ? 443 : 80;
    if (hasPort && !ParsePort(portText, parts.Port)) {
        InvalidUrl(Url);
    }

    std::u16string_view path = Url.substr(end);
    const size_t fragment = path.find(u'#');
    if (fragment != std::u16string_view::npos) {
        path = path.substr(0, fragment);
    }
    if (path.empty() || path.front() != u'/') {
        parts.PathAndQuery = u"/";
    }
    parts.PathAndQuery += path;
    return parts;
}

uint32_t TResponseDrain::NextReadSize() const noexcept {
    if (FFinished) {
        return 0;
    }
    const uint64_t left = ByteCap - FBytesRead;
    return static_cast<uint32_t>(left < ChunkSize ? left : ChunkSize);
}

void TResponseDrain::Add(uint32_t Received, uint64_t ElapsedMs) noexcept {
    const uint64_t room = ByteCap - FBytesRead;
    FBytesRead += Received < room ? Received : room;
    if (Received == 0 || FBytesRead >= ByteCap || ElapsedMs >= TimeCapMs) {
        FFinished = true;
    }
}
