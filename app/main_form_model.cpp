#include "app/main_form_model.h"

#include <algorithm>

#include "ucl/switch_frame.h"
#include "utils/consts.h"
#include "utils/language.h"
#include "utils/strings.h"
#include "utils/theme.h"

bool TMainFormModel::Visible(TFormControl Control) const noexcept {
    switch (Control) {
    case fcUninstallHint:
    case fcDeleteData:
        return Uninstall();
    case fcFolderLabel:
        return FFolderWritable;
    case fcAccessDenied:
    case fcRunAsAdmin:
        // The access-denied label takes the folder label's place.
        return !FFolderWritable;
    case fcDesktopShortcut:
    case fcStartMenuShortcut:
        return !Uninstall();
    case fcRunAfter:
        return false;
    case fcLoader:
        return FLoaderTurning;
    default:
        return true;
    }
}

bool TMainFormModel::Enabled(TFormControl Control) const noexcept {
    switch (Control) {
    case fcFolderEdit:
        // An uninstall removes what the recorded folder holds; another folder holds nothing
        // of this installation.
        return !Uninstall() && !FBusy;
    case fcDesktopShortcut:
    case fcStartMenuShortcut:
    case fcAcceptAgreement:
    case fcRunAsAdmin:
        return !FBusy;
    case fcAction:
        // A writable folder does not accept the agreement on the user's behalf.
        return FFolderWritable && FAgreementAccepted && !FBusy;
    default:
        return true;
    }
}

std::u16string TMainFormModel::ActionCaptionKey() const {
    return AsciiUpperCase(RunModeName(FRunMode));
}

std::u16string TMainFormModel::FolderLabelKey() const {
    return Uninstall() ? u"UNINSTALL_FROM" : u"DESTINATION_FOLDER";
}

std::u16string TMainFormModel::WindowCaption() const {
    return std::u16string(ProductName) + u" \u2013 " + GetPhrase(ActionCaptionKey());
}

std::u16string TMainFormModel::Caption(TFormControl Control) const {
    switch (Control) {
    case fcTitleBar:
        return WindowCaption();
    case fcProductName:
        return ProductName;
    case fcVersion:
        return GetPhrase(u"VERSION") + u" " + ProductVersion;
    case fcUninstallHint:
        return GetPhrase(u"CLICK_UNINSTALL_TO_START_UNINSTALLATION");
    case fcFolderLabel:
        return GetPhrase(FolderLabelKey());
    case fcAccessDenied:
        return GetPhrase(u"INSUFFICIENT_PRIVILEGES");
    case fcRunAsAdmin:
        return GetPhrase(u"RUN_THIS_PROGRAM_AS_ADMINISTRATOR");
    case fcDesktopShortcut:
        return GetPhrase(u"CREATE_DESKTOP_SHORTCUT");
    case fcStartMenuShortcut:
        return GetPhrase(u"CREATE_START_MENU_SHORTCUT");
    case fcRunAfter:
        return ReplaceAll(GetPhrase(u"RUN_PRODUCT_AFTER_INSTALLATION"), u"%s", ProductName);
    case fcAcceptAgreement:
        // The same words in every language.
        return u"I accept the agreement";
    case fcAgreementLink:
        return AgreementUrl;
    case fcDeleteData:
        return GetPhrase(u"DELETE_LOCAL_WORKSPACES");
    case fcLoader:
        return GetPhrase(u"UNINSTALL");
    case fcAction:
        return GetPhrase(ActionCaptionKey());
    case fcCancel:
        return GetPhrase(u"CANCEL");
    case fcLogo:
    case fcFolderEdit:
    case fcCount:
        break;
    }
    return {};
}

TFormControl TMainFormModel::InitialFocus() const noexcept {
    return !Uninstall() && ActionEnabled() ? fcAction : fcCancel;
}

bool TMainFormModel::MayShow(TFormControl Control) const noexcept {
    TMainFormModel state(FRunMode);
    for (const bool writable : {true, false}) {
        for (const bool turning : {false, true}) {
            state.SetFolderWritable(writable);
            state.SetLoaderTurning(turning);
            if (state.Visible(Control)) {
                return true;
            }
        }
    }
    return false;
}

