// The wire form of the installer's one web request, free of the HTTP client: which ids are
// sent, the JSON body, the URL and its parts, and the bounds on reading the discarded answer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "version.h"

inline constexpr char16_t UninstallResource[] = u"releases.uninstall";
inline constexpr char16_t RestUserAgent[] = u"Quorvalent/" QUORVALENT_VERSION_TEXT;
inline constexpr uint32_t RestTimeoutMs = 5000;

// Only an id of exactly 36 code units (the 8-4-4-4-12 form) is ever sent.
bool IsSendableInstallationId(std::u16string_view Id) noexcept;

// Text as the content of a JSON string, without the enclosing quotes: quotation mark,
// backslash and every character below U+0020 are escaped; everything else is copied.
std::u16string JsonStringContent(std::u16string_view Text);

// {"installationId":"<id>"} without white space; the id is a proper JSON string, so an id
// holding quotes or backslashes cannot break out of it.
std::u16string UninstallRequestBody(std::u16string_view InstallationId);

// ApiAddress + "/" + Resource, with no check for a doubled or missing separator.
std::u16string RequestUrl(std::u16string_view ApiAddress, std::u16string_view Resource);

// An absolute http or https URL split for the HTTP client.
struct TUrlParts {
    bool Secure = false;
    // As it appears in the URL; an IPv6 literal keeps its brackets.
    std::u16string Host;
    uint16_t Port = 0;
    // Path and query, at least "/"; a fragment is dropped.
    std::u16string PathAndQuery;
};

// Raises EError "Invalid URL: …" for anything but http:// or https:// (any letter case)
// followed by a host, an optional port from 1 to 65535 and an optional path. User names,
// white space and control characters are refused.
TUrlParts SplitUrl(std::u16string_view Url);

// How much of an answer is read before the rest is abandoned. The answer is never used, so
// it is read in small chunks into one buffer and forgotten; a server that never stops
// sending, or trickles, cannot hold the memory or the thread.
class TResponseDrain {
public:
    static constexpr uint32_t ChunkSize = 4096;
    static constexpr uint64_t ByteCap = 64 * 1024;
    static constexpr uint64_t TimeCapMs = RestTimeoutMs;

    // Bytes to ask for next; 0 once the drain is over.
    uint32_t NextReadSize() const noexcept;
    // Records one read of Received bytes at ElapsedMs since reading began; a read of 0
    // bytes is the end of the answer.
    void Add(uint32_t Received, uint64_t ElapsedMs) noexcept;
    bool Finished() const noexcept { return FFinished; }
    uint64_t BytesRead() const noexcept { return FBytesRead; }

private:
    uint64_t FBytesRead = 0;
    bool FFinished = false;
};
