#include "utils/running_product_win.h"

#include <tlhelp32.h>

#include <algorithm>
#include <optional>

#include "utils/atomic_file_writer_win.h"
#include "utils/paths.h"
#include "utils/text_win.h"

namespace {

using TSnapshotHandle = TScopedHandle;

std::u16string ProcessImage(HANDLE Process) {
    // Long enough for any path the file system allows.
    std::u16string image(32768, u'\0');
    DWORD length = static_cast<DWORD>(image.size());
    if (!QueryFullProcessImageNameW(Process, 0, reinterpret_cast<wchar_t*>(image.data()), &length)) {
        return {};
    }
    image.resize(length);
    return image;
}

// The product's image file, read once for the comparison with every running process.
struct TImage {
    std::u16string Path;
    std::optional<TFileIdentity> Identity;
};

bool SameImage(const std::u16string& Running, const TImage& Image) {
    const std::u16string running = NormalizedFullPath(Running);
    if (!running.empty() &&
        CompareStringOrdinal(WStr(running), static_cast<int>(running.size()), WStr(Image.Path),
                             static_cast<int>(Image.Path.size()), TRUE) == CSTR_EQUAL) {
        return true;
    }
    return Image.Identity && FileIdentityOf(Running) == Image.Identity;
}

struct TWindowSearch {
    const std::u16string* Title;
    const std::vector<TRunningProcess>* Processes;
    int Asked = 0;
};

bool HasTitle(HWND Window, const std::u16string& Title) {
    std::u16string text(Title.size() + 2, u'\0');
    const int length =
        GetWindowTextW(Window, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()));
    return length == static_cast<int>(Title.size()) && text.compare(0, Title.size(), Title) == 0;
}

BOOL CALLBACK AskProcessWindow(HWND Window, LPARAM Parameter) {
    auto& search = *reinterpret_cast<TWindowSearch*>(Parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(Window, &process);
    const bool ours = std::any_of(search.Processes->begin(), search.Processes->end(),
                                  [&](const TRunningProcess& p) { return p.Id == process; });
    // Hidden and owned windows are the product's own business; the ones titled like the
    // product were asked already.
    if (ours && IsWindowVisible(Window) && !GetWindow(Window, GW_OWNER) && !HasTitle(Window, *search.Title) &&
        PostMessageW(Window, WM_CLOSE, 0, 0)) {
        ++search.Asked;
    }
    return TRUE;
}

} // namespace

std::vector<TRunningProcess> FindProcessesRunning(const std::u16string& Image) {
    std::vector<TRunningProcess> found;
    const TImage image{NormalizedFullPath(Image), FileIdentityOf(Image)};
    const TSnapshotHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.Valid()) {
        return found;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId() || entry.th32ProcessID == 0) {
            continue;
        }
        TScopedHandle process(
            OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process.Valid() && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT &&
            SameImage(ProcessImage(process.Get()), image)) {
            found.push_back({entry.th32ProcessID, std::move(process)});
        }
    }
    return found;
}

int AskWindowsToClose(const std::u16string& Title, const std::vector<TRunningProcess>& Processes,
                      DWORD PauseMs) {
    int asked = 0;
    HWND window = FindWindowW(nullptr, WStr(Title));
    while (window) {
        if (PostMessageW(window, WM_CLOSE, 0, 0)) {
            ++asked;
        }
        window = FindWindowExW(nullptr, window, nullptr, WStr(Title));
        Sleep(PauseMs);
    }
    if (!Processes.empty()) {
        TWindowSearch search{&Title, &Processes};
        EnumWindows(AskProcessWindow, reinterpret_cast<LPARAM>(&search));
        asked += search.Asked;
    }
    return asked;
}

std::vector<uint32_t> WaitForProcessesToEnd(const std::vector<TRunningProcess>& Processes, DWORD TimeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + TimeoutMs;
    std::vector<uint32_t> running;
    for (const TRunningProcess& process : Processes) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
        if (WaitForSingleObject(process.Handle.Get(), left) == WAIT_TIMEOUT) {
            running.push_back(process.Id);
        }
    }
    return running;
}
