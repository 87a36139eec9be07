// The one failure policy of the installer. Every failure of an action (the probe, the install
// and update steps, the uninstall's start and its removal steps) and every error that escapes
// the message loop is answered from this table, and from nowhere else:
//
//   failure                          silent run               with the window
//   the folder cannot be written     exit code 2, run ends    message box; the window stays
//   an action failed                 exit code 1, run ends    message box; the window stays
//   the installer file is damaged    exit code 1, run ends    message box; the window stays
//   the product is still running     exit code 1, run ends    message box; the window stays
//   the user cancelled               exit code 0, run ends    exit code 0, run ends, no box
//   anything else, outside actions   exit code 1, run ends    message box; exit code 1, run ends
//
// Where the window stays, the loader stops, the options are unlocked and the action can be
// started again; what a failed install or update wrote has been put back before.
#pragma once

#include <cstdint>

enum TFailure : uint8_t {
    flFolderNotWritable,
    flActionFailed,
    flInstallerDamaged,
    flProductRunning,
    flCancelled,
    flUnexpected
};

struct TFailureResponse {
    // A message box for the user: never in a silent run.
    bool ShowMessage = false;
    // The run ends with ExitCode; otherwise the window stays for another try.
    bool EndRun = false;
    int ExitCode = 0;
    bool operator==(const TFailureResponse&) const = default;
};

TFailureResponse RespondTo(TFailure Failure, bool Unattended) noexcept;
