#pragma once
// The registry editor as the program hands over to it: export of one program's key, reload of a
// .reg file, and the jump that opens the editor at a key. Command lines, default file names and
// remembered folders are plain functions; StartEditor and WriteRegeditLastKey touch the system.
#include <windows.h>

#include <string>

namespace purgeon::backup {

// A start of the editor: its file, its parameters and the folder it starts in (empty: ours).
struct EditorCommand {
    std::wstring file = L"regedit";
    std::wstring parameters;
    std::wstring directory;
};

// Export: ` /e "<file name>" "<key>"`, started in the chosen file's folder, so the bare file name
// lands there whatever the program's current folder is.
EditorCommand ExportCommand(const std::wstring& chosenPath, const std::wstring& keyText);
// Reload: ` "<file name>"`, started in the chosen file's folder; the editor asks before merging.
EditorCommand ReloadCommand(const std::wstring& chosenPath);

// What the two file dialogs remember between uses, for the life of the main window.
struct RegFileDialogs {
    std::wstring exportFolder, exportFile;
    std::wstring reloadFolder, reloadFile;
};

// How a dialog opens: in the folder last chosen in it while that exists, else in the registry
// backup folder while that exists, else where the system puts it (empty).
struct DialogSetup {
    std::wstring initialFolder;
    std::wstring fileName;
    std::wstring defaultExtension;  // without the dot; empty for none
};
// The export proposes "<key name>.reg" (a safe name when the key's cannot be a file's).
DialogSetup ExportDialogSetup(const RegFileDialogs& dialogs, const std::wstring& backupDir, const std::wstring& keyName);
DialogSetup ReloadDialogSetup(const RegFileDialogs& dialogs, const std::wstring& backupDir);
void RememberExport(RegFileDialogs& dialogs, const std::wstring& chosenPath);
void RememberReload(RegFileDialogs& dialogs, const std::wstring& chosenPath);
std::wstring DefaultExportFileName(const std::wstring& keyName);

// Starts the editor through the shell ("open", shown normally) and does not wait; true when the
// shell started it.
bool StartEditor(HWND owner, const EditorCommand& command);

// The editor's own remembered position, under HKEY_CURRENT_USER.
inline constexpr wchar_t kRegeditSettingsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";
inline constexpr wchar_t kRegeditLastKeyValue[] = L"LastKey";
// Writes "LastKey" (REG_SZ), creating the settings key when the editor has never run.
// ERROR_SUCCESS or the error of the failed call.
LSTATUS WriteRegeditLastKey(const std::wstring& keyText);

// The jump: "LastKey", then the editor without parameters. ERROR_SUCCESS, or the error that
// kept the editor from being positioned (then it is not started).
DWORD JumpToKey(HWND owner, const std::wstring& keyText);

}  // namespace purgeon::backup
