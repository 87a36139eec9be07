#include <gtest/gtest.h>

#include "utils/exception.h"
#include "utils/registry_win.h"
#include "utils/text_win.h"

namespace {

const std::u16string TestKey = u"SOFTWARE\\QuorvalentTests\\Registry";

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteRegKey(u"SOFTWARE\\QuorvalentTests"); }
    void TearDown() override { DeleteRegKey(u"SOFTWARE\\QuorvalentTests"); }

    static void SetRaw(const std::u16string& name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, WStr(TestKey), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key, WStr(name), 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    static bool KeyExists(const std::u16string& path) {
        HKEY key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, WStr(path), 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return false;
        }
        RegCloseKey(key);
        return true;
    }
};

TEST_F(RegistryTest, ReadsFallBackToTheDefaultWithoutRaising) {
    EXPECT_EQ(ReadRegString(TestKey, u"Missing", u"dflt"), u"dflt");
    EXPECT_EQ(ReadRegInteger(TestKey, u"Missing", -7), -7);
    // Reading never creates the key.
    EXPECT_FALSE(KeyExists(TestKey));
    const DWORD number = 5;
    SetRaw(u"Number", REG_DWORD, &number, sizeof(number));
    EXPECT_EQ(ReadRegString(TestKey, u"Number", u"dflt"), u"dflt");
    EXPECT_EQ(ReadRegInteger(TestKey, u"Number", 0), 5);
    const wchar_t text[] = L"12";
    SetRaw(u"Text", REG_SZ, text, sizeof(text));
    EXPECT_EQ(ReadRegInteger(TestKey, u"Text", 9), 9);
    const uint64_t wide = 1;
    SetRaw(u"Qword", REG_QWORD, &wide, sizeof(wide));
    EXPECT_EQ(ReadRegInteger(TestKey, u"Qword", 9), 9);
}

TEST_F(RegistryTest, StringsAreReadAsStoredAndCutAtTheFirstNul) {
    SetRaw(u"Empty", REG_SZ, L"", 0);
    EXPECT_EQ(ReadRegString(TestKey, u"Empty", u"dflt"), u"");
    const wchar_t expandable[] = L"%APPDATA%\\x";
    SetRaw(u"Expand", REG_EXPAND_SZ, expandable, sizeof(expandable));
    EXPECT_EQ(ReadRegString(TestKey, u"Expand", u""), u"%APPDATA%\\x");
    const wchar_t embedded[] = L"ab\0cd";
    SetRaw(u"Embedded", REG_SZ, embedded, sizeof(embedded));
    EXPECT_EQ(ReadRegString(TestKey, u"Embedded", u""), u"ab");
    // A value stored without its terminating NUL.
    SetRaw(u"Unterminated", REG_SZ, L"xyz", 6);
    EXPECT_EQ(ReadRegString(TestKey, u"Unterminated", u""), u"xyz");
    const std::u16string longText(20000, u'q');
    WriteRegString(TestKey, u"Long", longText);
    EXPECT_EQ(ReadRegString(TestKey, u"Long", u""), longText);
}

TEST_F(RegistryTest, WriteCreatesMissingKeysAndStoresTheNul) {
    const std::u16string deep = TestKey + u"\\a\\b\\c";
    WriteRegString(deep, u"Name", u"Wert \u00FC");
    EXPECT_EQ(ReadRegString(deep, u"Name", u""), u"Wert \u00FC");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, WStr(deep), 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    RegQueryValueExW(key, L"Name", nullptr, &type, nullptr, &size);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, (6u + 1u) * 2u);
}

TEST_F(RegistryTest, FailedWriteRaisesWithTheValueName) {
    // A key name component longer than the registry allows cannot be created.
    const std::u16string invalid = TestKey + u"\\" + std::u16string(300, u'k');
    try {
        WriteRegString(invalid, u"InstallationSource", u"Store");
        FAIL() << "no error raised";
    } catch (const EError& e) {
        EXPECT_EQ(e.Message(), u"Failed to set data for 'InstallationSource'");
    }
}

TEST_F(RegistryTest, DeleteRemovesTheWholeTreeAndIgnoresMissingKeys) {
    WriteRegString(TestKey + u"\\Sub\\Deeper", u"v", u"1");
    WriteRegString(TestKey, u"v", u"1");
    WriteRegString(u"SOFTWARE\\QuorvalentTests\\Sibling", u"v", u"1");
    DeleteRegKey(TestKey + u"\\"); // the product's key is written with a trailing separator
    EXPECT_FALSE(KeyExists(TestKey));
    EXPECT_TRUE(KeyExists(u"SOFTWARE\\QuorvalentTests\\Sibling"));
    EXPECT_NO_THROW(DeleteRegKey(TestKey));
    EXPECT_NO_THROW(DeleteRegKey(u"SOFTWARE\\QuorvalentTests\\Never\\There"));
}

TEST_F(RegistryTest, DeleteSaysWhetherTheKeyWasThere) {
    WriteRegString(TestKey + u"\\Sub", u"v", u"1");
    EXPECT_EQ(DeleteRegKey(TestKey + u"\\"), ERROR_SUCCESS);
    EXPECT_FALSE(KeyExists(TestKey));
    EXPECT_EQ(DeleteRegKey(TestKey), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(DeleteRegKey(u"SOFTWARE\\QuorvalentTests\\Never\\There"), ERROR_FILE_NOT_FOUND);
}

} // namespace
