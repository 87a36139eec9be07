// The main window in a high-contrast scheme: every control in the scheme's colours, state told
// by shape as well, and a live change of the scheme followed without a restart. Wine keeps no
// high-contrast state, so the tests answer the installer's two questions to the platform
// (SPI_GETHIGHCONTRAST and GetSysColor) themselves, at the program's imports.
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "app/application_win.h"
#include "app/main_form_win.h"
#include "tests/windows/main_window_fixture.h"
#include "tests/windows/import_patch.h"
#include "tests/windows/message_pump.h"
#include "tests/windows/screenshot.h"
#include "tests/windows/test_folders.h"
#include "ucl/gdi_win.h"
#include "utils/language.h"
#include "utils/properties_win.h"
#include "utils/theme.h"

namespace {

// #RRGGBB as the platform stores it.
constexpr TColor Platform(uint32_t rgb) {
    return (rgb >> 16) | (rgb & 0x00FF00) | (rgb & 0xFF) << 16;
}

// A scheme of a user's own: no two of its colours alike, so every probe tells which it saw.
const TSystemColors Scheme{Platform(0x202020), Platform(0xF0E68C), Platform(0x303060), Platform(0xE0FFFF),
                           Platform(0x4169E1), Platform(0xFFD700), Platform(0x7FFF00), Platform(0xA0A0A0)};

// What the replaced imports answer, and the last high-contrast question they were asked.
struct TSchemeAnswer {
    bool On = true;
    TSystemColors Colors = Scheme;
    int Questions = 0;
    UINT Param = 0;
    UINT Size = 0;
    UINT WinIni = 0;
};
TSchemeAnswer Answer;
const TImportPatch* ParametersPatch = nullptr;
const TImportPatch* ColorPatch = nullptr;

BOOL WINAPI AnswerParametersInfo(UINT Action, UINT Param, PVOID Data, UINT WinIni) {
    if (Action != SPI_GETHIGHCONTRAST) {
        return ParametersPatch->Original<decltype(&SystemParametersInfoW)>()(Action, Param, Data, WinIni);
    }
    auto* contrast = static_cast<HIGHCONTRASTW*>(Data);
    ++Answer.Questions;
    Answer.Param = Param;
    Answer.Size = contrast->cbSize;
    Answer.WinIni = WinIni;
    contrast->dwFlags = HCF_AVAILABLE | (Answer.On ? HCF_HIGHCONTRASTON : 0);
    contrast->lpszDefaultScheme = nullptr;
    return TRUE;
}

DWORD WINAPI AnswerSysColor(int Index) {
    const TSystemColors& c = Answer.Colors;
    switch (Index) {
    case COLOR_WINDOW:
        return c.Window;
    case COLOR_WINDOWTEXT:
        return c.WindowText;
    case COLOR_BTNFACE:
        return c.ButtonFace;
    case COLOR_BTNTEXT:
        return c.ButtonText;
    case COLOR_HIGHLIGHT:
        return c.Highlight;
    case COLOR_HIGHLIGHTTEXT:
        return c.HighlightText;
    case COLOR_HOTLIGHT:
        return c.HotLight;
    case COLOR_GRAYTEXT:
        return c.GrayText;
    default:
        return ColorPatch->Original<decltype(&GetSysColor)>()(Index);
    }
}

class HighContrastTest : public MainWindowFixture {
protected:
    HighContrastTest() : MainWindowFixture(u"high-contrast") {}
    void SetUp() override {
        Answer = {};
        ParametersPatch = &FParameters;
        ColorPatch = &FColors;
        MainWindowFixture::SetUp();
    }

    void Open() { Show(1.0f, u"/dir=\"" + FFolder + u"\""); }

    // The window as it is on the screen once everything pending is painted.
    TScreenshot Shot() const {
        RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
        TScreenshot shot;
        shot.Pixels = CaptureClient(Form->Handle(), shot.Width, shot.Height);
        return shot;
    }
    // A pixel of a control, in its own client coordinates.
    static uint32_t At(const TScreenshot& Shot, const TControl& Control, int X, int Y) {
        return Shot.At(Control.Left() + X, Control.Top() + Y);
    }
    static int Count(const TScreenshot& Shot, const TControl& Control, TColor Color) {
        return Shot.Count(Control.Left(), Control.Top(), Control.Left() + Control.Width(),
                          Control.Top() + Control.Height(), Rgb(Color));
    }

