#include "utils/rest_win.h"

#include <winhttp.h>

#include "utils/exception.h"
#include "utils/log_format.h"
#include "utils/rest_request.h"
#include "utils/strings.h"
#include "utils/text_win.h"
#include "utils/os_error_win.h"
#include "utils/handles_win.h"
#include "utils/module_win.h"

std::atomic<bool> UninstallRequestFinished{false};
TRestApi* RestApi = nullptr;

// The few WinHTTP functions the client calls, taken from the library loaded at run time.
struct TRestApi::TWinHttp {
    decltype(&WinHttpOpen) Open;
    decltype(&WinHttpCloseHandle) CloseHandle;
    decltype(&WinHttpSetOption) SetOption;
    decltype(&WinHttpSetTimeouts) SetTimeouts;
    decltype(&WinHttpConnect) Connect;
    decltype(&WinHttpOpenRequest) OpenRequest;
    decltype(&WinHttpAddRequestHeaders) AddRequestHeaders;
    decltype(&WinHttpSendRequest) SendRequest;
    decltype(&WinHttpReceiveResponse) ReceiveResponse;
    decltype(&WinHttpQueryDataAvailable) QueryDataAvailable;
    decltype(&WinHttpReadData) ReadData;

    bool Complete() const noexcept {
        return Open && CloseHandle && SetOption && SetTimeouts && Connect && OpenRequest &&
               AddRequestHeaders && SendRequest && ReceiveResponse && QueryDataAvailable && ReadData;
    }
};

namespace {

constexpr DWORD SecureProtocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 |
                                  WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
// Systems before TLS 1.3 refuse the whole set when it names 1.3.
constexpr DWORD SecureProtocolsWithoutTls13 =
    WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;

constexpr wchar_t ConnectionHeader[] = L"Connection: keep-alive";
constexpr wchar_t AcceptHeader[] = L"Accept: application/json";
constexpr wchar_t ContentTypeHeader[] = L"Content-Type: application/json;charset=UTF-8";

[[noreturn]] void RaiseRequestError(const std::u16string& url) {
    RaiseLastOSError(u"The request to '" + url + u"' failed");
}

} // namespace

TRestApi::TRestApi(std::u16string ApiAddress, std::u16string InstallationId)
    : FApiAddress(std::move(ApiAddress)), FInstallationId(std::move(InstallationId)),
      FApi(std::make_unique<TWinHttp>()) {}

void TRestApi::OpenClient() {
    if (FOpened) {
        return;
    }
    FOpened = true;
    FLibrary = std::make_unique<TSystemLibrary>(L"winhttp.dll");
    FApi->Open = FLibrary->Proc<decltype(&WinHttpOpen)>("WinHttpOpen");
    FApi->CloseHandle = FLibrary->Proc<decltype(&WinHttpCloseHandle)>("WinHttpCloseHandle");
    FApi->SetOption = FLibrary->Proc<decltype(&WinHttpSetOption)>("WinHttpSetOption");
    FApi->SetTimeouts = FLibrary->Proc<decltype(&WinHttpSetTimeouts)>("WinHttpSetTimeouts");
    FApi->Connect = FLibrary->Proc<decltype(&WinHttpConnect)>("WinHttpConnect");
    FApi->OpenRequest = FLibrary->Proc<decltype(&WinHttpOpenRequest)>("WinHttpOpenRequest");
    FApi->AddRequestHeaders = FLibrary->Proc<decltype(&WinHttpAddRequestHeaders)>("WinHttpAddRequestHeaders");
    FApi->SendRequest = FLibrary->Proc<decltype(&WinHttpSendRequest)>("WinHttpSendRequest");
    FApi->ReceiveResponse = FLibrary->Proc<decltype(&WinHttpReceiveResponse)>("WinHttpReceiveResponse");
    FApi->QueryDataAvailable =
        FLibrary->Proc<decltype(&WinHttpQueryDataAvailable)>("WinHttpQueryDataAvailable");
    FApi->ReadData = FLibrary->Proc<decltype(&WinHttpReadData)>("WinHttpReadData");
    if (!FApi->Complete()) {
        return;
    }
    const std::u16string agent = RestUserAgent;
    HINTERNET session = FApi->Open(WStr(agent), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session) {
        // Systems before Windows 8.1 know only the configured proxy.
        session = FApi->Open(WStr(agent), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0);
    }
    FHttpClient = THttpHandle(session, FApi->CloseHandle);
    if (!FHttpClient) {
        return;
    }
    DWORD protocols = SecureProtocols;
    if (!FApi->SetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols))) {
        protocols = SecureProtocolsWithoutTls13;
        FApi->SetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
    }
}

TRestApi::~TRestApi() = default;

void TRestApi::SendUninstallRequest() {
    OpenClient();
    TUninstallRequestThread::SendRequest(shared_from_this());
}

