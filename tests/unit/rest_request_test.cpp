#include <gtest/gtest.h>

#include <string>

#include "utils/exception.h"
#include "utils/rest_request.h"
#include "utils/strings.h"

namespace {

const std::u16string GuidId = u"0f8fad5b-d9cb-469f-a165-70867728950e";

std::string Bytes(const std::u16string& text) {
    const std::u8string utf8 = ToUtf8(text);
    return std::string(utf8.begin(), utf8.end());
}

TEST(InstallationId, OnlyExactly36CodeUnitsAreSent) {
    EXPECT_TRUE(IsSendableInstallationId(GuidId));
    EXPECT_FALSE(IsSendableInstallationId(u""));
    EXPECT_FALSE(IsSendableInstallationId(u"{" + GuidId + u"}"));
    EXPECT_FALSE(IsSendableInstallationId(GuidId.substr(1)));
    EXPECT_FALSE(IsSendableInstallationId(GuidId + u"0"));
    // The rule counts code units, whatever they hold.
    EXPECT_TRUE(IsSendableInstallationId(std::u16string(36, u'"')));
    EXPECT_TRUE(IsSendableInstallationId(std::u16string(36, u'\x00E9')));
}

TEST(UninstallRequestBody, GuidIdGivesThe57BytesOfTheWireFormat) {
    const std::string body = Bytes(UninstallRequestBody(GuidId));
    EXPECT_EQ(body, "{\"installationId\":\"0f8fad5b-d9cb-469f-a165-70867728950e\"}");
    EXPECT_EQ(body.size(), 57u);
    EXPECT_EQ(body.substr(0, 19), "{\"installationId\":\"");
    EXPECT_EQ(body.substr(55), "\"}");
}

TEST(UninstallRequestBody, QuotesAndBackslashesCannotBreakOutOfTheString) {
    // Regression: the id used to be pasted in as it was, so this one injected a member.
    const std::u16string hostile = u"x\",\"admin\":true,\"y\":\"\\";
    EXPECT_EQ(Bytes(UninstallRequestBody(hostile)),
              "{\"installationId\":\"x\\\",\\\"admin\\\":true,\\\"y\\\":\\\"\\\\\"}");
    EXPECT_EQ(Bytes(UninstallRequestBody(u"\\")), "{\"installationId\":\"\\\\\"}");
}

TEST(JsonStringContent, ControlCharactersAreEscaped) {
    EXPECT_EQ(JsonStringContent(u"\b\f\n\r\t"), u"\\b\\f\\n\\r\\t");
    EXPECT_EQ(JsonStringContent(std::u16string(1, u'\0')), u"\\u0000");
    EXPECT_EQ(JsonStringContent(u"\x01\x1F"), u"\\u0001\\u001f");
    // From U+0020 on nothing is escaped, also not DEL, the solidus or non-ASCII letters.
    EXPECT_EQ(JsonStringContent(u" \x7F/\u00E9\u4E2D"), u" \x7F/\u00E9\u4E2D");
    EXPECT_EQ(JsonStringContent(u""), u"");
}

TEST(UninstallRequestBody, NonAsciiIsUtf8WithoutByteOrderMark) {
    const std::string body = Bytes(UninstallRequestBody(u"\u00E9\xD83D\xDE00"));
    EXPECT_EQ(body, "{\"installationId\":\"\xC3\xA9\xF0\x9F\x98\x80\"}");
}

TEST(RequestUrl, AppendsOneSlashAndTheResource) {
    EXPECT_EQ(RequestUrl(u"https://www.mirelbrook.com/api", UninstallResource),
              u"https://www.mirelbrook.com/api/releases.uninstall");
    // No check for a separator that is already there.
    EXPECT_EQ(RequestUrl(u"http://127.0.0.1:8080/api/", u"releases.uninstall"),
              u"http://127.0.0.1:8080/api//releases.uninstall");
    EXPECT_EQ(RequestUrl(u"", u"x"), u"/x");
}

TEST(SplitUrl, HttpsWithDefaultPort) {
    const TUrlParts parts = SplitUrl(u"https://www.mirelbrook.com/api/releases.uninstall");
    EXPECT_TRUE(parts.Secure);
    EXPECT_EQ(parts.Host, u"www.mirelbrook.com");
    EXPECT_EQ(parts.Port, 443);
    EXPECT_EQ(parts.PathAndQuery, u"/api/releases.uninstall");
}

TEST(SplitUrl, HttpWithPortQueryAndFragment) {
    const TUrlParts parts = SplitUrl(u"HTTP://127.0.0.1:65535/api//releases.uninstall?a=1&b=%20#frag");
    EXPECT_FALSE(parts.Secure);
    EXPECT_EQ(parts.Host, u"127.0.0.1");
    EXPECT_EQ(parts.Port, 65535);
    EXPECT_EQ(parts.PathAndQuery, u"/api//releases.uninstall?a=1&b=%20");
}

TEST(SplitUrl, MissingPathBecomesSlash) {
    EXPECT_EQ(SplitUrl(u"http://host").PathAndQuery, u"/");
    EXPECT_EQ(SplitUrl(u"http://host").Port, 80);
    EXPECT_EQ(SplitUrl(u"http://host?q").PathAndQuery, u"/?q");
    EXPECT_EQ(SplitUrl(u"http://host#f").PathAndQuery, u"/");
}

TEST(SplitUrl, Ipv6LiteralKeepsItsBrackets) {
    const TUrlParts parts = SplitUrl(u"http://[::1]:8080/api");
    EXPECT_EQ(parts.Host, u"[::1]");
    EXPECT_EQ(parts.Port, 8080);
    EXPECT_EQ(SplitUrl(u"https://[fe80::1]/").Port, 443);
}

TEST(SplitUrl, RefusesWhatTheClientCannotUse) {
    for (const char16_t* url : {u"",
                                u"ftp://host/",
                                u"https:/host/",
                                u"https://",
                                u"https:///api",
                                u"https://:443/",
                                u"https://host:/",
                                u"https://host:0/",
                                u"https://host:65536/",
                                u"https://host:123456/",
                                u"https://host:8a/",
                                u"https://user:pw@host/",
                                u"https://ho st/",
                                u"https://host/a b",
                                u"https://host/\tx",
                                u"https://host\\api",
                                u"https://[::1/",
                                u"https://[::1]x/",
                                u"https://[zz]/",
                                u"https://[]/",
                                u"https://a:1:2/",
                                u"https://ho%73t/",
                                u"https://host/\x7F",
                                u"mailto:x@y"}) {
        EXPECT_THROW(SplitUrl(url), EError) << Bytes(url);
    }
}

TEST(SplitUrl, ErrorNamesTheUrl) {
    try {
        SplitUrl(u"nonsense");
        FAIL();
    } catch (const EError& e) {
        EXPECT_EQ(e.Message(), u"Invalid URL: nonsense");
    }
}

TEST(ResponseDrain, StopsAtTheByteCapInChunks) {
    TResponseDrain drain;
    uint64_t asked = 0;
    int reads = 0;
    while (const uint32_t size = drain.NextReadSize()) {
        EXPECT_LE(size, TResponseDrain::ChunkSize);
        asked += size;
        drain.Add(size, 0);
        ++reads;
        ASSERT_LT(reads, 1000);
    }
    EXPECT_TRUE(drain.Finished());
    EXPECT_EQ(asked, TResponseDrain::ByteCap);
    EXPECT_EQ(drain.BytesRead(), TResponseDrain::ByteCap);
    EXPECT_EQ(reads, static_cast<int>(TResponseDrain::ByteCap / TResponseDrain::ChunkSize));
}

TEST(ResponseDrain, ShortReadsAskOnlyForWhatIsLeftBeforeTheCap) {
    TResponseDrain drain;
    drain.Add(1000, 0);
    for (int i = 0; i < 15; ++i) {
        drain.Add(TResponseDrain::ChunkSize, 0);
    }
    EXPECT_EQ(drain.NextReadSize(), TResponseDrain::ByteCap - 1000 - 15 * TResponseDrain::ChunkSize);
    EXPECT_FALSE(drain.Finished());
}

TEST(ResponseDrain, EndOfAnswerAndTimeLimitFinish) {
    TResponseDrain ended;
    ended.Add(10, 0);
    ended.Add(0, 0);
    EXPECT_TRUE(ended.Finished());
    EXPECT_EQ(ended.NextReadSize(), 0u);
    EXPECT_EQ(ended.BytesRead(), 10u);

    TResponseDrain trickle;
    trickle.Add(1, TResponseDrain::TimeCapMs - 1);
    EXPECT_FALSE(trickle.Finished());
    trickle.Add(1, TResponseDrain::TimeCapMs);
    EXPECT_TRUE(trickle.Finished());
    EXPECT_EQ(trickle.NextReadSize(), 0u);
}

TEST(ResponseDrain, ALyingReadCannotPushTheCountPastTheCap) {
    TResponseDrain drain;
    drain.Add(0xFFFFFFFFu, 0);
    EXPECT_TRUE(drain.Finished());
    EXPECT_EQ(drain.BytesRead(), TResponseDrain::ByteCap);
}

} // namespace
