#include "backup/registryEditor.h"

#include <shellapi.h>

#include "backup/fullBackup.h"
#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon::backup {

namespace {

std::wstring InitialFolder(const std::wstring& remembered, const std::wstring& backupDir) {
    if (!remembered.empty() && DirectoryExists(remembered)) return remembered;
    if (!backupDir.empty() && DirectoryExists(backupDir)) return backupDir;
    return L"";
}

}  // namespace

EditorCommand ExportCommand(const std::wstring& chosenPath, const std::wstring& keyText) {
    EditorCommand command;
    command.parameters = L" /e \"" + ExtractFileName(chosenPath) + L"\" \"" + keyText + L"\"";
    command.directory = ExtractFilePath(chosenPath);
    return command;
}

EditorCommand ReloadCommand(const std::wstring& chosenPath) {
    EditorCommand command;
    command.parameters = L" \"" + ExtractFileName(chosenPath) + L"\"";
    command.directory = ExtractFilePath(chosenPath);
    return command;
}

std::wstring DefaultExportFileName(const std::wstring& keyName) { return SafeFileNames({keyName}).front() + L".reg"; }

DialogSetup ExportDialogSetup(const RegFileDialogs& dialogs, const std::wstring& backupDir, const std::wstring& keyName) {
    return {InitialFolder(dialogs.exportFolder, backupDir), DefaultExportFileName(keyName), L"reg"};
}

DialogSetup ReloadDialogSetup(const RegFileDialogs& dialogs, const std::wstring& backupDir) {
    return {InitialFolder(dialogs.reloadFolder, backupDir), dialogs.reloadFile, L""};
}

void RememberExport(RegFileDialogs& dialogs, const std::wstring& chosenPath) {
    dialogs.exportFolder = ExtractFilePath(chosenPath);
    dialogs.exportFile = ExtractFileName(chosenPath);
}

void RememberReload(RegFileDialogs& dialogs, const std::wstring& chosenPath) {
    dialogs.reloadFolder = ExtractFilePath(chosenPath);
    dialogs.reloadFile = ExtractFileName(chosenPath);
}

bool StartEditor(HWND owner, const EditorCommand& command) {
    const HINSTANCE started = ShellExecuteW(owner, L"open", command.file.c_str(),
                                            command.parameters.empty() ? nullptr : command.parameters.c_str(),
                                            command.directory.empty() ? nullptr : command.directory.c_str(), SW_SHOW);
    return reinterpret_cast<INT_PTR>(started) > 32;
}

LSTATUS WriteRegeditLastKey(const std::wstring& keyText) {
    UniqueHKey settings;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kRegeditSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                     settings.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    return RegSetValueExW(settings.get(), kRegeditLastKeyValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(keyText.c_str()),
                          static_cast<DWORD>((keyText.size() + 1) * sizeof(wchar_t)));
}

DWORD JumpToKey(HWND owner, const std::wstring& keyText) {
    const LSTATUS status = WriteRegeditLastKey(keyText);
    if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
    SetLastError(ERROR_SUCCESS);
    if (!StartEditor(owner, EditorCommand{})) {
        const DWORD error = GetLastError();
        return error ? error : static_cast<DWORD>(ERROR_FILE_NOT_FOUND);
    }
    return ERROR_SUCCESS;
}

}  // namespace purgeon::backup
