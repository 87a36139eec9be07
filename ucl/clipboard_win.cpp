#include "ucl/clipboard_win.h"

#include <cstring>
#include <utility>

#include "utils/unique_handle.h"

namespace {

// The clipboard, open for this thread from construction to destruction.
class TOpenClipboard {
public:
    explicit TOpenClipboard(HWND Owner) noexcept {
        for (int attempt = 0; attempt < 10 && !FOpen; ++attempt) {
            FOpen = OpenClipboard(Owner) != FALSE;
            if (!FOpen) {
                Sleep(10);
            }
        }
    }
    TOpenClipboard(const TOpenClipboard&) = delete;
    TOpenClipboard& operator=(const TOpenClipboard&) = delete;
    ~TOpenClipboard() {
        if (FOpen) {
            CloseClipboard();
        }
    }
    bool Open() const noexcept { return FOpen; }

private:
    bool FOpen = false;
};

// A locked global memory block, unlocked again at the end of the scope.
class TGlobalLock {
public:
    explicit TGlobalLock(HGLOBAL Memory) noexcept
        : FMemory(Memory), FData(Memory ? GlobalLock(Memory) : nullptr) {}
    TGlobalLock(const TGlobalLock&) = delete;
    TGlobalLock& operator=(const TGlobalLock&) = delete;
    ~TGlobalLock() {
        if (FData) {
            GlobalUnlock(FMemory);
        }
    }
    void* Data() const noexcept { return FData; }

private:
    HGLOBAL FMemory;
    void* FData;
};

// A movable global block, owned until the clipboard takes it.
using TGlobalMemory = TUniqueHandle<HGLOBAL, GlobalFree>;

} // namespace

std::u16string ReadClipboardText(HWND Owner) {
    const TOpenClipboard clipboard(Owner);
    if (!clipboard.Open()) {
        return {};
    }
    const HANDLE data = GetClipboardData(CF_UNICODETEXT);
    const TGlobalLock lock(data);
    if (!lock.Data()) {
        return {};
    }
    // Up to the first NUL, and never past the block (a text without one ends there).
    const auto* text = static_cast<const char16_t*>(lock.Data());
    const size_t limit = GlobalSize(data) / sizeof(char16_t);
    size_t length = 0;
    while (length < limit && text[length] != 0) {
        ++length;
    }
    return std::u16string(text, length);
}

bool WriteClipboardText(HWND Owner, const std::u16string& Text) {
    TGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, (Text.size() + 1) * sizeof(char16_t)));
    {
        const TGlobalLock lock(memory.Get());
        if (!lock.Data()) {
            return false;
        }
        std::memcpy(lock.Data(), Text.c_str(), (Text.size() + 1) * sizeof(char16_t));
    }
    const TOpenClipboard clipboard(Owner);
    if (!clipboard.Open() || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory.Get())) {
        return false;
    }
    memory.Release(); // the clipboard owns it now
    return true;
}
