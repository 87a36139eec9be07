// One version number: the version resource, the manifest and what the installer writes (the
// Programs-list entry, the log) all carry the version the build was configured with. The web
// request's user agent is checked against it by the uninstall tests.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

using namespace e2e;

namespace {

std::wstring VersionString(const std::vector<uint8_t>& Info, const wchar_t* Name) {
    wchar_t* text = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + Name;
    if (!VerQueryValueW(Info.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || !text) {
        return L"<missing>";
    }
    return std::wstring(text);
}

std::string Manifest(const std::wstring& Exe) {
    std::string text;
    if (const HMODULE module = LoadLibraryExW(Exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        if (const HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
            const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, info)));
            text.assign(bytes, SizeofResource(module, info));
        }
        FreeLibrary(module);
    }
    return text;
}

TEST(VersionTest, ResourceManifestAndWrittenStringsAgree) {
    const std::wstring version = ProductVersion();
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(swscanf(version.c_str(), L"%u.%u.%u", &major, &minor, &patch), 3)
        << "QV_PRODUCT_VERSION is not set";

    const std::wstring exe = InstallerPath();
    std::vector<uint8_t> info(GetFileVersionInfoSizeW(exe.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, DWORD(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, (major << 16) | minor);
    EXPECT_EQ(fixed->dwFileVersionLS, patch << 16);
    EXPECT_EQ(fixed->dwProductVersionMS, (major << 16) | minor);
    EXPECT_EQ(fixed->dwProductVersionLS, patch << 16);
    EXPECT_EQ(VersionString(info, L"FileVersion"), version);
    EXPECT_EQ(VersionString(info, L"ProductVersion"), version);

    const std::string identity = "name=\"Mirelbrook.QuorvalentInstaller\" version=\"" +
                                 std::string(version.begin(), version.end()) + ".0\"";
    EXPECT_NE(Manifest(exe).find(identity), std::string::npos) << Manifest(exe);

    ResetInstallState();
    const std::wstring log = FreshFolder(L"version-log") + L"\\run.log";
    ASSERT_EQ(RunInstaller(L"/verysilent /log=\"" + log + L"\"").ExitCode, 0u);
    EXPECT_EQ(ReadRegValue(UninstallKey, L"DisplayVersion")->Text, version);
    EXPECT_NE(ReadUtf8File(log).find(L"Quorvalent installer " + version + L", command line:"),
              std::wstring::npos);
    ResetInstallState();
}

} // namespace
