// The window's rules without the window: what shows and takes input in each run mode and
// state, the texts that follow the run mode, the first focus, and the layout at every scale.
#include <gtest/gtest.h>

#include <algorithm>
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

TEST(MainFormModel, EveryControlThatShowsInSomeStateOfTheRunModeMayShow) {
    for (const TRunMode mode : {rmInstall, rmUpdate, rmUninstall}) {
        const TMainFormModel model(mode);
        for (int c = 0; c < fcCount; ++c) {
            const auto control = TFormControl(c);
            bool shows = false;
            for (int state = 0; state < 4; ++state) {
                TMainFormModel other(mode);
                other.SetFolderWritable(state & 1);
                other.SetLoaderTurning(state & 2);
                shows = shows || other.Visible(control);
            }
            EXPECT_EQ(model.MayShow(control), shows) << int(mode) << ", " << c;
        }
        EXPECT_TRUE(model.MayShow(fcAccessDenied)) << "shown for a folder that cannot be written";
        EXPECT_TRUE(model.MayShow(fcLoader));
        EXPECT_FALSE(model.MayShow(fcRunAfter));
        EXPECT_EQ(model.MayShow(fcDeleteData), mode == rmUninstall);
        EXPECT_EQ(model.MayShow(fcDesktopShortcut), mode != rmUninstall);
    }
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

// Captions of the widths a run of the English window measures: every one fits its place.
TFormTextWidths FittingTexts(float Scale) {
    TFormTextWidths texts{};
    const auto r = [Scale](int n) { return ScaleValue(n, Scale); };
    texts[fcProductName] = r(120);
    texts[fcVersion] = r(70);
    texts[fcUninstallHint] = r(280);
    texts[fcFolderLabel] = r(110);
    texts[fcAccessDenied] = r(380);
    texts[fcRunAsAdmin] = r(220);
    texts[fcDesktopShortcut] = r(150);
    texts[fcStartMenuShortcut] = r(165);
    texts[fcAcceptAgreement] = r(134);
    texts[fcAgreementLink] = r(230);
    texts[fcDeleteData] = r(390);
    // At the edge of what the buttons hold: 96 px less the padding on both sides.
    texts[fcAction] = r(96) - 2 * r(12);
    texts[fcCancel] = r(40);
    return texts;
}

const float LayoutScales[] = {1.0f, 1.25f, 1.5f, 1.75f, 2.0f};
constexpr TFormControl SwitchControls[] = {fcDesktopShortcut, fcStartMenuShortcut, fcAcceptAgreement,
                                           fcDeleteData};

TEST(MainFormLayout, CaptionsThatFitKeepEveryFigure) {
    for (const float scale : LayoutScales) {
        const int cw = ScaleValue(FormClientWidth96, scale), ch = ScaleValue(FormClientHeight96, scale);
        const TFormTextWidths texts = FittingTexts(scale);
        const TFormLayout plain = LayOutForm(cw, ch, scale);
        const TFormLayout fitted = LayOutForm(cw, ch, scale, texts);
        for (const TFormControl control : FormLayoutOrder) {
            TRect expected = plain[control];
            if (std::ranges::find(SwitchControls, control) != std::end(SwitchControls)) {
                // A switch is as wide as its track and caption, as it sizes itself.
                expected.Right = expected.Left + ScaleValue(30, scale) + texts[control];
            }
            EXPECT_EQ(fitted[control], expected) << "scale " << scale << ", control " << int(control);
        }
        EXPECT_LE(FittingClientWidth(texts, scale), cw) << "the window keeps its width at " << scale;
    }
}

TEST(MainFormLayout, AWideCaptionGrowsItsButtonLeftwardsAndMovesWhatStandsLeftOfIt) {
    const struct {
        float Scale;
        int Action, Cancel;             // caption widths
        int ActionGrowth, CancelGrowth; // what each button grows by
    } table[] = {
        {1.0f, 73, 40, 1, 0},                           // one pixel past the padding
        {1.0f, 104, 65, 32, 0},                         // "アンインストール": 104 + 2 × 12
        {1.0f, 40, 100, 0, 28},                         // a wide Cancel pushes the action button along
        {1.0f, 110, 90, 38, 18},                        // both
        {1.5f, 160, 100, 52, 0},                        // r(96) = 144, r(12) = 18
        {2.0f, 208, 130, 64, 0}, {1.25f, 91, 91, 1, 1}, // r(96) = 120, r(12) = 15 at 125 %
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message()
                     << "scale " << row.Scale << ", captions " << row.Action << " and " << row.Cancel);
        const int cw = ScaleValue(FormClientWidth96, row.Scale),
                  ch = ScaleValue(FormClientHeight96, row.Scale);
        TFormTextWidths texts{};
        texts[fcAction] = row.Action;
        texts[fcCancel] = row.Cancel;
        const TFormLayout plain = LayOutForm(cw, ch, row.Scale);
        const TFormLayout fitted = LayOutForm(cw, ch, row.Scale, texts);
        const TRect &action = fitted[fcAction], &cancel = fitted[fcCancel], &loader = fitted[fcLoader];
        EXPECT_EQ(cancel.Right, plain[fcCancel].Right) << "Cancel keeps the right edge";
        EXPECT_EQ(cancel.Width(), plain[fcCancel].Width() + row.CancelGrowth);
        EXPECT_EQ(action.Width(), plain[fcAction].Width() + row.ActionGrowth);
        EXPECT_EQ(action.Right, plain[fcAction].Right - row.CancelGrowth);
        EXPECT_EQ(cancel.Left - action.Right, ScaleValue(8, row.Scale)) << "the gap between the buttons";
        EXPECT_EQ(action.Left - loader.Right, ScaleValue(8, row.Scale)) << "the loader's gap";
        EXPECT_EQ(loader.Width(), plain[fcLoader].Width());
        for (const TFormControl control : {fcAction, fcCancel, fcLoader}) {
            EXPECT_EQ(fitted[control].Top, plain[control].Top) << int(control);
            EXPECT_EQ(fitted[control].Bottom, plain[control].Bottom) << int(control);
        }
        for (const TFormControl control : {fcAction, fcCancel}) {
            EXPECT_GE(fitted[control].Width(), texts[control] + 2 * ScaleValue(12, row.Scale))
                << int(control);
        }
    }
}

