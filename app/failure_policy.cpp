#include "app/failure_policy.h"

TFailureResponse RespondTo(TFailure Failure, bool Unattended) noexcept {
    switch (Failure) {
    case flCancelled:
        return {false, true, 0};
    case flFolderNotWritable:
        return Unattended ? TFailureResponse{false, true, 2} : TFailureResponse{true, false, 0};
    case flActionFailed:
    case flInstallerDamaged:
    case flProductRunning:
        return Unattended ? TFailureResponse{false, true, 1} : TFailureResponse{true, false, 0};
    case flUnexpected:
        break;
    }
    return {!Unattended, true, 1};
}