uint64_t TRestApi::Request(const std::u16string& Method, const std::u16string& Resource,
                           const std::u16string& Body) {
    const std::u16string url = RequestUrl(FApiAddress, Resource);
    const TUrlParts parts = SplitUrl(url);
    OpenClient();
    if (!FHttpClient) {
        throw EError(u"The HTTP client of the system is not available.");
    }
    const TWinHttp& api = *FApi;

    THttpHandle connection(api.Connect(FHttpClient.Get(), WStr(parts.Host), parts.Port, 0), api.CloseHandle);
    if (!connection) {
        RaiseRequestError(url);
    }
    THttpHandle request(api.OpenRequest(connection.Get(), WStr(Method), WStr(parts.PathAndQuery), nullptr,
                                        WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                        parts.Secure ? WINHTTP_FLAG_SECURE : 0),
                        api.CloseHandle);
    if (!request) {
        RaiseRequestError(url);
    }

    // Name resolution, connecting, sending and each wait for the answer get 5000 ms.
    const int timeout = static_cast<int>(RestTimeoutMs);
    DWORD responseTimeout = RestTimeoutMs;
    DWORD noCookies = WINHTTP_DISABLE_COOKIES;
    if (!api.SetTimeouts(request.Get(), timeout, timeout, timeout, timeout) ||
        !api.SetOption(request.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout,
                       sizeof(responseTimeout)) ||
        !api.SetOption(request.Get(), WINHTTP_OPTION_DISABLE_FEATURE, &noCookies, sizeof(noCookies)) ||
        !api.AddRequestHeaders(request.Get(), ConnectionHeader, static_cast<DWORD>(-1L),
                               WINHTTP_ADDREQ_FLAG_ADD) ||
        !api.AddRequestHeaders(request.Get(), AcceptHeader, static_cast<DWORD>(-1L),
                               WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE) ||
        !api.AddRequestHeaders(request.Get(), ContentTypeHeader, static_cast<DWORD>(-1L),
                               WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE)) {
        RaiseRequestError(url);
    }

    std::u8string content;
    if (Method == u"POST") {
        content = ToUtf8(Body);
    }
    const auto size = static_cast<DWORD>(content.size());
    void* data = content.empty() ? WINHTTP_NO_REQUEST_DATA : content.data();
    if (!api.SendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, size, size, 0) ||
        !api.ReceiveResponse(request.Get(), nullptr)) {
        RaiseRequestError(url);
    }

    TResponseDrain drain;
    char buffer[TResponseDrain::ChunkSize];
    const ULONGLONG start = GetTickCount64();
    while (uint32_t wanted = drain.NextReadSize()) {
        // Asking only for what has arrived keeps a read from waiting for a full chunk of a
        // trickling answer, so the time limit is checked between the bytes.
        DWORD available = 0;
        if (!api.QueryDataAvailable(request.Get(), &available)) {
            RaiseRequestError(url);
        }
        if (available < wanted) {
            wanted = available;
        }
        DWORD received = 0;
        if (wanted > 0 && !api.ReadData(request.Get(), buffer, wanted, &received)) {
            RaiseRequestError(url);
        }
        drain.Add(received, GetTickCount64() - start);
    }
    return drain.BytesRead();
}

void TUninstallRequestThread::SendRequest(std::shared_ptr<TRestApi> Api) {
    UninstallRequestFinished = false;
    std::unique_ptr<TUninstallRequestThread> thread(new TUninstallRequestThread(std::move(Api)));
    const TScopedHandle handle(CreateThread(nullptr, 0, ThreadProc, thread.get(), 0, nullptr));
    if (!handle.Valid()) {
        UninstallRequestFinished = true;
        return;
    }
    // The thread owns it now.
    thread.release();
}

DWORD WINAPI TUninstallRequestThread::ThreadProc(void* Self) {
    const std::unique_ptr<TUninstallRequestThread> thread(static_cast<TUninstallRequestThread*>(Self));
    thread->Execute();
    return 0;
}

void TUninstallRequestThread::Execute() noexcept {
    std::u16string outcome;
    try {
        const std::u16string& id = FApi->FInstallationId;
        if (IsSendableInstallationId(id)) {
            const uint64_t answer = FApi->Request(u"POST", UninstallResource, UninstallRequestBody(id));
            outcome = u"sent for installation " + MaskInstallationId(id) + u", " +
                      IntToStr(static_cast<long long>(answer)) + u" bytes of answer read";
        } else {
            outcome = u"not sent: no installation id of 36 characters is recorded";
        }
    } catch (const EError& e) {
        outcome = u"failed: " + e.Message();
    } catch (...) {
        // The notification is fire-and-forget: no message, no retry.
        outcome = u"failed";
    }
    try {
        FApi->FOutcome = std::move(outcome);
    } catch (...) {
    }
    UninstallRequestFinished = true;
}
