#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "utils/consts.h"
#include "utils/exception.h"
#include "utils/properties_win.h"
#include "utils/registry_win.h"
#include "utils/strings.h"
#include "utils/text_win.h"

namespace {

// The tests own the product's keys while they run.
class PropertiesTest : public ::testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean() {
        DeleteRegKey(u"SOFTWARE\\Mirelbrook");
        DeleteRegKey(ProgramsListKey);
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, WStr(PersonalizeKey), 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueW(key, L"AppsUseLightTheme");
            RegCloseKey(key);
        }
    }
    static void SetTheme(DWORD type, const void* data, DWORD size) {
        HKEY key;
        RegCreateKeyExW(HKEY_CURRENT_USER, WStr(PersonalizeKey), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr);
        RegSetValueExW(key, L"AppsUseLightTheme", 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    static DWORD ReadDword(const std::u16string& name) {
        DWORD value = 0, size = sizeof(value), type = 0;
        RegGetValueW(HKEY_CURRENT_USER, WStr(std::u16string(ProgramsListKey)), WStr(name), RRF_RT_ANY, &type,
                     &value, &size);
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << std::string(name.begin(), name.end());
        return value;
    }
};

TEST_F(PropertiesTest, DefaultsWithoutAnyKey) {
    const TProperties properties;
    EXPECT_EQ(properties.AppKey, u"SOFTWARE\\Mirelbrook\\Quorvalent\\");
    EXPECT_EQ(properties.InstallLocation(), u"");
    EXPECT_EQ(properties.ApiAddress(), VendorApiUrl);
    EXPECT_TRUE(properties.ApiAddress().starts_with(u"https://"));
    EXPECT_TRUE(properties.ApiAddress().ends_with(u"/api"));
    EXPECT_EQ(properties.InstallationId(), u"");
    EXPECT_EQ(properties.InstallationSource(), u"Website");
}

TEST_F(PropertiesTest, ReadsStoredValuesOnceWithTypeFallbacks) {
    WriteRegString(ProgramsListKey, u"InstallLocation", u"D:\\Q");
    WriteRegString(AppRegistryKey, u"InstallationSource", u"");
    WriteRegString(AppRegistryKey, u"InstallationId", u"0f8fad5b-d9cb-469f-a165-70867728950e");
    HKEY key;
    RegCreateKeyExW(HKEY_CURRENT_USER, WStr(std::u16string(AppRegistryKey)), 0, nullptr, 0, KEY_WRITE,
                    nullptr, &key, nullptr);
    const DWORD number = 1;
    RegSetValueExW(key, L"ApiAddress", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegCloseKey(key);

    const TProperties properties;
    EXPECT_EQ(properties.InstallLocation(), u"D:\\Q");
    EXPECT_EQ(properties.InstallationSource(), u""); // an empty text is a value, not a missing one
    EXPECT_EQ(properties.InstallationId(), u"0f8fad5b-d9cb-469f-a165-70867728950e");
    EXPECT_EQ(properties.ApiAddress(), VendorApiUrl);
    // Later changes in the registry are not seen.
    WriteRegString(ProgramsListKey, u"InstallLocation", u"E:\\Other");
    EXPECT_EQ(properties.InstallLocation(), u"D:\\Q");
}

TEST_F(PropertiesTest, SettersWriteThroughToTheProductKey) {
    TProperties properties;
    properties.SetInstallationSource(u"Store");
    EXPECT_EQ(properties.InstallationSource(), u"Store");
    EXPECT_EQ(ReadRegString(AppRegistryKey, u"InstallationSource", u""), u"Store");
    properties.SetApiAddress(u"http://127.0.0.1:1/api");
    EXPECT_EQ(ReadRegString(AppRegistryKey, u"ApiAddress", u""), u"http://127.0.0.1:1/api");
    properties.SetInstallationId(u"id");
    EXPECT_EQ(ReadRegString(AppRegistryKey, u"InstallationId", u""), u"id");
    EXPECT_EQ(TProperties().InstallationSource(), u"Store");
}

TEST_F(PropertiesTest, ProgramsListEntryHoldsElevenValues) {
    WriteRegString(ProgramsListKey, u"Comments", u"other software");
    TProperties properties;
    properties.CreateProgramsListKey(u"C:\\Apps\\Quorvalent", 9088552);
    const std::u16string key = ProgramsListKey;
    EXPECT_EQ(ReadRegString(key, u"Publisher", u""), u"Mirelbrook");
    EXPECT_EQ(ReadRegString(key, u"DisplayName", u""), u"Quorvalent");
    const char* version = std::getenv("QV_PRODUCT_VERSION");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(ToUtf8(ReadRegString(key, u"DisplayVersion", u"")),
              std::u8string(version, version + std::strlen(version)));
    EXPECT_EQ(ReadRegString(key, u"InstallLocation", u""), u"C:\\Apps\\Quorvalent");
    EXPECT_EQ(ReadRegString(key, u"DisplayIcon", u""), u"C:\\Apps\\Quorvalent\\QuorvalentInstaller.exe");
    EXPECT_EQ(ReadRegString(key, u"UninstallString", u""),
              u"\"C:\\Apps\\Quorvalent\\QuorvalentInstaller.exe\" /uninstall");
    EXPECT_EQ(ReadRegString(key, u"URLInfoAbout", u""), ProductPageUrl);
    const std::u16string date = ReadRegString(key, u"InstallDate", u"");
    ASSERT_EQ(date.size(), 8u);
    SYSTEMTIME now;
    GetLocalTime(&now);
    EXPECT_EQ(std::stoi(std::string(date.begin(), date.begin() + 4)), now.wYear);
    EXPECT_EQ(ReadDword(u"EstimatedSize"), 8875u);
    EXPECT_EQ(ReadDword(u"NoModify"), 1u);
    EXPECT_EQ(ReadDword(u"NoRepair"), 1u);
    EXPECT_EQ(ReadRegString(key, u"Comments", u""), u"other software");
    // The install folder lives in the Programs list, never in the product's key.
    EXPECT_EQ(ReadRegString(AppRegistryKey, u"InstallLocation", u"absent"), u"absent");
    EXPECT_EQ(properties.InstallLocation(), u"");
}

TEST_F(PropertiesTest, TrailingSeparatorWasDoubledInTheStoredCommands) {
    // The folder is stored as given; an installation at a drive's root keeps its "R:\".
    TProperties properties;
    properties.CreateProgramsListKey(u"R:\\", 1023);
    EXPECT_EQ(ReadRegString(ProgramsListKey, u"InstallLocation", u""), u"R:\\");
    EXPECT_EQ(ReadRegString(ProgramsListKey, u"DisplayIcon", u""), u"R:\\QuorvalentInstaller.exe");
    EXPECT_EQ(ReadRegString(ProgramsListKey, u"UninstallString", u""),
              u"\"R:\\QuorvalentInstaller.exe\" /uninstall");
    EXPECT_EQ(ReadDword(u"EstimatedSize"), 0u);
}

TEST_F(PropertiesTest, DeletionsRemoveTheirKeysOnly) {
    TProperties properties;
    properties.DeleteProgramsListKey(); // missing: nothing happens
    properties.CreateProgramsListKey(u"C:\\Q", 1);
    WriteRegString(properties.AppKey + u"Workspaces\\One", u"x", u"y");
    properties.SetInstallationSource(u"Website");
    properties.DeleteProgramsListKey();
    EXPECT_EQ(ReadRegString(ProgramsListKey, u"DisplayName", u"gone"), u"gone");
    EXPECT_EQ(ReadRegString(properties.AppKey, u"InstallationSource", u"gone"), u"Website");
    properties.DeleteSoftwareAppKey();
    EXPECT_EQ(ReadRegString(properties.AppKey, u"InstallationSource", u"gone"), u"gone");
    EXPECT_EQ(ReadRegString(properties.AppKey + u"Workspaces\\One", u"x", u"gone"), u"gone");
    HKEY maker;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Mirelbrook", 0, KEY_READ, &maker), ERROR_SUCCESS);
    RegCloseKey(maker);
}

TEST_F(PropertiesTest, SystemThemeFollowsTheAppsSetting) {
    const TProperties properties;
    EXPECT_EQ(properties.SystemTheme(), u"Light");
    const DWORD dark = 0, light = 1, other = 2;
    SetTheme(REG_DWORD, &dark, sizeof(dark));
    EXPECT_EQ(properties.SystemTheme(), u"Dark");
    SetTheme(REG_DWORD, &other, sizeof(other));
    EXPECT_EQ(properties.SystemTheme(), u"Light");
    SetTheme(REG_DWORD, &light, sizeof(light));
    EXPECT_EQ(properties.SystemTheme(), u"Light");
    SetTheme(REG_SZ, L"0", 4);
    EXPECT_EQ(properties.SystemTheme(), u"Light");
}

} // namespace
