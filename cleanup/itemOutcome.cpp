#include "cleanup/itemOutcome.h"

namespace purgeon::cleanup {

Reason ReasonOfError(DWORD error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
            return Reason::InUse;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
        case ERROR_WRITE_PROTECT:
            return Reason::AccessDenied;
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return Reason::PathTooLong;
        case ERROR_CANT_RESOLVE_FILENAME:
        case ERROR_CANT_ACCESS_FILE:
            return Reason::LinkNotFollowed;
        default:
            return Reason::Failed;
    }
}

std::vector<ItemOutcome> OwnFailures(const std::vector<ItemOutcome>& outcomes) {
    std::vector<ItemOutcome> failures;
    for (const ItemOutcome& outcome : outcomes)
        if (!outcome.done && outcome.reason != Reason::ContentsStayed) failures.push_back(outcome);
    return failures;
}

}  // namespace purgeon::cleanup
