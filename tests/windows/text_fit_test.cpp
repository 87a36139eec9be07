// Every text the window draws fits the room its control gives it, in all ten languages, the
// three run modes and five scales, for a writable folder and for one that is not. Each text is
// measured as this platform's fonts make it, with the face and size its control draws it with
// (the control's own, as it paints), and set against the control's box: a label's line
// within the label, a switch's caption right of its track, a button's caption inside the focus
// cue of the high-contrast look, the title bar's caption left of its first caption button. No
// shown control overlaps another, and no text leaves the column between the window's margins.
// The folder field is left out: it scrolls the folder the user typed, whatever its length.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_form_win.h"
#include "tests/unit/languages.h"
#include "tests/windows/main_window_fixture.h"
#include "tests/windows/test_folders.h"
#include "ucl/gdi_win.h"
#include "ucl/label_layout.h"
#include "ucl/switch_frame.h"
#include "ucl/title_bar_layout.h"
#include "utils/language.h"
#include "utils/strings.h"
#include "utils/text_win.h"
#include "utils/theme.h"

namespace {

const struct {
    const char* Name;
    const char16_t* Arguments;
} Modes[] = {{"install", u""}, {"update", u"/update"}, {"uninstall", u"/uninstall"}};

const float Scales[] = {1.0f, 1.25f, 1.5f, 1.75f, 2.0f};

std::string Utf8(std::u16string_view Text) {
    const std::u8string text = ToUtf8(Text);
    return {text.begin(), text.end()};
}

TRect BoundsOf(const TControl& Control) {
    return {Control.Left(), Control.Top(), Control.Left() + Control.Width(),
            Control.Top() + Control.Height()};
}

// Text in a font of Face and Height (the platform's font height) as GetTextExtentPoint32W
// measures it on the screen, whose fonts every paint buffer of the window shares.
SIZE Measure(const std::u16string& Face, int Height, const std::u16string& Text) {
    const TWindowDC screen(nullptr);
    const TFontHandle font = CreateFontOf(Face, Height);
    const TSelectObject selected(screen.DC(), font.Get());
    SIZE size{};
    GetTextExtentPoint32W(screen.DC(), WStr(Text), static_cast<int>(Text.size()), &size);
    return size;
}

// One control the window shows: its box, the part of it that keeps between the margins at the
// window's sides (a label's line of text, the whole of any other control in the column; none
// for the title bar), and the text it draws with the room it gives that text.
struct TShown {
    std::string Control;
    TRect Box;
    std::optional<TRect> InColumn;
    std::u16string Text;
    TRect Room;
    TRect Ink;
};

class TextFitTest : public MainWindowFixture {
protected:
    TextFitTest() : MainWindowFixture(u"text-fit") {}

    // What the window shows now.
    std::vector<TShown> Read() const {
        std::vector<TShown> shown;
        const auto add = [&](const char* Name, const TControl& Control) -> TShown* {
            if (!Control.Visible()) {
                return nullptr;
            }
            const TRect box = BoundsOf(Control);
            return &shown.emplace_back(TShown{Name, box, box, {}, {}, {}});
        };
        const auto label = [&](const char* Name, const TLabelControl& Label) {
            if (TShown* item = add(Name, Label)) {
                const TRect& box = item->Box;
                const SIZE text = Measure(Label.FaceOf(), Label.FontHeightOf(), Label.Caption());
                const int left = box.Left + LabelLineLeft(Label.Alignment(), box.Width(), text.cx);
                item->Text = Label.Caption();
                item->Room = box;
                item->Ink = {left, box.Top, left + text.cx, box.Top + text.cy};
                // What lies right of the text is the label's background, which may reach past
                // the client area unseen.
                item->InColumn = item->Ink;
            }
        };
        const auto switcher = [&](const char* Name, const TSwitchControl& Switch) {
            if (TShown* item = add(Name, Switch)) {
                // The caption starts right of the track, in the switch's line.
                const TRect& box = item->Box;
                const SIZE text = Measure(FontNameRegular, Theme->FontHeight(), Switch.Caption());
                const int left = box.Left + ScaleValue(SwitchCaptionLeft96);
                item->Text = Switch.Caption();
                item->Room = {left, box.Top, box.Right, box.Bottom};
                item->Ink = {left, box.Top, left + text.cx, box.Top + text.cy};
            }
        };
        const auto button = [&](const char* Name, const TButtonControl& Button) {
            if (TShown* item = add(Name, Button)) {
                // Inside the dotted focus cue of the high-contrast look, 4 px in from the edge.
                const TRect& box = item->Box;
                const SIZE text = Measure(FontNameRegular, Theme->FontHeight(), Button.Caption());
                const int left = box.Left + (box.Width() - text.cx) / 2;
                const int top = box.Top + (box.Height() - text.cy) / 2;
                item->Text = Button.Caption();
                item->Room = box.Inflated(-(ScaleValue(4) + 1));
                item->Ink = {left, top, left + text.cx, top + text.cy};
            }
        };

        const TTitleBar& bar = *Form->TitleBar;
        if (TShown* item = add("TitleBar", bar)) {
            // Right of the icon, left of the first caption button.
            const TTitleBarLayout buttons = TitleBarLayout(
                bar.Width(), {bar.MaximizeVisible(), bar.MinimizeVisible()}, {ScaleValue, ScaleValueTrunc});
            const SIZE text = Measure(FontNameRegular, Theme->FontHeight(), bar.Caption());
            const int left = ScaleValue(30);
            item->InColumn.reset();
            item->Text = bar.Caption();
            item->Room = {left, 0, buttons.DragMove.Right, bar.Height()};
            item->Ink = {left, ScaleValue(6), left + text.cx, ScaleValue(6) + text.cy};
        }
        label("ProductNameLabel", *Form->ProductNameLabel);
        label("VersionLabel", *Form->VersionLabel);
        label("UninstallLabel", *Form->UninstallLabel);
        label("DestinationFolderLabel", *Form->DestinationFolderLabel);
        add("DestinationFolderEdit", *Form->DestinationFolderEdit);
        label("AccessDeniedLabel", *Form->AccessDeniedLabel);
        label("RunAsAdminLabel", *Form->RunAsAdminLabel);
        switcher("DesktopShortcutSwitch", *Form->DesktopShortcutSwitch);
        switcher("StartMenuShortcutSwitch", *Form->StartMenuShortcutSwitch);
        switcher("RunAfterSwitch", *Form->RunAfterSwitch);
        switcher("AcceptAgreementSwitch", *Form->AcceptAgreementSwitch);
        label("AgreementLinkLabel", *Form->AgreementLinkLabel);
        switcher("DeleteDataSwitch", *Form->DeleteDataSwitch);
        // The loader turns while an action runs, and needs its place then.
        const TRect loader = BoundsOf(*Form->UninstallLoader);
        shown.push_back({"UninstallLoader", loader, loader, {}, {}, {}});
        button("ActionButton", *Form->ActionButton);
        button("CancelButton", *Form->CancelButton);
        return shown;
    }

