#include "startup/startupItems.h"

#include <shlobj.h>

#include <iterator>

#include "common/funUtils.h"
#include "common/handles.h"

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

UniqueHKey OpenKey(HKEY parent, const std::wstring& path, REGSAM access) {
    UniqueHKey key;
    if (RegOpenKeyExW(parent, path.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
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

bool WriteValue(HKEY key, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    return RegSetValueExW(key, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

// Moves the value between the startup key and its Run_Disable subkey, as it is stored now.
bool MoveRegistryEntry(StartupRow& row) {
    UniqueHKey key = OpenKey(row.root, row.keyPath, kWriteAccess);
    if (!key) return false;
    if (row.enabled) {
        UniqueHKey disabled = OpenKey(key.get(), kRunDisableKey, kWriteAccess);
        if (!disabled) return false;
        auto value = ReadRegValue(disabled.get(), row.name.c_str());
        if (!value) return false;
        // A name that is enabled already keeps its enabled value; the disabled copy goes.
        if (auto current = ReadRegValue(key.get(), row.name.c_str()))
            value = std::move(current);
        else if (!WriteValue(key.get(), row.name, value->type, value->data))
            return false;
        RegDeleteValueW(disabled.get(), row.name.c_str());
        row.type = value->type;
        row.data = std::move(value->data);
    } else {
        auto value = ReadRegValue(key.get(), row.name.c_str());
        if (!value) return false;
        UniqueHKey disabled;
        if (RegCreateKeyExW(key.get(), kRunDisableKey, 0, nullptr, REG_OPTION_NON_VOLATILE, kWriteAccess, nullptr,
                            disabled.put(), nullptr) != ERROR_SUCCESS)
            return false;
        // Written before the original goes, so a refused write loses nothing.
        if (!WriteValue(disabled.get(), row.name, value->type, value->data)) return false;
        if (RegDeleteValueW(key.get(), row.name.c_str()) != ERROR_SUCCESS) {
            RegDeleteValueW(disabled.get(), row.name.c_str());
            return false;
        }
        row.type = value->type;
        row.data = std::move(value->data);
    }
    row.command = RenderRegValue({row.name, row.type, row.data});
    return true;
}

// Moves the file between its Startup folder and the hidden disabled-items subfolder.
bool MoveFolderEntry(StartupRow& row) {
    std::wstring target;
    if (row.enabled) {
        target = row.folder + row.name;
        if (PathExists(target)) return false;  // the enabled entry of that name stays; so does this one
    } else {
        std::wstring parked = row.folder + kDisabledFolderName;
        if (!DirectoryExists(parked) && !CreateDirectoryW(parked.c_str(), nullptr)) return false;
        // Hidden, so the shell does not start what lies inside and the listing skips the folder.
        DWORD attributes = GetFileAttributesW(parked.c_str());
        SetFileAttributesW(parked.c_str(), (attributes & ~FILE_ATTRIBUTE_DIRECTORY) | FILE_ATTRIBUTE_HIDDEN);
        target = IncludeTrailingBackslash(parked) + row.name;
        if (PathExists(target)) return false;
    }
    if (!MoveFileW(row.filePath.c_str(), target.c_str())) return false;
    row.filePath = row.command = target;
    return true;
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
        bool moved = row.source == StartupSource::Registry ? MoveRegistryEntry(row) : MoveFolderEntry(row);
        if (moved) {
            row.wasEnabled = row.enabled;
            ++result.changed;
        } else {
            ++result.failed;
        }
    }
    return result;
}

int DeleteStartupRows(const std::vector<StartupRow>& rows) {
    int deleted = 0;
    for (const StartupRow& row : rows) {
        bool removed = false;
        if (row.source == StartupSource::Registry) {
            if (UniqueHKey key = OpenKey(row.root, row.keyPath, kWriteAccess)) {
                removed = RegDeleteValueW(key.get(), row.name.c_str()) == ERROR_SUCCESS;
                if (UniqueHKey disabled = OpenKey(key.get(), kRunDisableKey, kWriteAccess))
                    removed = (RegDeleteValueW(disabled.get(), row.name.c_str()) == ERROR_SUCCESS) || removed;
            }
        } else {
            DWORD attributes = GetFileAttributesW(row.filePath.c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                // A subfolder goes only when empty: its contents are not startup items of ours.
                removed = RemoveDirectoryW(row.filePath.c_str()) != FALSE;
            } else if (attributes != INVALID_FILE_ATTRIBUTES) {
                if (attributes & FILE_ATTRIBUTE_READONLY)
                    SetFileAttributesW(row.filePath.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
                removed = DeleteFileW(row.filePath.c_str()) != FALSE;
            }
        }
        if (removed) ++deleted;
    }
    return deleted;
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
