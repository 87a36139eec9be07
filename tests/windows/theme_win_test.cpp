#include <gtest/gtest.h>

#include "ucl/window_win.h"
#include "utils/png_decoder.h"
#include "utils/theme_win.h"

namespace {

TEST(ProgramResources, FoundWithoutRegardToCase) {
    const auto upper = ReadProgramResource(u"APPICON100");
    const auto mixed = ReadProgramResource(u"AppIcon100");
    const auto lower = ReadProgramResource(u"appicon100");
    ASSERT_GT(upper.size(), 8u);
    EXPECT_EQ(mixed.data(), upper.data());
    EXPECT_EQ(lower.data(), upper.data());
    try {
        ReadProgramResource(u"Absent100");
        FAIL() << "no error";
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message(), u"Resource Absent100 not found");
    }
}

TEST(ThemeFromResources, LoadsTheImagesOfEveryScale) {
    struct {
        float Factor;
        int Percent;
    } cases[] = {{1.0f, 100}, {1.1f, 125}, {1.25f, 125}, {1.5f, 150}, {1.75f, 175}, {2.0f, 200}, {3.0f, 200}};
    for (const auto& c : cases) {
        TTheme theme(c.Factor);
        auto scaled = [&](int n) { return n * c.Percent / 100; };
        EXPECT_EQ(theme.GetImage(imgAppIcon)->Width(), scaled(16)) << c.Factor;
        EXPECT_EQ(theme.GetImage(imgApplicationIcon)->Height(), scaled(64)) << c.Factor;
        EXPECT_EQ(theme.GetImage(imgFolderEx)->Width(), scaled(16)) << c.Factor;
        EXPECT_EQ(theme.GetImage(imgSwitch)->Width(), scaled(24)) << c.Factor;
        EXPECT_EQ(theme.GetImage(imgSwitch)->Height(), scaled(192)) << c.Factor;
        EXPECT_EQ(theme.GetImage(imgLoader)->Width(), scaled(864)) << c.Factor;
        EXPECT_EQ(theme.GetImage(imgLoader)->Height(), scaled(24)) << c.Factor;
    }
}

TEST(ThemeFromResources, MissingAndCorruptImagesRaiseWithoutCrashing) {
    auto without = [](std::u16string missing) {
        return [missing](const std::u16string& name) {
            return ReadProgramResource(name == missing ? u"Absent" + name : name);
        };
    };
    EXPECT_THROW(TTheme(1.0f, without(u"Loader100")), EResNotFound);
    TTheme theme(1.0f);
    TTheme broken(1.0f, [](const std::u16string& name) {
        return ReadProgramResource(name == u"Switch150" ? u"BrokenPng100" : name);
    });
    try {
        broken.SetScaleFactor(1.5f);
        FAIL() << "no error";
    } catch (const EPngError& e) {
        EXPECT_EQ(e.Message(), u"Invalid PNG image: truncated data");
    }
    EXPECT_EQ(broken.GetImage(imgFolderEx)->Width(), 24);
    EXPECT_THROW(broken.GetImage(imgSwitch), EListError);
}

class TPlainWindow : public TWindow {
public:
    TPlainWindow(DWORD style, DWORD exStyle = 0) {
        TWindowParams params;
        params.ClassName = L"QuorvalentThemeTestWindow";
        params.Style = style;
        params.ExStyle = exStyle;
        params.Left = 10;
        params.Top = 10;
        params.Width = 300;
        params.Height = 200;
        CreateHandle(params);
    }
};

TEST(FormSizing, FrameHeightFollowsTheBorderStyle) {
    EXPECT_EQ(FormFrameHeight(TPlainWindow(WS_POPUP).Handle()), 0);
    EXPECT_EQ(FormFrameHeight(TPlainWindow(WS_POPUP | WS_CAPTION | WS_SYSMENU).Handle()),
              GetSystemMetrics(SM_CYDLGFRAME));
    EXPECT_EQ(FormFrameHeight(TPlainWindow(WS_POPUP | WS_BORDER).Handle()), GetSystemMetrics(SM_CYDLGFRAME));
    EXPECT_EQ(FormFrameHeight(TPlainWindow(WS_OVERLAPPEDWINDOW).Handle()),
              GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CXPADDEDBORDER));
}

TEST(FormSizing, ClientSizeIsSetAndTheOuterSizeBecomesTheMinimum) {
    TPlainWindow form(WS_OVERLAPPEDWINDOW);
    TFormConstraints constraints{1, 2, 3, 4};
    SetFormClientSize(form.Handle(), constraints, 520, 400);
    RECT client, window;
    GetClientRect(form.Handle(), &client);
    GetWindowRect(form.Handle(), &window);
    EXPECT_EQ(client.right, 520);
    EXPECT_EQ(client.bottom, 400);
    EXPECT_EQ(constraints.MinWidth, window.right - window.left);
    EXPECT_EQ(constraints.MinHeight, window.bottom - window.top);
    EXPECT_GT(constraints.MinWidth, 520);
    EXPECT_EQ(constraints.MaxWidth, 0);
    EXPECT_EQ(constraints.MaxHeight, 0);
}

} // namespace
