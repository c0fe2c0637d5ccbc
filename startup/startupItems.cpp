#include "startup/startupItems.h"

#include <shlobj.h>

#include <iterator>

#include "common/funUtils.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"

namespace purgeon {

const wchar_t* const kStartupKeys[6] = {
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce\\Setup",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx",
};
const wchar_t kStartupKeys32BitSoftware[] = L"SOFTWARE\\WOW6432Node\\";
const wchar_t kRunDisableKey[] = L"Run_Disable";
const wchar_t kDisabledFolderName[] = L"Disabled items";

namespace {

// Reading needs no more than read access, so a user without administrative rights still sees
// the machine's entries; writing asks for write access only when it happens.
constexpr REGSAM kReadAccess = KEY_READ;
constexpr REGSAM kWriteAccess = KEY_READ | KEY_WRITE;

UniqueHKey OpenKey(HKEY parent, const std::wstring& path, REGSAM access, LONG* status = nullptr) {
    UniqueHKey key;
    const LONG result = RegOpenKeyExW(parent, path.c_str(), 0, access, key.put());
    if (result != ERROR_SUCCESS) key.reset();
    if (status) *status = result;
    return key;
}

DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

void AddValueRows(std::vector<StartupRow>& rows, HKEY key, HKEY root, const std::wstring& keyPath,
                  const std::wstring& location, bool enabled) {
    for (RegValue& value : ReadRegValues(key)) {
        StartupRow row;
        row.name = value.name;
        row.command = RenderRegValue(value);
        row.location = location;
        row.enabled = row.wasEnabled = enabled;
        row.source = StartupSource::Registry;
        row.root = root;
        row.keyPath = keyPath;
        row.type = value.type;
        row.data = std::move(value.data);
        rows.push_back(std::move(row));
    }
}

void AddFolderRows(std::vector<StartupRow>& rows, const std::wstring& listed, const std::wstring& folder,
                   bool enabled) {
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW((listed + L"*").c_str(), &found));
    if (!find) return;
    do {
        std::wstring name = found.cFileName;
        // Hidden entries (desktop.ini, our own disabled-items folder) are not startup items.
        if (name.empty() || name[0] == L'.' || (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) continue;
        if (enabled && EqualsNoCase(name, kDisabledFolderName)) continue;  // ours, even when made visible
        StartupRow row;
        row.name = name;
        row.command = row.filePath = listed + name;
        row.location = row.folder = folder;
        row.enabled = row.wasEnabled = enabled;
        row.source = StartupSource::Folder;
        rows.push_back(std::move(row));
    } while (FindNextFileW(find.get(), &found));
}

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

LONG WriteValue(HKEY key, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    return RegSetValueExW(key, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size()));
}

// Moves the value between the startup key and its Run_Disable subkey, as it is stored now.
// ERROR_SUCCESS, or why it stayed where it was.
DWORD MoveRegistryEntry(StartupRow& row) {
    LONG status = ERROR_SUCCESS;
    UniqueHKey key = OpenKey(row.root, row.keyPath, kWriteAccess, &status);
    if (!key) return static_cast<DWORD>(status);
    if (row.enabled) {
        UniqueHKey disabled = OpenKey(key.get(), kRunDisableKey, kWriteAccess, &status);
        if (!disabled) return static_cast<DWORD>(status);
        auto value = ReadRegValue(disabled.get(), row.name.c_str());
        if (!value) return ERROR_FILE_NOT_FOUND;
        // A name that is enabled already keeps its enabled value; the disabled copy goes.
        if (auto current = ReadRegValue(key.get(), row.name.c_str()))
            value = std::move(current);
        else if ((status = WriteValue(key.get(), row.name, value->type, value->data)) != ERROR_SUCCESS)
            return static_cast<DWORD>(status);
        RegDeleteValueW(disabled.get(), row.name.c_str());
        row.type = value->type;
        row.data = std::move(value->data);
    } else {
        auto value = ReadRegValue(key.get(), row.name.c_str());
        if (!value) return ERROR_FILE_NOT_FOUND;
        UniqueHKey disabled;
        status = RegCreateKeyExW(key.get(), kRunDisableKey, 0, nullptr, REG_OPTION_NON_VOLATILE, kWriteAccess, nullptr,
                                 disabled.put(), nullptr);
        if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
        // Written before the original goes, so a refused write loses nothing.
        if ((status = WriteValue(disabled.get(), row.name, value->type, value->data)) != ERROR_SUCCESS)
            return static_cast<DWORD>(status);
        if ((status = RegDeleteValueW(key.get(), row.name.c_str())) != ERROR_SUCCESS) {
            RegDeleteValueW(disabled.get(), row.name.c_str());
            return static_cast<DWORD>(status);
        }
        row.type = value->type;
        row.data = std::move(value->data);
    }
    row.command = RenderRegValue({row.name, row.type, row.data});
    return ERROR_SUCCESS;
}

// Moves the file between its Startup folder and the hidden disabled-items subfolder.
DWORD MoveFolderEntry(StartupRow& row) {
    std::wstring target;
    if (row.enabled) {
        target = row.folder + row.name;
        if (PathExists(target)) return ERROR_ALREADY_EXISTS;  // the enabled entry of that name stays; so does this one
    } else {
        std::wstring parked = row.folder + kDisabledFolderName;
        if (!DirectoryExists(parked) && !CreateDirectoryW(parked.c_str(), nullptr)) return LastErrorOr(ERROR_CANNOT_MAKE);
        // Hidden, so the shell does not start what lies inside and the listing skips the folder.
        DWORD attributes = GetFileAttributesW(parked.c_str());
        SetFileAttributesW(parked.c_str(), (attributes & ~FILE_ATTRIBUTE_DIRECTORY) | FILE_ATTRIBUTE_HIDDEN);
        target = IncludeTrailingBackslash(parked) + row.name;
        if (PathExists(target)) return ERROR_ALREADY_EXISTS;
    }
    if (!MoveFileW(row.filePath.c_str(), target.c_str())) return LastErrorOr(ERROR_ACCESS_DENIED);
    row.filePath = row.command = target;
    return ERROR_SUCCESS;
}

bool IsGone(LONG status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

// Removes a registry row's value in both its forms: ERROR_SUCCESS when neither is left.
DWORD DeleteRegistryEntry(const StartupRow& row, bool& removed) {
    LONG status = ERROR_SUCCESS;
    UniqueHKey key = OpenKey(row.root, row.keyPath, kWriteAccess, &status);
    if (!key) return IsGone(status) ? ERROR_SUCCESS : static_cast<DWORD>(status);
    DWORD failure = ERROR_SUCCESS;
    status = RegDeleteValueW(key.get(), row.name.c_str());
    if (status == ERROR_SUCCESS) removed = true;
    else if (!IsGone(status)) failure = static_cast<DWORD>(status);
    UniqueHKey disabled = OpenKey(key.get(), kRunDisableKey, kWriteAccess, &status);
    if (disabled) {
        status = RegDeleteValueW(disabled.get(), row.name.c_str());
        if (status == ERROR_SUCCESS) removed = true;
    }
    if (!IsGone(status) && status != ERROR_SUCCESS && failure == ERROR_SUCCESS) failure = static_cast<DWORD>(status);
    return failure;
}

DWORD DeleteFolderEntry(const StartupRow& row, bool& removed) {
    const DWORD attributes = GetFileAttributesW(row.filePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ERROR_SUCCESS;  // gone already
    bool ok;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // A subfolder goes only when empty: its contents are not startup items of ours.
        ok = RemoveDirectoryW(row.filePath.c_str()) != FALSE;
    } else {
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(row.filePath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        ok = DeleteFileW(row.filePath.c_str()) != FALSE;
        if (!ok && (attributes & FILE_ATTRIBUTE_READONLY)) {
            const DWORD error = GetLastError();
            SetFileAttributesW(row.filePath.c_str(), attributes);
            SetLastError(error);
        }
    }
    if (ok) {
        removed = true;
        return ERROR_SUCCESS;
    }
    return LastErrorOr(ERROR_ACCESS_DENIED);
}

}  // namespace

std::wstring GetSpecialFolderPath(int csidl) {
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return L"";
    wchar_t path[MAX_PATH + 1] = {};
    BOOL ok = SHGetPathFromIDListW(list, path);
    CoTaskMemFree(list);
    return ok ? std::wstring(path) : std::wstring();
}

std::vector<StartupRow> LoadRunKeyItems(HKEY root, const std::wstring& abbreviation, const std::wstring& softwarePath) {
    std::vector<StartupRow> rows;
    for (const wchar_t* startupKey : kStartupKeys) {
        // Every startup key lies below "SOFTWARE\".
        const std::wstring keyPath = softwarePath + (startupKey + std::size(L"SOFTWARE\\") - 1);
        UniqueHKey key = OpenKey(root, keyPath, kReadAccess);
        if (!key) continue;
        const std::wstring location = abbreviation + L"\\" + keyPath;
        AddValueRows(rows, key.get(), root, keyPath, location, true);
        if (UniqueHKey disabled = OpenKey(key.get(), kRunDisableKey, kReadAccess))
            AddValueRows(rows, disabled.get(), root, keyPath, location, false);
    }
    return rows;
}

std::vector<StartupRow> LoadRunKeyItems(HKEY root) {
    return LoadRunKeyItems(root, root == HKEY_LOCAL_MACHINE ? L"HKLM" : L"HKCU");
}

std::vector<StartupRow> LoadStartupFolderItems(const std::vector<std::wstring>& folders) {
    std::vector<StartupRow> rows;
    for (const std::wstring& path : folders) {
        if (path.empty()) continue;  // a folder the shell does not know on this system
        const std::wstring folder = IncludeTrailingBackslash(path);
        AddFolderRows(rows, folder, folder, true);
        AddFolderRows(rows, folder + kDisabledFolderName + L"\\", folder, false);
    }
    return rows;
}

std::vector<StartupRow> LoadStartupFolderItems() {
    return LoadStartupFolderItems({GetSpecialFolderPath(CSIDL_STARTUP), GetSpecialFolderPath(CSIDL_COMMON_STARTUP)});
}

std::vector<StartupRow> LoadStartupItems() {
    std::vector<StartupRow> rows = LoadRunKeyItems(HKEY_CURRENT_USER);
    for (std::vector<StartupRow> more : {LoadRunKeyItems(HKEY_LOCAL_MACHINE),
                                         LoadRunKeyItems(HKEY_LOCAL_MACHINE, L"HKLM", kStartupKeys32BitSoftware),
                                         LoadStartupFolderItems()})
        rows.insert(rows.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    return rows;
}

StartupApplyResult ApplyStartupRows(std::vector<StartupRow>& rows) {
    StartupApplyResult result;
    for (StartupRow& row : rows) {
        if (row.enabled == row.wasEnabled) continue;
        const DWORD error = row.source == StartupSource::Registry ? MoveRegistryEntry(row) : MoveFolderEntry(row);
        if (error == ERROR_SUCCESS) {
            row.wasEnabled = row.enabled;
            ++result.changed;
        } else {
            ++result.failed;
            result.failures.push_back({row.name, row.location, error});
        }
    }
    return result;
}

StartupDeleteResult DeleteStartupRows(const std::vector<StartupRow>& rows) {
    StartupDeleteResult result;
    for (const StartupRow& row : rows) {
        bool removed = false;
        const DWORD error =
            row.source == StartupSource::Registry ? DeleteRegistryEntry(row, removed) : DeleteFolderEntry(row, removed);
        if (error != ERROR_SUCCESS) result.failures.push_back({row.name, row.location, error});
        else if (removed) ++result.deleted;
    }
    return result;
}

std::wstring StartupFailureMessage(const std::vector<StartupFailure>& failures) {
    if (failures.empty()) return L"";
    std::wstring text = Format(LangText(IDS_MESSAGEBOX_WARNING_StartupFailed).c_str(), static_cast<int>(failures.size()));
    for (const StartupFailure& failure : failures)
        text += L"\r\n" + failure.name + L" (" + failure.location + L"): " + SystemErrorText(failure.error);
    return text;
}

void SetAllStartupRowsEnabled(std::vector<StartupRow>& rows, bool enabled) {
    for (StartupRow& row : rows) row.enabled = enabled;
}

std::wstring FormatStartupListing(const std::vector<StartupRow>& rows) {
    auto field = [](std::wstring text) {
        for (wchar_t& c : text)
            if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
        return text;
    };
    std::wstring out;
    for (const StartupRow& row : rows)
        out += std::wstring(row.enabled ? L"1" : L"0") + L'\t' + field(row.name) + L'\t' + field(row.command) +
               L'\t' + field(row.location) + L'\n';
    return out;
}

}  // namespace purgeon
