// The REST client and the notification thread against a real HTTP server on 127.0.0.1 in
// this process: what goes over the wire, and how the client copes with servers that never
// answer, cannot be reached, or never stop sending.
#include "tests/windows/test_http_server.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/run_services_win.h"
#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/properties_win.h"
#include "utils/registry_win.h"
#include "utils/rest_win.h"
#include "utils/rest_request.h"
#include "utils/strings.h"
#include "utils/text_win.h"

using testhttp::TServerMode;
using testhttp::TTestHttpServer;

namespace {

const std::u16string GuidId = u"0f8fad5b-d9cb-469f-a165-70867728950e";

class RestApiTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, WStr(AppRegistryKey)); }
    void TearDown() override {
        // The flag is the process's: a thread still waiting on a server must not set it in
        // the next test.
        WaitFinished(30000);
        FServices.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, WStr(AppRegistryKey));
    }

    // The run's services as the installer makes them at start-up, from the registry's values.
    void UseApi(const std::u16string& ApiAddress, const std::u16string& Id) {
        WriteRegString(AppRegistryKey, u"ApiAddress", ApiAddress);
        if (!Id.empty()) {
            WriteRegString(AppRegistryKey, u"InstallationId", Id);
        }
        FServices.reset();
        FServices = std::make_unique<TWin32RunServices>(u"English");
    }
    TRestApi& Api() { return FServices->RestApi(); }

    static bool WaitFinished(DWORD TimeoutMs) {
        const ULONGLONG end = GetTickCount64() + TimeoutMs;
        while (!UninstallRequestFinished) {
            if (GetTickCount64() > end) {
                return false;
            }
            Sleep(20);
        }
        return true;
    }

    template <typename F> static bool WaitFor(F Predicate, DWORD TimeoutMs) {
        const ULONGLONG end = GetTickCount64() + TimeoutMs;
        while (!Predicate()) {
            if (GetTickCount64() > end) {
                return false;
            }
            Sleep(20);
        }
        return true;
    }

    std::unique_ptr<TWin32RunServices> FServices;
};

TEST_F(RestApiTest, NotificationPostsTheIdOnceWithItsHeadersAndUserAgent) {
    TTestHttpServer server(TServerMode::smAnswer);
    UseApi(server.ApiAddress(), GuidId);
    Api().SendUninstallRequest();
    ASSERT_TRUE(WaitFinished(30000));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto& request = requests[0];
    EXPECT_EQ(request.Method, "POST");
    EXPECT_EQ(request.Target, "/api/releases.uninstall");
    EXPECT_EQ(request.Version, "HTTP/1.1");
    EXPECT_EQ(request.Body, "{\"installationId\":\"0f8fad5b-d9cb-469f-a165-70867728950e\"}");
    EXPECT_EQ(request.Body.size(), 57u);
    EXPECT_EQ(request.Values("Content-Length"), std::vector<std::string>{"57"});
    EXPECT_EQ(request.Values("Connection"), std::vector<std::string>{"keep-alive"});
    EXPECT_EQ(request.Values("Accept"), std::vector<std::string>{"application/json"});
    EXPECT_EQ(request.Values("Content-Type"), std::vector<std::string>{"application/json;charset=UTF-8"});
    // The version the build was configured with, as the test runner passes it on.
    const char* version = std::getenv("QV_PRODUCT_VERSION");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(request.Values("User-Agent"), std::vector<std::string>{std::string("Quorvalent/") + version});
    EXPECT_EQ(request.Values("Host"), std::vector<std::string>{"127.0.0.1:" + std::to_string(server.Port())});
    EXPECT_TRUE(request.Values("Cookie").empty());
}

TEST_F(RestApiTest, CookiesAreNeitherKeptNorSent) {
    TTestHttpServer server(TServerMode::smAnswer, 200, "Set-Cookie: session=abc; Path=/\r\n");
    UseApi(server.ApiAddress(), GuidId);
    Api().Request(u"POST", u"one", u"{}");
    Api().Request(u"POST", u"two", u"{}");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[1].Values("Cookie").empty());
}

TEST_F(RestApiTest, ErrorStatusIsReadAndIgnoredLikeSuccess) {
    TTestHttpServer server(TServerMode::smAnswer, 500);
    UseApi(server.ApiAddress(), GuidId);
    EXPECT_EQ(Api().Request(u"POST", UninstallResource, u"{}"), 2u);
}

TEST_F(RestApiTest, OtherMethodsCarryNoBody) {
    TTestHttpServer server(TServerMode::smAnswer);
    UseApi(server.ApiAddress(), GuidId);
    Api().Request(u"GET", u"releases.latest", u"{\"ignored\":1}");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].Method, "GET");
    EXPECT_EQ(requests[0].Target, "/api/releases.latest");
    EXPECT_EQ(requests[0].Body, "");
}

TEST_F(RestApiTest, AddressEndingInSlashGivesTwoSlashes) {
    TTestHttpServer server(TServerMode::smAnswer);
    UseApi(server.ApiAddress() + u"/", GuidId);
    Api().Request(u"POST", UninstallResource, u"{}");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].Target, "/api//releases.uninstall");
}