    TImportPatch FParameters{"user32.dll", "SystemParametersInfoW",
                             reinterpret_cast<const void*>(&AnswerParametersInfo)};
    TImportPatch FColors{"user32.dll", "GetSysColor", reinterpret_cast<const void*>(&AnswerSysColor)};
};

TEST_F(HighContrastTest, TheQuestionIsTheDocumentedCall) {
    Open();
    ASSERT_GE(Answer.Questions, 1);
    EXPECT_EQ(Answer.Param, sizeof(HIGHCONTRASTW));
    EXPECT_EQ(Answer.Size, sizeof(HIGHCONTRASTW));
    EXPECT_EQ(Answer.WinIni, 0u);
    EXPECT_TRUE(Theme->IsHighContrast());
}

TEST_F(HighContrastTest, EveryControlDrawsInTheSchemesColours) {
    Open();
    Form->DesktopShortcutSwitch->SetChecked(false);
    const TScreenshot shot = Shot();
    SavePng(ArtefactFolder() + "/window_high_contrast.png", shot.Pixels, shot.Width, shot.Height);
    const TSystemColors& c = Scheme;
    // Window, title bar and text.
    EXPECT_EQ(shot.At(4, 100), Rgb(c.Window));
    EXPECT_EQ(At(shot, *Form->TitleBar, 200, 3), Rgb(c.Window));
    EXPECT_GT(Count(shot, *Form->TitleBar, c.WindowText), 20) << "caption and caption buttons";
    EXPECT_GT(Count(shot, *Form->DestinationFolderLabel, c.WindowText), 20);
    EXPECT_GT(Count(shot, *Form->ProductNameLabel, c.WindowText), 20);
    // The folder field: window colours, its outline in the text colour.
    EXPECT_EQ(At(shot, *Form->DestinationFolderEdit, 0, 16), Rgb(c.WindowText));
    EXPECT_EQ(At(shot, *Form->DestinationFolderEdit, 4, 4), Rgb(c.Window));
    EXPECT_GT(Count(shot, *Form->DestinationFolderEdit, c.WindowText), 40) << "the folder and the glyph";
    // Buttons: face and text; the focused one with the highlight outline and a dotted cue.
    const TButtonControl& cancel = *Form->CancelButton;
    EXPECT_EQ(At(shot, cancel, 0, 16), Rgb(c.ButtonText));
    EXPECT_EQ(At(shot, cancel, 2, 16), Rgb(c.ButtonFace));
    EXPECT_GT(Count(shot, cancel, c.ButtonText), 40);
    const TButtonControl& action = *Form->ActionButton;
    ASSERT_TRUE(action.Focused());
    EXPECT_EQ(At(shot, action, 0, 16), Rgb(c.Highlight));
    EXPECT_EQ(At(shot, action, 2, 16), Rgb(c.ButtonFace));
    EXPECT_EQ(At(shot, action, 4, 4), Rgb(c.ButtonText)) << "the dotted focus cue";
    EXPECT_EQ(At(shot, action, 5, 4), Rgb(c.ButtonFace));
    // A switch that is on: the filled track, the knob at the right in the highlight's text.
    const TSwitchControl& agreement = *Form->AcceptAgreementSwitch;
    EXPECT_EQ(At(shot, agreement, 5, 8), Rgb(c.Highlight));
    EXPECT_EQ(At(shot, agreement, 16, 8), Rgb(c.HighlightText));
    // One that is off: the outlined track, the knob at the left in the text colour.
    const TSwitchControl& desktop = *Form->DesktopShortcutSwitch;
    EXPECT_EQ(At(shot, desktop, 8, 8), Rgb(c.WindowText));
    EXPECT_EQ(At(shot, desktop, 18, 8), Rgb(c.Window));
    EXPECT_EQ(At(shot, desktop, 0, 8), Rgb(c.WindowText));
    // The agreement's link.
    EXPECT_GT(Count(shot, *Form->AgreementLinkLabel, c.HotLight), 20);
}

TEST_F(HighContrastTest, ADisabledButtonHasADottedOutlineAndGreyText) {
    Open();
    // The agreement off disables the action button; its focus goes on to Cancel.
    Form->AcceptAgreementSwitch->SetFocus();
    SendMessageW(Form->AcceptAgreementSwitch->Handle(), WM_CHAR, L' ', 1);
    ASSERT_FALSE(Form->ActionButton->Enabled());
    const TScreenshot shot = Shot();
    const TButtonControl& action = *Form->ActionButton;
    EXPECT_EQ(At(shot, action, 0, 0), Rgb(Scheme.GrayText));
    EXPECT_EQ(At(shot, action, 1, 0), Rgb(Scheme.ButtonFace));
    EXPECT_EQ(At(shot, action, 2, 0), Rgb(Scheme.GrayText));
    EXPECT_GT(Count(shot, action, Scheme.GrayText), 60);
    EXPECT_EQ(Count(shot, action, Scheme.ButtonText), 0);
    // The switch turned off shows it by its knob.
    EXPECT_EQ(At(shot, *Form->AcceptAgreementSwitch, 8, 8), Rgb(Scheme.WindowText));
    EXPECT_GT(Count(shot, *Form->AcceptAgreementSwitch, Scheme.WindowText), 40) << "the dotted focus cue too";
}

TEST_F(HighContrastTest, ALiveChangeOfTheSchemeIsFollowedWithoutARestart) {
    Answer.On = false;
    Open();
    ASSERT_FALSE(Theme->IsHighContrast());
    ASSERT_EQ(Shot().At(4, 100), Rgb(Theme->WindowColor()));

    Answer.On = true;
    SendMessageW(Form->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_TRUE(Theme->IsHighContrast());
    EXPECT_EQ(Shot().At(4, 100), Rgb(Scheme.Window));

    // Another scheme, or its colours edited: the system tells with WM_SYSCOLORCHANGE.
    Answer.Colors.Window = Platform(0x000040);
    Answer.Colors.WindowText = Platform(0xFFFFFF);
    SendMessageW(Form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    const TScreenshot edited = Shot();
    EXPECT_EQ(edited.At(4, 100), Rgb(Answer.Colors.Window));
    EXPECT_GT(Count(edited, *Form->DestinationFolderLabel, Answer.Colors.WindowText), 20);

    Answer.On = false;
    SendMessageW(Form->Handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_FALSE(Theme->IsHighContrast());
    EXPECT_EQ(Theme->ThemeName(), Properties->SystemTheme());
    EXPECT_EQ(Shot().At(4, 100), Rgb(Theme->WindowColor()));
}

} // namespace