TEST(MainFormLayout, TheAgreementLinkStartsAfterALongAgreementCaption) {
    const struct {
        float Scale;
        int Caption;
        int LinkLeft;
    } table[] = {
        {1.0f, 134, 186}, // ends at 180: the link keeps its place
        {1.0f, 138, 186}, // 184 and the gap of 2: still
        {1.0f, 139, 187}, // one more pixel moves the link by one
        {1.0f, 200, 248}, // 16 + 30 + 200 + 2
        {1.5f, 210, 282}, // 24 + 45 + 210 = 279, and 3 for the gap
        {1.5f, 207, 279}, // 276 + 3 = 279: at its place
    };
    for (const auto& row : table) {
        TFormTextWidths texts{};
        texts[fcAcceptAgreement] = row.Caption;
        texts[fcAgreementLink] = 250;
        const int cw = ScaleValue(FormClientWidth96, row.Scale);
        const TFormLayout layout =
            LayOutForm(cw, ScaleValue(FormClientHeight96, row.Scale), row.Scale, texts);
        EXPECT_EQ(layout[fcAgreementLink].Left, row.LinkLeft) << row.Scale << ", " << row.Caption;
        EXPECT_EQ(layout[fcAgreementLink].Width(), ScaleValue(400, row.Scale)) << "the link keeps its width";
        EXPECT_LE(layout[fcAcceptAgreement].Right, layout[fcAgreementLink].Left);
    }
}

TEST(MainFormLayout, AFixedWidthLabelTakesTheWidthOfALongerCaption) {
    TFormTextWidths texts{};
    texts[fcFolderLabel] = 430;
    texts[fcAgreementLink] = 20;
    const TFormLayout layout = LayOutForm(520, 400, 1.0f, texts);
    EXPECT_EQ(layout[fcFolderLabel], (TRect{16, 192, 446, 210}));
    EXPECT_EQ(layout[fcAgreementLink].Width(), 400) << "a shorter caption keeps the figure";
}

// Where each caption of Texts ends in Layout, checked for itself rather than through the
// layout's own rule: a label's line, a switch, the bottom row from the loader.
struct TOverflow {
    int Right = 0; // how far the furthest caption reaches past the right margin
    int Left = 0;  // how far the bottom row reaches into the left margin
    int Label = 0; // how much the widest label's caption lacks in its label
};

