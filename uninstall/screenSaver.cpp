#include "uninstall/screenSaver.h"

#include "common/funUtils.h"
#include "i18n/multiLangs.h"

namespace purgeon::uninstall {

namespace {

// Older backups of the same name are kept; this many are plenty.
constexpr int kMaxBackupAttempts = 1000;

bool IsBareFileName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/:") == std::wstring::npos;
}

}  // namespace

ScreenSaverFiles ScreenSaverFilesOf(const std::wstring& directory, const std::wstring& fileName) {
    if (!IsBareFileName(fileName) || directory.empty()) return {};
    return {IncludeTrailingBackslash(directory) + fileName,
            IncludeTrailingBackslash(SystemDirectory()) + L"dllcache\\" + fileName};
}

std::wstring BackupCandidate(const std::wstring& backupDir, const std::wstring& fileName, int attempt) {
    const std::wstring folder = IncludeTrailingBackslash(backupDir);
    if (attempt <= 1) return folder + fileName;
    const size_t dot = fileName.rfind(L'.');
    const std::wstring stem = dot == std::wstring::npos || dot == 0 ? fileName : fileName.substr(0, dot);
    const std::wstring extension = stem.size() == fileName.size() ? L"" : fileName.substr(dot);
    return folder + stem + L" (" + std::to_wstring(attempt) + L")" + extension;
}

ScreenSaverDeletion DeleteScreenSaver(const ScreenSaverFiles& files, const std::wstring& backupDir) {
    ScreenSaverDeletion result;
    if (files.path.empty() || !FileExists(files.path)) {
        result.error = ERROR_FILE_NOT_FOUND;
        return result;
    }
    if (!ForceDirectories(ExcludeTrailingBackslash(backupDir))) {
        result.error = ERROR_PATH_NOT_FOUND;
        return result;
    }
    const std::wstring fileName = ExtractFileName(files.path);
    for (int attempt = 1; attempt <= kMaxBackupAttempts; ++attempt) {
        const std::wstring target = BackupCandidate(backupDir, fileName, attempt);
        // Never replaces: a name taken meanwhile only moves on to the next one.
        if (MoveFileExW(files.path.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
            result.backedUp = true;
            result.backupPath = target;
            break;
        }
        result.error = GetLastError();
        if (result.error != ERROR_ALREADY_EXISTS && result.error != ERROR_FILE_EXISTS) return result;
    }
    if (!result.backedUp || !FileExists(result.backupPath)) {
        result.backedUp = false;
        return result;
    }
    result.error = ERROR_SUCCESS;
    if (!files.cachePath.empty() && !DeleteFileW(files.cachePath.c_str())) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) result.cacheError = error;
    }
    // A move across drives copies and may leave the original behind when it is in use.
    if (FileExists(files.path) && !DeleteFileW(files.path.c_str())) result.leftError = GetLastError();
    return result;
}

std::wstring ScreenSaverMessage(const ScreenSaverFiles& files, const ScreenSaverDeletion& deletion) {
    if (!deletion.backedUp)
        return Format(LangText(IDS_MESSAGEBOX_WARNING_ScrNotDeleted).c_str(), files.path.c_str(),
                      SystemErrorText(deletion.error).c_str());
    std::wstring text;
    auto add = [&](const std::wstring& path, DWORD error) {
        if (error == ERROR_SUCCESS) return;
        if (!text.empty()) text += L"\r\n";
        text += Format(LangText(IDS_MESSAGEBOX_WARNING_ScrLeft).c_str(), path.c_str(), SystemErrorText(error).c_str());
    };
    add(files.path, deletion.leftError);
    add(files.cachePath, deletion.cacheError);
    return text;
}

}  // namespace purgeon::uninstall