namespace {

// The layout in unscaled pixels. The column of texts and switches keeps one margin from the
// window's left and right edges; the switches and the hint stand above the buttons, counted
// from the bottom edge, so that a taller window keeps them together with the buttons.
constexpr int Margin96 = 16;
constexpr int TitleBarHeight96 = 32;
constexpr int LogoTop96 = 56;
constexpr int LogoSize96 = 64;
constexpr int ProductNameTop96 = 124;
constexpr int ProductNameHeight96 = 32;
constexpr int VersionTop96 = 156;
constexpr int VersionHeight96 = 16;
constexpr int LabelHeight96 = 18;
constexpr int FolderLabelTop96 = 192;
constexpr int FolderLabelWidth96 = 400;
constexpr int FolderEditTop96 = 216;
constexpr int FolderEditHeight96 = 32;
constexpr int RunAsAdminTop96 = 252;
constexpr int SwitchWidth96 = 200;
constexpr int SwitchHeight96 = 16;
constexpr int DesktopShortcutFromBottom96 = 124;
constexpr int DeleteDataFromBottom96 = 120;
constexpr int StartMenuShortcutFromBottom96 = 100;
constexpr int UninstallHintFromBottom96 = 96;
constexpr int AgreementLinkFromBottom96 = 78;
constexpr int AgreementSwitchFromBottom96 = 76;
// The link follows the agreement switch's caption on its line.
constexpr int AgreementLinkLeft96 = 186;
constexpr int AgreementLinkWidth96 = 400;
// The buttons stand at the bottom right, Cancel last, a gap between them; the loader turns
// the same gap left of the action button, centred on it.
constexpr int ButtonWidth96 = 96;
constexpr int ButtonHeight96 = 32;
constexpr int ButtonGap96 = 8;
constexpr int ButtonsFromBottom96 = 48;
constexpr int CancelFromRight96 = Margin96 + ButtonWidth96;
constexpr int ActionFromRight96 = CancelFromRight96 + ButtonGap96 + ButtonWidth96;
constexpr int LoaderSize96 = 24;
constexpr int LoaderFromRight96 = ActionFromRight96 + ButtonGap96 + LoaderSize96;
constexpr int LoaderFromBottom96 = ButtonsFromBottom96 - (ButtonHeight96 - LoaderSize96) / 2;
// A button grows where its caption with this much room on each side is wider than its place;
// the English captions fit their 96 px with it at every scale.
constexpr int ButtonPadding96 = 12;
// The agreement link keeps this much room after the agreement switch's caption.
constexpr int AgreementLinkGap96 = 2;

static_assert(CancelFromRight96 == 112 && ActionFromRight96 == 216 && LoaderFromRight96 == 248 &&
              LoaderFromBottom96 == 44);

// A length of the layout: unscaled pixels from the client area's start, back from its end
// (the right or bottom edge), or back from its middle.
enum TFrom : uint8_t { fromStart, fromEnd, fromMiddle };

struct TLength {
    TFrom From;
    int Pixels96;
};

constexpr TLength At(int Pixels96) {
    return {fromStart, Pixels96};
}
constexpr TLength BeforeEnd(int Pixels96) {
    return {fromEnd, Pixels96};
}
constexpr TLength BeforeMiddle(int Pixels96) {
    return {fromMiddle, Pixels96};
}

struct TPlace {
    TFormControl Control;
    TLength Left, Top, Width, Height;
};

// In the order the form places them. The run-after switch is never shown and has no place.
constexpr TPlace Places[] = {
    {fcTitleBar, At(0), At(0), BeforeEnd(0), At(TitleBarHeight96)},
    {fcProductName, At(Margin96), At(ProductNameTop96), BeforeEnd(2 * Margin96), At(ProductNameHeight96)},
    {fcVersion, At(Margin96), At(VersionTop96), BeforeEnd(2 * Margin96), At(VersionHeight96)},
    {fcLogo, BeforeMiddle(LogoSize96 / 2), At(LogoTop96), At(LogoSize96), At(LogoSize96)},
    {fcUninstallHint, At(Margin96), BeforeEnd(UninstallHintFromBottom96), BeforeEnd(2 * Margin96),
     At(LabelHeight96)},
    {fcFolderLabel, At(Margin96), At(FolderLabelTop96), At(FolderLabelWidth96), At(LabelHeight96)},
    {fcFolderEdit, At(Margin96), At(FolderEditTop96), BeforeEnd(2 * Margin96), At(FolderEditHeight96)},
    {fcAccessDenied, At(Margin96), At(FolderLabelTop96), BeforeEnd(2 * Margin96), At(LabelHeight96)},
    {fcRunAsAdmin, At(Margin96), At(RunAsAdminTop96), BeforeEnd(2 * Margin96), At(LabelHeight96)},
    {fcDesktopShortcut, At(Margin96), BeforeEnd(DesktopShortcutFromBottom96), At(SwitchWidth96),
     At(SwitchHeight96)},
    {fcStartMenuShortcut, At(Margin96), BeforeEnd(StartMenuShortcutFromBottom96), At(SwitchWidth96),
     At(SwitchHeight96)},
    {fcAcceptAgreement, At(Margin96), BeforeEnd(AgreementSwitchFromBottom96), At(SwitchWidth96),
     At(SwitchHeight96)},
    {fcAgreementLink, At(AgreementLinkLeft96), BeforeEnd(AgreementLinkFromBottom96), At(AgreementLinkWidth96),
     At(LabelHeight96)},
    {fcDeleteData, At(Margin96), BeforeEnd(DeleteDataFromBottom96), At(SwitchWidth96), At(SwitchHeight96)},
    {fcLoader, BeforeEnd(LoaderFromRight96), BeforeEnd(LoaderFromBottom96), At(LoaderSize96),
     At(LoaderSize96)},
    {fcAction, BeforeEnd(ActionFromRight96), BeforeEnd(ButtonsFromBottom96), At(ButtonWidth96),
     At(ButtonHeight96)},
    {fcCancel, BeforeEnd(CancelFromRight96), BeforeEnd(ButtonsFromBottom96), At(ButtonWidth96),
     At(ButtonHeight96)},
};

static_assert(std::size(Places) == fcCount - 1);

// The one place where the layout's lengths are scaled: each on its own, as r(n).
int Resolve(const TLength& Length, int Extent, float Scale) {
    const int scaled = ScaleValue(Length.Pixels96, Scale);
    switch (Length.From) {
    case fromEnd:
        return Extent - scaled;
    case fromMiddle:
        return Extent / 2 - scaled;
    case fromStart:
        break;
    }
    return scaled;
}

constexpr std::array<TFormControl, std::size(Places)> LayoutOrder() {
    std::array<TFormControl, std::size(Places)> order{};
    for (size_t i = 0; i < std::size(Places); ++i) {
        order[i] = Places[i].Control;
    }
    return order;
}

} // namespace

