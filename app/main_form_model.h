// The rules of the installer's window without the window: which controls show and which take
// input in each run mode and state, the texts that depend on the run mode, whether the action
// may start, which control has the focus first, and where every control stands for a client
// size and scale. The session owns one and changes it; the form only shows what it says, so
// the rules run and are tested the same on every build.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "utils/command_line.h"
#include "utils/rect.h"

// The window's controls, in the order of creation, which is also the Tab order.
enum TFormControl : uint8_t {
    fcTitleBar,
    fcProductName,
    fcVersion,
    fcLogo,
    fcUninstallHint,
    fcFolderLabel,
    fcFolderEdit,
    fcAccessDenied,
    fcRunAsAdmin,
    fcDesktopShortcut,
    fcStartMenuShortcut,
    fcRunAfter,
    fcAcceptAgreement,
    fcAgreementLink,
    fcDeleteData,
    fcLoader,
    fcAction,
    fcCancel,
    fcCount
};

class TMainFormModel {
public:
    explicit TMainFormModel(TRunMode Mode) noexcept : FRunMode(Mode) {}

    TRunMode RunMode() const noexcept { return FRunMode; }

    // What the window knows about the run: the last access probe of the folder, the agreement
    // switch, an install or update that runs (its options locked), the loader turning.
    bool FolderWritable() const noexcept { return FFolderWritable; }
    void SetFolderWritable(bool Value) noexcept { FFolderWritable = Value; }
    bool AgreementAccepted() const noexcept { return FAgreementAccepted; }
    void SetAgreementAccepted(bool Value) noexcept { FAgreementAccepted = Value; }
    bool Busy() const noexcept { return FBusy; }
    void SetBusy(bool Value) noexcept { FBusy = Value; }
    bool LoaderTurning() const noexcept { return FLoaderTurning; }
    void SetLoaderTurning(bool Value) noexcept { FLoaderTurning = Value; }

    bool Visible(TFormControl Control) const noexcept;
    bool Enabled(TFormControl Control) const noexcept;
    // The action's button takes input: every way to the action (the button, Enter in the folder
    // field, a screen reader) is closed while it does not.
    bool ActionEnabled() const noexcept { return Enabled(fcAction); }

    // Phrase keys: the action's name ("INSTALL", "UPDATE", "UNINSTALL") and the folder label's.
    std::u16string ActionCaptionKey() const;
    std::u16string FolderLabelKey() const;
    // The text the window draws on Control in the process's language: its caption, or for the
    // loader what a screen reader calls it; empty for the logo and the folder field, whose
    // text is the folder. The title bar shows the window's caption.
    std::u16string Caption(TFormControl Control) const;
    // "Quorvalent – " and the action's name.
    std::u16string WindowCaption() const;
    // The control that has the focus when the window shows.
    TFormControl InitialFocus() const noexcept;
    // Whether Control shows in some state of the run's mode: for a folder that can be written
    // or not, with the loader turning or not.
    bool MayShow(TFormControl Control) const noexcept;

private:
    bool Uninstall() const noexcept { return FRunMode == rmUninstall; }

    TRunMode FRunMode;
    bool FFolderWritable = true;
    bool FAgreementAccepted = true;
    bool FBusy = false;
    bool FLoaderTurning = false;
};

// The window's size before scaling.
inline constexpr int FormClientWidth96 = 520;
inline constexpr int FormClientHeight96 = 400;

// The width of each control's text in device pixels, measured in the font the control draws
// it with: a label's, a switch's or a button's caption. 0 for a control without a caption of
// its own, and for one the run never shows.
using TFormTextWidths = std::array<int, fcCount>;

// Where each control stands in a client area of ClientWidth × ClientHeight device pixels at
// Scale: the layout's unscaled lengths, each scaled on its own and rounded to the nearest
// integer with ties to even. Texts that fit their places keep every one of those figures; a
// caption of Texts that does not is given room instead of being cut:
//  - a button narrower than its caption with a padding on each side grows leftwards, Cancel
//    keeping its right edge, the action button and the loader left of it moving left by as
//    much, the gaps between them kept;
//  - a switch takes the width of its track and its caption, as it sizes itself;
//  - a label of a fixed width narrower than its caption takes the caption's width, and the
//    agreement link starts after the agreement switch's caption when that reaches its place.
// A caption that would still reach into the margin at the window's edge needs a wider window
// (FittingClientWidth): labels and switches never wrap.
using TFormLayout = std::array<TRect, fcCount>;
TFormLayout LayOutForm(int ClientWidth, int ClientHeight, float Scale, const TFormTextWidths& Texts = {});
// The least client width at Scale at which every caption of Texts lies between the margins at
// the window's sides, the buttons and the loader included; less than the layout's own width
// when the texts need less.
int FittingClientWidth(const TFormTextWidths& Texts, float Scale);
// The controls the layout places, in its order; the run-after switch, never shown, is not one.
extern const std::array<TFormControl, fcCount - 1> FormLayoutOrder;
