#include "ui/backupCommands.h"

#include <commdlg.h>

#include "backup/fullBackup.h"
#include "report/report.h"
#include "catalogue/ProgramList.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"
#include "ui/frmComment.h"
#include "ui/frmPrintPage.h"
#include "ui/frmProgress.h"
#include "ui/uiCommon.h"

namespace purgeon {

namespace {

std::optional<std::wstring> ChooseRegFile(HWND owner, const backup::DialogSetup& setup, bool save) {
    const std::wstring filter = LangText(IDS_REGFILE_FILTER) + L'\0' + L"*.reg" + L'\0' + L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    setup.fileName.copy(file.data(), std::min(setup.fileName.size(), file.size() - 1));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = setup.initialFolder.empty() ? nullptr : setup.initialFolder.c_str();
    dialog.lpstrDefExt = setup.defaultExtension.empty() ? nullptr : setup.defaultExtension.c_str();
    // The editor is started in the chosen file's folder: ours stays as it was.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    if (save) dialog.Flags |= OFN_PATHMUSTEXIST;
    if (!(save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog))) return std::nullopt;
    return std::wstring(file.data());
}

}  // namespace

std::optional<std::wstring> ChooseExportFile(HWND owner, backup::RegFileDialogs& dialogs, const std::wstring& backupDir,
                                             const std::wstring& keyName) {
    auto chosen = ChooseRegFile(owner, backup::ExportDialogSetup(dialogs, backupDir, keyName), true);
    if (chosen) backup::RememberExport(dialogs, *chosen);
    return chosen;
}

std::optional<std::wstring> ChooseReloadFile(HWND owner, backup::RegFileDialogs& dialogs, const std::wstring& backupDir) {
    auto chosen = ChooseRegFile(owner, backup::ReloadDialogSetup(dialogs, backupDir), false);
    if (chosen) backup::RememberReload(dialogs, *chosen);
    return chosen;
}

void ExportRegistryInfo(HWND owner, backup::RegFileDialogs& dialogs, const std::wstring& keyName,
                        const std::wstring& keyText) {
    if (auto file = ChooseExportFile(owner, dialogs, AppPaths.RegBackupDir, keyName))
        backup::StartEditor(owner, backup::ExportCommand(*file, keyText));
}

void ReloadRegistryInfo(HWND owner, backup::RegFileDialogs& dialogs) {
    if (auto file = ChooseReloadFile(owner, dialogs, AppPaths.RegBackupDir))
        backup::StartEditor(owner, backup::ReloadCommand(*file));
}

void CreateBackup(HWND owner, HINSTANCE instance) {
    if (MessageBoxW(owner, LangText(IDS_MESSAGEBOX_WARNING_BackupReg).c_str(), kAppTitle, MB_YESNO | MB_ICONINFORMATION) !=
        IDYES)
        return;
    TProgressForm::Run(owner, instance, backup::UninstallSources(), AppPaths.RegBackupDir, {}, {}, AppPaths.SkinDir);
}

void ExportProgramList(HWND owner, HINSTANCE instance, IProgramList* list, const std::vector<ListRow>& rows,
                       const std::wstring& countsText) {
    ReportData data;
    data.header = report::CurrentReportHeader(countsText);
    data.texts = report::ReportTexts::FromTable();
    std::vector<std::wstring> captions;
    for (const ListRow& row : rows) captions.push_back(row.caption);
    data.lines = report::ReportLines(data.header, captions, data.texts);
    data.programs = ReadReportPrograms(list, rows);
    TPrintListForm::Run(owner, instance, data);
}

bool CommentEntry(HWND owner, HINSTANCE instance, IProgramList* list, const std::wstring& keyPath,
                  const std::function<void(TCommentForm& form)>& onShown) {
    ComPtr<IProgramEntry> entry = EntryAtKey(list, keyPath);
    if (!entry) return false;
    UniqueBstr name;
    CheckCom(entry->GetDisplayName(name.put()), kComponentName);
    std::optional<std::wstring> comment = TCommentForm::Run(owner, instance, name.str(), onShown);
    if (!comment) return false;
    UniqueBstr text(comment->c_str(), comment->size());
    // The comment is what the user wrote: a failed store is said, never passed over.
    CheckCom(entry->SetComment(text.get()), kComponentName);
    return true;
}

void OpenRegistryEditorAt(HWND owner, const std::wstring& keyText) {
    if (const DWORD error = backup::JumpToKey(owner, keyText))
        ShowErrorReport(owner, Format(LangText(IDS_MESSAGEBOX_MESSAGE_RegeditJumpFailed).c_str(), keyText.c_str(),
                                      SystemErrorText(error).c_str()));
}

}  // namespace purgeon
