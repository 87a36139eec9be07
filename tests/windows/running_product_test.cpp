// The product found by what it runs, whatever its windows are called, and asked to close the
// way a user would: a process running a file of the same name elsewhere is not the product,
// and one that does not close is reported, never ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/windows/test_folders.h"
#include "utils/running_product_win.h"
#include "utils/strings.h"
#include "utils/text_win.h"

namespace {

std::u16string ProductExe() {
    wchar_t buffer[MAX_PATH] = {};
    GetEnvironmentVariableW(L"QV_PRODUCT_EXE", buffer, MAX_PATH);
    std::u16string path = U16(buffer);
    std::replace(path.begin(), path.end(), u'/', u'\\');
    return path;
}

// The stand-in product, copied to Folder\Quorvalent.exe and started with Environment.
class TStartedProduct {
public:
    TStartedProduct(const std::u16string& Folder, const std::vector<std::wstring>& Environment)
        : FPath(Folder + u"\\Quorvalent.exe") {
        CopyFileW(WStr(ProductExe()), WStr(FPath), FALSE);
        std::wstring block;
        for (const std::wstring& entry : Environment) {
            block += entry + L'\0';
        }
        for (const wchar_t* p = GetEnvironmentStringsW(); *p; p += wcslen(p) + 1) {
            block += std::wstring(p) + L'\0';
        }
        block += L'\0';
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        std::wstring line = L"\"" + std::wstring(WStr(FPath)) + L"\"";
        if (CreateProcessW(WStr(FPath), line.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                           block.data(), nullptr, &startup, &FInfo)) {
            CloseHandle(FInfo.hThread);
            WaitForInputIdle(FInfo.hProcess, 15000);
        }
    }
    ~TStartedProduct() {
        if (FInfo.hProcess) {
            TerminateProcess(FInfo.hProcess, 0);
            WaitForSingleObject(FInfo.hProcess, 10000);
            CloseHandle(FInfo.hProcess);
        }
    }
    uint32_t Id() const { return FInfo.dwProcessId; }
    bool Running() const { return FInfo.hProcess && WaitForSingleObject(FInfo.hProcess, 0) == WAIT_TIMEOUT; }
    bool WaitForEnd() const { return WaitForSingleObject(FInfo.hProcess, 15000) == WAIT_OBJECT_0; }
    // Its window, once it shows.
    HWND Window() const {
        HWND found = nullptr;
        for (int i = 0; i < 300 && !found; ++i) {
            found = FindProcessWindow();
            if (!found) {
                WaitForSingleObject(FInfo.hProcess, 50);
            }
        }
        return found;
    }
    const std::u16string& Path() const { return FPath; }

private:
    HWND FindProcessWindow() const {
        struct TSearch {
            DWORD Id;
            HWND Found;
        } search{FInfo.dwProcessId, nullptr};
        EnumWindows(
            [](HWND Window, LPARAM Parameter) -> BOOL {
                auto& s = *reinterpret_cast<TSearch*>(Parameter);
                DWORD id = 0;
                GetWindowThreadProcessId(Window, &id);
                if (id == s.Id && IsWindowVisible(Window)) {
                    s.Found = Window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.Found;
    }

    std::u16string FPath;
    PROCESS_INFORMATION FInfo{};
};

std::vector<uint32_t> Ids(const std::vector<TRunningProcess>& Processes) {
    std::vector<uint32_t> ids;
    for (const TRunningProcess& process : Processes) {
        ids.push_back(process.Id);
    }
    return ids;
}

TEST(RunningProduct, FoundByItsImageInAnySpellingButNotByItsNameElsewhere) {
    const std::u16string folder = FreshTestFolder(u"running-product");
    const std::u16string elsewhere = FreshTestFolder(u"running-product-elsewhere");
    const TStartedProduct product(folder, {});
    const TStartedProduct other(elsewhere, {});
    ASSERT_TRUE(product.Running());
    ASSERT_TRUE(other.Running());
    const std::u16string spellings[] = {
        product.Path(),
        AsciiUpperCase(product.Path()),
        ReplaceAll(product.Path(), u"\\", u"/"),
        folder + u"\\.\\Quorvalent.exe",
        folder + u"\\sub\\..\\Quorvalent.exe",
    };
    for (const std::u16string& spelling : spellings) {
        EXPECT_EQ(Ids(FindProcessesRunning(spelling)), std::vector<uint32_t>{product.Id()})
            << std::string(spelling.begin(), spelling.end());
    }
    EXPECT_TRUE(FindProcessesRunning(folder + u"\\QuorvalentInstaller.exe").empty());
    EXPECT_TRUE(FindProcessesRunning(u"").empty());
}

TEST(RunningProduct, AWindowWithTheDocumentsTitleIsAskedAndTheProductWaitedFor) {
    const std::u16string folder = FreshTestFolder(u"running-product-title");
    const TStartedProduct product(folder, {L"QUORVALENT_STANDIN_TITLE=Quorvalent - requests.json"});
    ASSERT_NE(product.Window(), nullptr);
    ASSERT_EQ(FindWindowW(nullptr, L"Quorvalent"), nullptr) << "only the title would have found it";
    const std::vector<TRunningProcess> found = FindProcessesRunning(product.Path());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(AskWindowsToClose(u"Quorvalent", found, 0), 1);
    EXPECT_TRUE(WaitForProcessesToEnd(found, 15000).empty());
    EXPECT_FALSE(product.Running());
}

TEST(RunningProduct, AProductThatStaysIsReportedAndLeftRunning) {
    const std::u16string folder = FreshTestFolder(u"running-product-stays");
    const std::u16string elsewhere = FreshTestFolder(u"running-product-stays-elsewhere");
    const TStartedProduct refusing(folder, {L"QUORVALENT_STANDIN_REFUSE_CLOSE=1"});
    // A window of that title in another folder's product is asked too, but not waited for.
    const TStartedProduct other(elsewhere, {});
    ASSERT_NE(refusing.Window(), nullptr);
    ASSERT_NE(other.Window(), nullptr);
    const std::vector<TRunningProcess> found = FindProcessesRunning(refusing.Path());
    ASSERT_EQ(Ids(found), std::vector<uint32_t>{refusing.Id()});
    EXPECT_EQ(AskWindowsToClose(u"Quorvalent", found, 0), 2);
    EXPECT_TRUE(other.WaitForEnd());
    EXPECT_EQ(WaitForProcessesToEnd(found, 300), std::vector<uint32_t>{refusing.Id()});
    EXPECT_TRUE(refusing.Running());
    EXPECT_TRUE(WaitForProcessesToEnd({}, 0).empty());
}

} // namespace
