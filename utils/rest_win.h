// The REST client of the installer and the background thread that tells the vendor's web
// API that this installation was removed. The thread reports its end only through the flag
// UninstallRequestFinished, which the user-interface thread polls.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "utils/module_win.h"

// False at load; false again when a notification thread starts; true when it has ended,
// whatever became of the request.
extern std::atomic<bool> UninstallRequestFinished;

// Owns a WinHTTP handle (session, connection or request). WinHTTP is loaded at run time, so
// the handle carries the close function of the loaded library.
class THttpHandle {
public:
    using TClose = BOOL(WINAPI*)(void*);

    THttpHandle() noexcept = default;
    THttpHandle(void* Handle, TClose Close) noexcept : FHandle(Handle), FClose(Close) {}
    THttpHandle(const THttpHandle&) = delete;
    THttpHandle& operator=(const THttpHandle&) = delete;
    THttpHandle(THttpHandle&& Other) noexcept
        : FHandle(std::exchange(Other.FHandle, nullptr)), FClose(Other.FClose) {}
    THttpHandle& operator=(THttpHandle&& Other) noexcept {
        if (this != &Other) {
            Reset();
            FHandle = std::exchange(Other.FHandle, nullptr);
            FClose = Other.FClose;
        }
        return *this;
    }
    ~THttpHandle() { Reset(); }

    void* Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return FHandle != nullptr; }
    void Reset() noexcept {
        if (FHandle && FClose) {
            FClose(FHandle);
        }
        FHandle = nullptr;
    }

private:
    void* FHandle = nullptr;
    TClose FClose = nullptr;
};

// The client of the web API at ApiAddress for the installation InstallationId, both as the
// installation properties held them when the run started. Shared: the notification's thread
// keeps the client it sends with alive for as long as it runs.
class TRestApi : public std::enable_shared_from_this<TRestApi> {
public:
    // The client session is opened on first use: only an uninstall needs it, and WinHTTP
    // with the libraries it brings would slow down every install and update.
    TRestApi(std::u16string ApiAddress, std::u16string InstallationId);
    ~TRestApi();
    TRestApi(const TRestApi&) = delete;
    TRestApi& operator=(const TRestApi&) = delete;

    // Opens the client session, then starts the notification thread and returns at once. The
    // client must be owned by a shared_ptr.
    void SendUninstallRequest();

    // Sends one request to ApiAddress + "/" + Resource, with Body as UTF-8 when Method is
    // "POST". The answer, whatever its status, is read in small chunks and discarded, up to
    // the drain's caps; returns the number of its bytes read. Raises EError when the request
    // cannot be completed (bad URL, name resolution, connection, TLS, time-out, transfer).
    uint64_t Request(const std::u16string& Method, const std::u16string& Resource,
                     const std::u16string& Body);

    // What became of the last notification, for the run's log: written by its thread before
    // it sets UninstallRequestFinished, and read only after that.
    const std::u16string& Outcome() const noexcept { return FOutcome; }

private:
    friend class TUninstallRequestThread;
    struct TWinHttp;

    // Loads WinHTTP from System32 and opens the session with the user agent and the secure
    // protocols TLS 1.1 to 1.3, once. Never fails: without WinHTTP every request raises.
    void OpenClient();

    const std::u16string FApiAddress;
    const std::u16string FInstallationId;
    std::unique_ptr<TSystemLibrary> FLibrary;
    bool FOpened = false;
    std::unique_ptr<TWinHttp> FApi;
    THttpHandle FHttpClient;
    std::u16string FOutcome;
};

// The process-wide REST client, published by the run's services (app/run_services_win.h).
extern TRestApi* RestApi;

// The thread that sends the uninstall notification once. It is detached: nobody joins it,
// because the run must never wait for a web API (Cancel ends the run at once, and a removal
// that waited 15 s goes on without it), and it may still run while the process ends. So that
// nothing it uses can go away under it, the thread owns its own object, which holds the
// client it sends with, and reads no global.
class TUninstallRequestThread {
public:
    // Sets UninstallRequestFinished to false, then starts the thread. When no thread can be
    // started the flag is set again at once, so that the removal is never held up.
    static void SendRequest(std::shared_ptr<TRestApi> Api);

    TUninstallRequestThread(const TUninstallRequestThread&) = delete;
    TUninstallRequestThread& operator=(const TUninstallRequestThread&) = delete;

private:
    explicit TUninstallRequestThread(std::shared_ptr<TRestApi> Api) noexcept : FApi(std::move(Api)) {}
    static DWORD WINAPI ThreadProc(void* Self);
    // Posts the installation id when it has 36 characters; sets the flag in every case.
    void Execute() noexcept;

    const std::shared_ptr<TRestApi> FApi;
};
