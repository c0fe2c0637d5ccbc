#include "cleanup/cleanupReport.h"

#include "common/funUtils.h"
#include "i18n/multiLangs.h"

namespace purgeon::cleanup {

namespace {

std::wstring Lines(const std::vector<ItemOutcome>& failures, TextKey heading, size_t maxLines) {
    std::wstring text = Format(LangText(heading).c_str(), static_cast<int>(failures.size()));
    for (size_t i = 0; i < failures.size() && i < maxLines; ++i)
        text += L"\r\n" + failures[i].path + L": " + ReasonText(failures[i]);
    if (failures.size() > maxLines)
        text += L"\r\n" + Format(LangText(IDS_MESSAGEBOX_WARNING_CleanMore).c_str(),
                                 static_cast<int>(failures.size() - maxLines));
    return text;
}

}  // namespace

std::wstring ReasonText(const ItemOutcome& outcome) {
    switch (outcome.reason) {
        case Reason::None: return L"";
        case Reason::InUse: return LangText(IDS_MESSAGEBOX_REASON_InUse);
        case Reason::AccessDenied: return LangText(IDS_MESSAGEBOX_REASON_AccessDenied);
        case Reason::PathTooLong: return LangText(IDS_MESSAGEBOX_REASON_PathTooLong);
        case Reason::LinkNotFollowed: return LangText(IDS_MESSAGEBOX_REASON_LinkNotFollowed);
        case Reason::OutsideFolder: return LangText(IDS_MESSAGEBOX_REASON_OutsideFolder);
        case Reason::Protected: return LangText(IDS_MESSAGEBOX_REASON_Protected);
        case Reason::ContentsStayed: return LangText(IDS_MESSAGEBOX_REASON_ContentsStayed);
        case Reason::BackupFailed:
            return outcome.error ? LangText(IDS_MESSAGEBOX_REASON_BackupFailed) + L" (" + SystemErrorText(outcome.error) + L")"
                                 : LangText(IDS_MESSAGEBOX_REASON_BackupFailed);
        case Reason::Occupied: return LangText(IDS_MESSAGEBOX_REASON_Occupied);
        case Reason::DataDiffers: return LangText(IDS_MESSAGEBOX_REASON_DataDiffers);
        case Reason::MissingFromBackup: return LangText(IDS_MESSAGEBOX_REASON_MissingFromBackup);
        case Reason::LinkRemoved: return LangText(IDS_MESSAGEBOX_REASON_LinkRemoved);
        case Reason::NotACleanup: return LangText(IDS_MESSAGEBOX_REASON_NotACleanup);
        case Reason::OwnBackups: return LangText(IDS_MESSAGEBOX_REASON_OwnBackups);
        case Reason::LeftInBackup: return LangText(IDS_MESSAGEBOX_REASON_LeftInBackup);
        case Reason::Failed: return SystemErrorText(outcome.error);
    }
    return SystemErrorText(outcome.error);
}

std::wstring CleanupMessage(const std::vector<ItemOutcome>& outcomes, size_t maxLines) {
    std::vector<ItemOutcome> failures = OwnFailures(outcomes);
    if (failures.empty()) return LangText(IDS_MESSAGEBOX_WARNING_CleanSuccess);
    return Lines(failures, IDS_MESSAGEBOX_WARNING_CleanPartly, maxLines);
}

std::wstring RestoreMessage(const std::vector<ItemOutcome>& outcomes, size_t maxLines) {
    std::vector<ItemOutcome> failures = OwnFailures(outcomes);
    if (failures.empty()) return LangText(IDS_MESSAGEBOX_MESSAGE_RestoreSucceed);
    return Lines(failures, IDS_MESSAGEBOX_WARNING_RestorePartly, maxLines);
}

std::wstring DeleteBackupMessage(const std::vector<ItemOutcome>& stayed, size_t maxLines) {
    std::vector<ItemOutcome> failures = OwnFailures(stayed);
    if (failures.empty() && stayed.empty()) return L"";
    if (failures.empty()) failures = stayed;
    return Lines(failures, IDS_MESSAGEBOX_WARNING_DeleteCleanupPartly, maxLines);
}

std::wstring BackupFailedMessage(const std::wstring& why) {
    return Format(LangText(IDS_MESSAGEBOX_WARNING_CleanBackupFailed).c_str(), why.c_str());
}

OutputRow OutcomeRow(const ItemOutcome& outcome, bool restore) {
    if (outcome.done && outcome.inPlace) return {{L"result", L"inplace"}, {L"path", outcome.path}};
    if (outcome.done) return {{L"result", restore ? L"restored" : L"deleted"}, {L"path", outcome.path}};
    return {{L"result", restore ? L"failed" : L"stayed"}, {L"path", outcome.path}, {L"reason", ReasonText(outcome)}};
}

OutputRow BackupRow(const std::wstring& folder) {
    return {{L"result", L"backup"}, {L"folder", ExcludeTrailingBackslash(folder)}};
}

}  // namespace purgeon::cleanup
