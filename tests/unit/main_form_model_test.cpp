// The window's rules without the window: what shows and takes input in each run mode and
// state, the texts that follow the run mode, the first focus, and the layout at every scale.
#include <gtest/gtest.h>

#include <vector>

#include "app/main_form_model.h"
#include "app/run_services.h"
#include "utils/consts.h"
#include "utils/theme.h"

namespace {

std::vector<TFormControl> Shown(const TMainFormModel& Model) {
    std::vector<TFormControl> shown;
    for (int c = 0; c < fcCount; ++c) {
        if (Model.Visible(TFormControl(c))) {
            shown.push_back(TFormControl(c));
        }
    }
    return shown;
}

std::vector<TFormControl> Disabled(const TMainFormModel& Model) {
    std::vector<TFormControl> disabled;
    for (int c = 0; c < fcCount; ++c) {
        if (!Model.Enabled(TFormControl(c))) {
            disabled.push_back(TFormControl(c));
        }
    }
    return disabled;
}

TEST(MainFormModel, EachRunModeShowsItsControls) {
    const std::vector<TFormControl> installing = {
        fcTitleBar,        fcProductName,   fcVersion,         fcLogo,
        fcFolderLabel,     fcFolderEdit,    fcDesktopShortcut, fcStartMenuShortcut,
        fcAcceptAgreement, fcAgreementLink, fcAction,          fcCancel};
    const std::vector<TFormControl> uninstalling = {
        fcTitleBar,   fcProductName,     fcVersion,       fcLogo,       fcUninstallHint, fcFolderLabel,
        fcFolderEdit, fcAcceptAgreement, fcAgreementLink, fcDeleteData, fcAction,        fcCancel};
    const struct {
        TRunMode Mode;
        const std::vector<TFormControl>& Shown;
        std::vector<TFormControl> Disabled;
        const char16_t* Action;
        const char16_t* FolderLabel;
    } table[] = {
        {rmInstall, installing, {}, u"INSTALL", u"DESTINATION_FOLDER"},
        {rmUpdate, installing, {}, u"UPDATE", u"DESTINATION_FOLDER"},
        {rmUninstall, uninstalling, {fcFolderEdit}, u"UNINSTALL", u"UNINSTALL_FROM"},
    };
    for (const auto& row : table) {
        const TMainFormModel model(row.Mode);
        EXPECT_EQ(Shown(model), row.Shown) << int(row.Mode);
        EXPECT_EQ(Disabled(model), row.Disabled) << int(row.Mode);
        EXPECT_EQ(model.ActionCaptionKey(), row.Action);
        EXPECT_EQ(model.FolderLabelKey(), row.FolderLabel);
        EXPECT_TRUE(model.ActionEnabled());
    }
}

TEST(MainFormModel, TheActionNeedsAWritableFolderAndTheAgreementAndNoRunningInstall) {
    for (const TRunMode mode : {rmInstall, rmUpdate, rmUninstall}) {
        for (int state = 0; state < 8; ++state) {
            TMainFormModel model(mode);
            const bool writable = state & 1, accepted = state & 2, busy = state & 4;
            model.SetFolderWritable(writable);
            model.SetAgreementAccepted(accepted);
            model.SetBusy(busy);
            SCOPED_TRACE(testing::Message() << "mode " << int(mode) << ", state " << state);
            EXPECT_EQ(model.ActionEnabled(), writable && accepted && !busy);
            // The access-denied label takes the folder label's place, with the link beside it.
            EXPECT_EQ(model.Visible(fcFolderLabel), writable);
            EXPECT_EQ(model.Visible(fcAccessDenied), !writable);
            EXPECT_EQ(model.Visible(fcRunAsAdmin), !writable);
            // A running install locks its options; Cancel and the delete-data choice stay.
            for (const TFormControl locked :
                 {fcDesktopShortcut, fcStartMenuShortcut, fcAcceptAgreement, fcRunAsAdmin}) {
                EXPECT_EQ(model.Enabled(locked), !busy) << int(locked);
            }
            EXPECT_EQ(model.Enabled(fcFolderEdit), mode != rmUninstall && !busy);
            EXPECT_TRUE(model.Enabled(fcCancel));
            EXPECT_TRUE(model.Enabled(fcDeleteData));
            EXPECT_EQ(model.InitialFocus(),
                      mode != rmUninstall && model.ActionEnabled() ? fcAction : fcCancel);
        }
    }
}

TEST(MainFormModel, TheLoaderShowsOnlyWhileItTurns) {
    TMainFormModel model(rmUninstall);
    EXPECT_FALSE(model.Visible(fcLoader));
    model.SetLoaderTurning(true);
    EXPECT_TRUE(model.Visible(fcLoader));
    EXPECT_TRUE(model.ActionEnabled()) << "an uninstall that waits is guarded by the session, not the button";
    EXPECT_FALSE(model.Visible(fcRunAfter));
}

TEST(MainFormModel, EveryControlsTextFollowsTheRunModeAndTheLanguage) {
    const TRunServices english(u"English");
    const TMainFormModel install(rmInstall), uninstall(rmUninstall);
    EXPECT_EQ(install.WindowCaption(), u"Quorvalent \u2013 Install");
    EXPECT_EQ(uninstall.Caption(fcTitleBar), u"Quorvalent \u2013 Uninstall");
    EXPECT_EQ(install.Caption(fcFolderLabel), u"Destination folder");
    EXPECT_EQ(uninstall.Caption(fcFolderLabel), u"Uninstall from");
    EXPECT_EQ(uninstall.Caption(fcAction), u"Uninstall");
    EXPECT_EQ(install.Caption(fcVersion), u"Version " + std::u16string(ProductVersion));
    EXPECT_EQ(install.Caption(fcRunAfter), u"Run Quorvalent after installation");
    EXPECT_EQ(install.Caption(fcUninstallHint), u"Click «Uninstall» to start the uninstallation.");
    EXPECT_TRUE(install.Caption(fcLogo).empty());
    EXPECT_TRUE(install.Caption(fcFolderEdit).empty());
    for (int c = 0; c < fcCount; ++c) {
        if (c != fcLogo && c != fcFolderEdit) {
            EXPECT_FALSE(install.Caption(TFormControl(c)).empty()) << c;
        }
    }
    const TRunServices german(u"German");
    EXPECT_EQ(install.Caption(fcCancel), u"Abbrechen");
    EXPECT_EQ(install.Caption(fcAcceptAgreement), u"I accept the agreement")
        << "the same words in every language";
}

TEST(MainFormLayout, EveryScaleRoundsEachLengthOnItsOwn) {
    const struct {
        float Scale;
        TFormControl Control;
        TRect Bounds;
    } table[] = {
        // 100 %: the buttons at the bottom right, the loader 8 px left of the action button
        // and centred on it.
        {1.0f, fcAction, {304, 352, 400, 384}},
        {1.0f, fcCancel, {408, 352, 504, 384}},
        {1.0f, fcLoader, {272, 356, 296, 380}},
        {1.0f, fcTitleBar, {0, 0, 520, 32}},
        {1.0f, fcLogo, {228, 56, 292, 120}},
        {1.0f, fcFolderEdit, {16, 216, 504, 248}},
        {1.0f, fcDesktopShortcut, {16, 276, 216, 292}},
        {1.0f, fcDeleteData, {16, 280, 216, 296}},
        {1.0f, fcStartMenuShortcut, {16, 300, 216, 316}},
        {1.0f, fcUninstallHint, {16, 304, 504, 322}},
        {1.0f, fcAcceptAgreement, {16, 324, 216, 340}},
        // 150 %: 780 × 600.
        {1.5f, fcAction, {456, 528, 600, 576}},
        {1.5f, fcLoader, {408, 534, 444, 570}},
        {1.5f, fcLogo, {342, 84, 438, 180}},
        // 125 %: halves go to the even neighbour, 18 to 22, 78 to 98, 186 to 232.
        {1.25f, fcAgreementLink, {232, 402, 732, 424}},
        {1.25f, fcFolderLabel, {20, 240, 520, 262}},
    };
    for (const auto& row : table) {
        const TFormLayout layout = LayOutForm(ScaleValue(FormClientWidth96, row.Scale),
                                              ScaleValue(FormClientHeight96, row.Scale), row.Scale);
        EXPECT_EQ(layout[row.Control], row.Bounds)
            << "scale " << row.Scale << ", control " << int(row.Control);
    }
}

TEST(MainFormLayout, ALargerWindowKeepsTheBottomRowAtItsCorner) {
    const TFormLayout small = LayOutForm(520, 400, 1.0f);
    const TFormLayout large = LayOutForm(700, 520, 1.0f);
    for (const TFormControl control : {fcAction, fcCancel, fcLoader}) {
        EXPECT_EQ(large[control].Left - small[control].Left, 180) << int(control);
        EXPECT_EQ(large[control].Top - small[control].Top, 120) << int(control);
    }
    EXPECT_EQ(large[fcLogo].Left, 350 - 32);
    EXPECT_EQ(large[fcFolderEdit].Width(), 700 - 32);
    EXPECT_EQ(large[fcFolderLabel], small[fcFolderLabel]) << "the top of the column stays";
}

TEST(MainFormLayout, EveryControlButTheHiddenOneHasAPlaceOnce) {
    std::vector<int> placed(fcCount, 0);
    for (const TFormControl control : FormLayoutOrder) {
        ++placed[control];
    }
    for (int c = 0; c < fcCount; ++c) {
        EXPECT_EQ(placed[c], c == fcRunAfter ? 0 : 1) << c;
    }
    const TFormLayout layout = LayOutForm(520, 400, 1.0f);
    EXPECT_TRUE(layout[fcRunAfter].Empty());
    EXPECT_EQ(FormLayoutOrder.front(), fcTitleBar);
    EXPECT_EQ(FormLayoutOrder.back(), fcCancel);
}

} // namespace
