#pragma once
// The main window's commands of the backups, the report, comments and the registry-editor jump.
// Each takes what the main window knows (its window, the selected program, the rows on screen)
// and does the whole command: dialogs, windows, messages.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/registryEditor.h"
#include "catalogue/DoffkitLib_TLB.h"
#include "catalogue/programRows.h"

namespace purgeon {

// Export Registry Info: the save dialog (proposing "<key name>.reg"), then the registry editor
// exporting `keyText` there. `dialogs` is kept by the main window for its whole life.
void ExportRegistryInfo(HWND owner, backup::RegFileDialogs& dialogs, const std::wstring& keyName,
                        const std::wstring& keyText);
// Reload Registry Info: the open dialog, then the registry editor loading the file.
void ReloadRegistryInfo(HWND owner, backup::RegFileDialogs& dialogs);
// Create Backup: the question, then the progress window backing up every Uninstall key into
// AppPaths.RegBackupDir.
void CreateBackup(HWND owner, HINSTANCE instance);
// Export Program List: the report of `rows` (as shown, in display order) in the Save/Print window.
void ExportProgramList(HWND owner, HINSTANCE instance, IProgramList* list, const std::vector<ListRow>& rows,
                       const std::wstring& countsText);
// Comment Entry: the comment window for one program; OK hands the text to the component. True
// when a comment was stored.
// `onShown` lets tests drive the window.
class TCommentForm;
bool CommentEntry(HWND owner, HINSTANCE instance, IProgramList* list, const std::wstring& keyPath,
                  const std::function<void(TCommentForm& form)>& onShown = {});
// Registry Editor: "LastKey", then the editor; a failure is reported.
void OpenRegistryEditorAt(HWND owner, const std::wstring& keyText);

// The system's file dialogs with what they remember; the chosen path, or nothing when cancelled.
std::optional<std::wstring> ChooseExportFile(HWND owner, backup::RegFileDialogs& dialogs, const std::wstring& backupDir,
                                             const std::wstring& keyName);
std::optional<std::wstring> ChooseReloadFile(HWND owner, backup::RegFileDialogs& dialogs, const std::wstring& backupDir);

}  // namespace purgeon