    // Checks the window as it shows now; returns how many comparisons were made.
    int Check(const std::string& Where) const {
        const std::vector<TShown> shown = Read();
        RECT area{};
        GetClientRect(Form->Handle(), &area);
        const TRect client = FromRECT(area);
        const TRect column{ScaleValue(16), 0, client.Right - ScaleValue(16), client.Bottom};
        int checks = 0;
        for (const TShown& item : shown) {
            const std::string what = Where + ", " + item.Control;
            if (!item.Text.empty()) {
                const std::string text = what + " \"" + Utf8(item.Text) + "\"";
                EXPECT_LE(item.Ink.Width(), item.Room.Width())
                    << text << ": the text is " << item.Ink.Width() << " px wide, its control gives it "
                    << item.Room.Width() << " px";
                EXPECT_LE(item.Ink.Height(), item.Room.Height())
                    << text << ": the text is " << item.Ink.Height() << " px high, its control gives it "
                    << item.Room.Height() << " px";
                checks += 2;
            }
            if (item.InColumn) {
                EXPECT_GE(item.InColumn->Left, column.Left) << what << ": starts at " << item.InColumn->Left
                                                            << ", in the margin left of " << column.Left;
                EXPECT_LE(item.InColumn->Right, column.Right)
                    << what << ": " << item.InColumn->Width() << " px wide, it ends at "
                    << item.InColumn->Right << ", in the margin right of " << column.Right << " ("
                    << column.Right - item.InColumn->Left << " px wide from its start)";
                checks += 2;
            }
            EXPECT_EQ(IntersectRects(item.InColumn.value_or(item.Box), client),
                      item.InColumn.value_or(item.Box))
                << what << " leaves the client area";
            ++checks;
        }
        for (size_t i = 0; i < shown.size(); ++i) {
            // What lies past the client area is never seen; the rest of each box is its own.
            const TRect mine = IntersectRects(shown[i].Box, client);
            for (size_t j = i + 1; j < shown.size(); ++j) {
                const TRect both = IntersectRects(mine, shown[j].Box);
                EXPECT_TRUE(both.Empty())
                    << Where << ": " << shown[i].Control << " and " << shown[j].Control << " overlap by "
                    << both.Width() << " × " << both.Height() << " px";
                ++checks;
            }
        }
        return checks;
    }
};

std::string Where(const char16_t* Language, const char* Mode, float Scale) {
    return Utf8(Language) + ", " + Mode + ", " + std::to_string(static_cast<int>(Scale * 100 + 0.5f)) + " %";
}

// The window of each run is laid out as it shows, but not shown: a window that has been on
// the screen takes Wine two seconds to take off it again when no window manager answers.
TEST_F(TextFitTest, EveryTextFitsItsControlInEveryLanguageModeAndScale) {
    int checks = 0;
    for (const char16_t* language : AllLanguageNames) {
        for (const auto& mode : Modes) {
            for (const float scale : Scales) {
                const std::string where = Where(language, mode.Name, scale);
                Make(scale, std::u16string(mode.Arguments) + u" /dir=\"" + FFolder + u"\"", language);
                Form->SizeToContent();
                checks += Check(where);
                FRun->Session.ApplyAccess(false);
                ASSERT_TRUE(Form->AccessDeniedLabel->Visible()) << where;
                checks += Check(where + ", folder not writable");
            }
        }
    }
    std::printf("%d checks in %zu windows\n", checks,
                std::size(AllLanguageNames) * std::size(Modes) * std::size(Scales));
}

// What the platform suggests for a window moved to a monitor of another scale: the same
// corner, the size in proportion.
void MoveToScale(HWND Window, float From, float To) {
    RECT window{};
    GetWindowRect(Window, &window);
    RECT suggested{window.left, window.top,
                   window.left + static_cast<LONG>((window.right - window.left) * To / From + 0.5f),
                   window.top + static_cast<LONG>((window.bottom - window.top) * To / From + 0.5f)};
    const WORD dpi = static_cast<WORD>(To * 96 + 0.5f);
    SendMessageW(Window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

TEST_F(TextFitTest, EveryTextStillFitsAfterAMoveToAMonitorOfAnotherScale) {
    for (const char16_t* language : AllLanguageNames) {
        for (const auto& mode : Modes) {
            Make(1.0f, std::u16string(mode.Arguments) + u" /dir=\"" + FFolder + u"\"", language);
            Form->SizeToContent();
            float scale = 1.0f;
            for (const float next : {2.0f, 1.25f, 1.75f, 1.5f, 1.0f}) {
                MoveToScale(Form->Handle(), scale, next);
                scale = next;
                ASSERT_FLOAT_EQ(Theme->ScaleFactor(), scale);
                Check(Where(language, mode.Name, scale) + ", moved there");
            }
        }
    }
}

// Regression: a button had 96 px at 100 % whatever its caption; "アンインストール" was cut at
// both ends, "Деинсталиране" touched the edges.
TEST_F(TextFitTest, UninstallButtonCutItsCaptionAtBothEnds) {
    for (const char16_t* language : {u"Japanese", u"Bulgarian"}) {
        for (const float scale : Scales) {
            const std::string where = Where(language, "uninstall", scale);
            Make(scale, u"/uninstall /dir=\"" + FFolder + u"\"", language);
            Form->SizeToContent();
            RECT client{};
            GetClientRect(Form->Handle(), &client);
            const int cw = client.right;
            const TRect action = BoundsOf(*Form->ActionButton);
            const TRect cancel = BoundsOf(*Form->CancelButton);
            const TRect loader = BoundsOf(*Form->UninstallLoader);
            EXPECT_EQ(action.Width(), Form->ActionButton->CaptionWidth() + 2 * ScaleValue(12)) << where;
            EXPECT_GT(action.Width(), ScaleValue(96)) << where;
            // Cancel keeps its place; the action button and the loader keep their gaps.
            EXPECT_EQ(cancel, (TRect{cw - ScaleValue(112), action.Top, cw - ScaleValue(16), action.Bottom}))
                << where;
            EXPECT_EQ(cancel.Left - action.Right, ScaleValue(8)) << where;
            EXPECT_EQ(action.Left - loader.Right, ScaleValue(8)) << where;
            EXPECT_EQ(loader.Top - action.Top, action.Bottom - loader.Bottom) << where;
        }
    }
}

TEST_F(TextFitTest, ACaptionWiderThanTheColumnWidensTheWindowAndItsLeastSize) {
    Make(1.5f, u"/uninstall /dir=\"" + FFolder + u"\"");
    // Longer than any phrase, yet short enough for a window that still fits the screen at
    // 200 %; measured when the window first shows.
    Form->DeleteDataSwitch->SetCaption(
        u"Delete local workspaces, requests, environments, collections and the application settings");
    Form->FormShow();
    RECT window{}, client{};
    GetWindowRect(Form->Handle(), &window);
    GetClientRect(Form->Handle(), &client);
    EXPECT_GT(client.right, 780);
    EXPECT_EQ(client.bottom, 600) << "only the width follows the captions";
    EXPECT_EQ(Form->DeleteDataSwitch->Left() + Form->DeleteDataSwitch->Width(), client.right - 24)
        << "exactly as wide as the caption needs";
    Check("a long delete-data caption at 150 %");
    MINMAXINFO limits{};
    SendMessageW(Form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, window.right - window.left)
        << "the user cannot make it cut the caption";

    for (const float scale : {1.0f, 2.0f}) {
        MoveToScale(Form->Handle(), Theme->ScaleFactor(), scale);
        Check("a long delete-data caption moved to " + std::to_string(static_cast<int>(scale * 100)) + " %");
        GetWindowRect(Form->Handle(), &window);
        SendMessageW(Form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        EXPECT_LE(limits.ptMinTrackSize.x, window.right - window.left);
        GetClientRect(Form->Handle(), &client);
        EXPECT_GE(limits.ptMinTrackSize.x - (window.right - window.left) + client.right,
                  Form->DeleteDataSwitch->Left() + Form->DeleteDataSwitch->Width() + ScaleValue(16))
            << "the least size keeps the caption whole";
    }
}

} // namespace