TOverflow OverflowOf(const TFormLayout& Layout, const TFormTextWidths& Texts, int ClientWidth, float Scale) {
    const int margin = ScaleValue(16, Scale);
    TOverflow overflow;
    const auto reach = [&](int Right) {
        overflow.Right = std::max(overflow.Right, Right - (ClientWidth - margin));
    };
    for (const TFormControl label : {fcProductName, fcVersion, fcUninstallHint, fcFolderLabel, fcAccessDenied,
                                     fcRunAsAdmin, fcAgreementLink}) {
        reach(Layout[label].Left + Texts[label]);
        overflow.Label = std::max(overflow.Label, Texts[label] - Layout[label].Width());
    }
    for (const TFormControl control : SwitchControls) {
        reach(Layout[control].Right);
    }
    reach(Layout[fcCancel].Right);
    overflow.Left = std::max(0, margin - Layout[fcLoader].Left);
    return overflow;
}

bool Fits(const TFormTextWidths& Texts, int ClientWidth, float Scale) {
    const TFormLayout layout = LayOutForm(ClientWidth, ScaleValue(FormClientHeight96, Scale), Scale, Texts);
    const TOverflow overflow = OverflowOf(layout, Texts, ClientWidth, Scale);
    return overflow.Right <= 0 && overflow.Left <= 0 && overflow.Label <= 0;
}

TEST(MainFormLayout, TheWindowWidensJustEnoughForACaptionThatWouldReachTheMargin) {
    const struct {
        const char* What;
        TFormControl Control;
        int Width;
        float Scale;
        int ClientWidth; // the least that holds it, worked out by hand
    } table[] = {
        {"delete-data switch", fcDeleteData, 470, 1.0f, 16 + 30 + 470 + 16},
        {"delete-data switch at 150 %", fcDeleteData, 705, 1.5f, 24 + 45 + 705 + 24},
        {"access-denied label", fcAccessDenied, 530, 1.0f, 16 + 530 + 16},
        {"access-denied label at 125 %", fcAccessDenied, 700, 1.25f, 20 + 700 + 20},
        {"product name, centred", fcProductName, 600, 1.0f, 632},
        {"folder label past its 400 px", fcFolderLabel, 540, 1.0f, 572},
        {"agreement link", fcAgreementLink, 400, 1.0f, 186 + 400 + 16},
        {"action button", fcAction, 300, 1.0f, 16 + 24 + 8 + 324 + 8 + 96 + 16},
        {"action button at 200 %", fcAction, 600, 2.0f, 32 + 48 + 16 + 648 + 16 + 192 + 32},
    };
    for (const auto& row : table) {
        TFormTextWidths texts = FittingTexts(row.Scale);
        texts[row.Control] = row.Width;
        const int width = FittingClientWidth(texts, row.Scale);
        EXPECT_EQ(width, row.ClientWidth) << row.What;
        EXPECT_TRUE(Fits(texts, width, row.Scale)) << row.What;
        EXPECT_FALSE(Fits(texts, width - 1, row.Scale)) << row.What << ": one pixel less would do";
    }
}

TEST(MainFormLayout, AtTheWidthItsCaptionsNeedNothingOverlapsOrLeavesTheClientArea) {
    // Every caption long, as in no language, at every scale, in every run mode and state.
    for (const float scale : LayoutScales) {
        TFormTextWidths texts = FittingTexts(scale);
        for (int& width : texts) {
            width = width * 2;
        }
        texts[fcAcceptAgreement] = ScaleValue(300, scale);
        const int cw = std::max(ScaleValue(FormClientWidth96, scale), FittingClientWidth(texts, scale));
        const int ch = ScaleValue(FormClientHeight96, scale);
        ASSERT_GT(cw, ScaleValue(FormClientWidth96, scale));
        const TFormLayout layout = LayOutForm(cw, ch, scale, texts);
        EXPECT_TRUE(Fits(texts, cw, scale)) << scale;
        const TRect client{0, 0, cw, ch};
        for (const TRunMode mode : {rmInstall, rmUpdate, rmUninstall}) {
            for (const bool writable : {true, false}) {
                TMainFormModel model(mode);
                model.SetFolderWritable(writable);
                model.SetLoaderTurning(true);
                const std::vector<TFormControl> shown = Shown(model);
                for (size_t i = 0; i < shown.size(); ++i) {
                    const TRect mine = IntersectRects(layout[shown[i]], client);
                    EXPECT_FALSE(mine.Empty()) << int(shown[i]);
                    for (size_t j = i + 1; j < shown.size(); ++j) {
                        EXPECT_TRUE(IntersectRects(mine, layout[shown[j]]).Empty())
                            << "scale " << scale << ", mode " << int(mode) << ": " << int(shown[i]) << " and "
                            << int(shown[j]);
                    }
                }
            }
        }
    }
}

} // namespace