const std::array<TFormControl, fcCount - 1> FormLayoutOrder = LayoutOrder();

namespace {

constexpr TFormControl Switches[] = {fcDesktopShortcut, fcStartMenuShortcut, fcAcceptAgreement, fcDeleteData};
// Labels as wide as the column between the margins, and labels of a width of their own.
constexpr TFormControl ColumnLabels[] = {fcProductName, fcVersion, fcUninstallHint, fcAccessDenied,
                                         fcRunAsAdmin};
constexpr TFormControl FixedLabels[] = {fcFolderLabel, fcAgreementLink};

void MoveBy(TRect& Rect, int Dx) noexcept {
    Rect.Left += Dx;
    Rect.Right += Dx;
}

// The buttons grow leftwards from their right edges, each by what its caption needs beyond
// its place; whatever stands left of a button in the row moves left by as much.
void FitButtons(TFormLayout& Layout, const TFormTextWidths& Texts, float Scale) {
    const auto growth = [&](TFormControl Button) {
        if (!Texts[Button]) {
            return 0;
        }
        return std::max(0, Texts[Button] + 2 * ScaleValue(ButtonPadding96, Scale) - Layout[Button].Width());
    };
    const int cancel = growth(fcCancel);
    const int action = growth(fcAction);
    Layout[fcCancel].Left -= cancel;
    MoveBy(Layout[fcAction], -cancel);
    Layout[fcAction].Left -= action;
    MoveBy(Layout[fcLoader], -cancel - action);
}

void FitTexts(TFormLayout& Layout, const TFormTextWidths& Texts, float Scale) {
    for (const TFormControl control : Switches) {
        if (Texts[control]) {
            TRect& box = Layout[control];
            box.Right = box.Left + ScaleValue(SwitchCaptionLeft96, Scale) + Texts[control];
        }
    }
    for (const TFormControl control : FixedLabels) {
        TRect& box = Layout[control];
        box.Right = std::max(box.Right, box.Left + Texts[control]);
    }
    if (Texts[fcAcceptAgreement]) {
        const int after = Layout[fcAcceptAgreement].Right + ScaleValue(AgreementLinkGap96, Scale);
        MoveBy(Layout[fcAgreementLink], std::max(0, after - Layout[fcAgreementLink].Left));
    }
    FitButtons(Layout, Texts, Scale);
}

} // namespace

TFormLayout LayOutForm(int ClientWidth, int ClientHeight, float Scale, const TFormTextWidths& Texts) {
    TFormLayout layout{};
    for (const TPlace& place : Places) {
        const int left = Resolve(place.Left, ClientWidth, Scale);
        const int top = Resolve(place.Top, ClientHeight, Scale);
        layout[place.Control] = {left, top, left + Resolve(place.Width, ClientWidth, Scale),
                                 top + Resolve(place.Height, ClientHeight, Scale)};
    }
    FitTexts(layout, Texts, Scale);
    return layout;
}

int FittingClientWidth(const TFormTextWidths& Texts, float Scale) {
    // Every place is counted from the left edge or back from the right one, and no caption's
    // width depends on the window's: what a caption lacks at one width is what the window
    // needs more, or what it can spare.
    const int width = ScaleValue(FormClientWidth96, Scale);
    const int margin = ScaleValue(Margin96, Scale);
    const TFormLayout layout = LayOutForm(width, ScaleValue(FormClientHeight96, Scale), Scale, Texts);
    // The bottom row, from the loader to Cancel, between the margins.
    int needed = width + margin - layout[fcLoader].Left;
    for (const TFormControl control : ColumnLabels) {
        if (Texts[control]) {
            // The whole caption inside its label, and the label's line inside the column.
            needed = std::max(needed, width + Texts[control] - layout[control].Width());
            needed = std::max(needed, layout[control].Left + Texts[control] + margin);
        }
    }
    for (const TFormControl control : FixedLabels) {
        needed = std::max(needed, layout[control].Left + Texts[control] + margin);
    }
    for (const TFormControl control : Switches) {
        if (Texts[control]) {
            needed = std::max(needed, layout[control].Right + margin);
        }
    }
    return needed;
}
