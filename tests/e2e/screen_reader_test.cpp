// A screen reader runs in a process of its own: it reads the installer's controls through
// WM_GETOBJECT and an IAccessible marshalled across the processes, as real readers do.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/e2e/e2e_support.h"
#include "tests/e2e/window_support.h"

using namespace e2e;

namespace {

class ScreenReaderTest : public TWindowTestBase {};

TEST_F(ScreenReaderTest, AReaderInItsOwnProcessReadsRoleNameStateAndTheFolder) {
    const std::wstring folder = FreshFolder(L"reader") + L"\\Quorvalent";
    TInstallerWindow window(L"/dir=\"" + folder + L"\"");
    ASSERT_NE(window.Form(), nullptr);
    const HWND action = window.Control(L"QuorvalentButton", 0);
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == action; }, 10000));

    const TOutsideReading button = ReadFromOutside(action);
    EXPECT_EQ(button.Role, ROLE_SYSTEM_PUSHBUTTON);
    EXPECT_EQ(button.Name, L"Install");
    EXPECT_EQ(button.State & (STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE),
              STATE_SYSTEM_FOCUSED | STATE_SYSTEM_FOCUSABLE);

    const TOutsideReading agreement = ReadFromOutside(window.Control(L"QuorvalentSwitch", 3));
    EXPECT_EQ(agreement.Role, ROLE_SYSTEM_CHECKBUTTON);
    EXPECT_EQ(agreement.Name, L"I accept the agreement");
    EXPECT_TRUE(agreement.State & STATE_SYSTEM_CHECKED);

    const TOutsideReading field = ReadFromOutside(window.Control(L"QuorvalentEdit", 0));
    EXPECT_EQ(field.Role, ROLE_SYSTEM_TEXT);
    EXPECT_EQ(field.Name, L"Destination folder");
    EXPECT_EQ(field.Value, folder);

    // A state the user changes is read afresh: the agreement off disables the button.
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    const HWND agreementSwitch = window.Control(L"QuorvalentSwitch", 3);
    ASSERT_TRUE(WaitFor([&] { return window.Focus() == agreementSwitch; }, 5000));
    PressKey(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(action); }, 5000));
    EXPECT_TRUE(ReadFromOutside(action).State & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_FALSE(ReadFromOutside(agreementSwitch).State & STATE_SYSTEM_CHECKED);
}

} // namespace