TEST_F(RestApiTest, HostileIdIsSentAsOneJsonString) {
    TTestHttpServer server(TServerMode::smAnswer);
    const std::u16string hostile = u"\",\"x\":\"\\aaaaaaaaaaaaaaaaaaaaaaaaaaaa";
    ASSERT_EQ(hostile.size(), 36u);
    UseApi(server.ApiAddress(), hostile);
    Api().SendUninstallRequest();
    ASSERT_TRUE(WaitFinished(30000));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].Body,
              "{\"installationId\":\"\\\",\\\"x\\\":\\\"\\\\aaaaaaaaaaaaaaaaaaaaaaaaaaaa\"}");
}

TEST_F(RestApiTest, NoIdOrAnIdOfAnotherLengthSendsNothing) {
    TTestHttpServer server(TServerMode::smAnswer);
    for (const std::u16string& id : {std::u16string(), u"{" + GuidId + u"}", GuidId.substr(1)}) {
        UseApi(server.ApiAddress(), id);
        ASSERT_EQ(Properties->InstallationId(), id);
        Api().SendUninstallRequest();
        ASSERT_TRUE(WaitFinished(10000));
        RegDeleteTreeW(HKEY_CURRENT_USER, WStr(AppRegistryKey));
    }
    // The threads have ended, so nothing can connect any more.
    EXPECT_EQ(server.Connections(), 0);
}

TEST_F(RestApiTest, HangingApiEndsTheThreadAfterTheTimeOut) {
    TTestHttpServer server(TServerMode::smHang);
    UseApi(server.ApiAddress(), GuidId);
    const ULONGLONG start = GetTickCount64();
    Api().SendUninstallRequest();
    // The call returned while the server still holds the request.
    EXPECT_FALSE(UninstallRequestFinished);
    ASSERT_TRUE(WaitFinished(60000));
    const ULONGLONG elapsed = GetTickCount64() - start;
    std::printf("hanging API: flag set after %llu ms\n", elapsed);
    // WinHTTP waits 30 s for an answer by default; the 5 s time-out ends it well before.
    EXPECT_LT(elapsed, 20000u);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(RestApiTest, ANotificationStillRunningWhenTheRunEndsKeepsWhatItSendsWith) {
    TTestHttpServer server(TServerMode::smHang);
    UseApi(server.ApiAddress(), GuidId);
    Api().SendUninstallRequest();
    ASSERT_TRUE(WaitFor([&] { return server.Requests().size() == 1; }, 30000));
    // The run ends (Cancel, or a removal that stopped waiting) while the request is out.
    FServices.reset();
    EXPECT_EQ(RestApi, nullptr);
    EXPECT_EQ(Properties, nullptr);
    ASSERT_TRUE(WaitFinished(60000)) << "the thread ended on its own time-out";
    EXPECT_EQ(server.Requests()[0].Body, "{\"installationId\":\"0f8fad5b-d9cb-469f-a165-70867728950e\"}");
}

TEST_F(RestApiTest, HangingApiRaisesFromRequest) {
    TTestHttpServer server(TServerMode::smHang);
    UseApi(server.ApiAddress(), GuidId);
    EXPECT_THROW(Api().Request(u"POST", UninstallResource, u"{}"), EError);
}

TEST_F(RestApiTest, UnreachableApiRaisesAndTheThreadStillEnds) {
    const std::u16string address = u"http://127.0.0.1:" + IntToStr(TTestHttpServer::UnusedPort()) + u"/api";
    UseApi(address, GuidId);
    try {
        Api().Request(u"POST", UninstallResource, u"{}");
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_NE(e.Message().find(address + u"/releases.uninstall"), std::u16string::npos);
    }
    Api().SendUninstallRequest();
    EXPECT_TRUE(WaitFinished(30000));
}

TEST_F(RestApiTest, InvalidAddressRaisesAndTheThreadStillEnds) {
    UseApi(u"ftp://127.0.0.1/api", GuidId);
    try {
        Api().Request(u"POST", UninstallResource, u"{}");
        FAIL() << "no error";
    } catch (const EError& e) {
        EXPECT_EQ(e.Message(), u"Invalid URL: ftp://127.0.0.1/api/releases.uninstall");
    }
    Api().SendUninstallRequest();
    EXPECT_TRUE(WaitFinished(10000));
}

TEST_F(RestApiTest, EndlessBodyIsReadOnlyUpToTheCap) {
    TTestHttpServer server(TServerMode::smEndlessBody);
    UseApi(server.ApiAddress(), GuidId);
    EXPECT_EQ(Api().Request(u"POST", UninstallResource, u"{}"), TResponseDrain::ByteCap);
    // The client hung up; the server did not have to stop on its own.
    EXPECT_TRUE(WaitFor([&] { return server.ClientGaveUp(); }, 20000));
    std::printf("endless body: the server sent %llu bytes before the client hung up\n",
                static_cast<unsigned long long>(server.BodyBytesSent()));
}

TEST_F(RestApiTest, TricklingBodyIsAbandonedAfterTheTimeLimit) {
    TTestHttpServer server(TServerMode::smTrickle);
    UseApi(server.ApiAddress(), GuidId);
    const uint64_t read = Api().Request(u"POST", UninstallResource, u"{}");
    EXPECT_GT(read, 0u);
    EXPECT_LT(read, TResponseDrain::ByteCap);
    std::printf("trickling body: %llu bytes read before giving up\n", static_cast<unsigned long long>(read));
}

} // namespace
