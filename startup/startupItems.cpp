#include "startup/startupItems.h"

#include <shlobj.h>

#include <iterator>
#include <type_traits>

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
const wchar_t kAutorunsDisabled[] = L"AutorunsDisabled";

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

constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\";

// Task Manager's record of a row, when it keeps one.
std::optional<std::vector<BYTE>> ReadApproval(const StartupRow& row) {
    std::optional<ApprovalPlace> place = ApprovalPlaceOf(row);
    if (!place) return std::nullopt;
    UniqueHKey key = OpenKey(place->root, place->keyPath, kReadAccess);
    if (!key) return std::nullopt;
    std::optional<RegValue> record = ReadRegValue(key.get(), row.name.c_str());
    if (!record) return std::nullopt;
    return std::move(record->data);
}

// An entry Task Manager disabled stays where it is: its row is read as disabled.
void ApplyApproval(StartupRow& row) {
    if (auto record = ReadApproval(row); record && IsDisabledRecord(*record)) {
        row.enabled = row.wasEnabled = false;
        row.disabledBy = DisabledBy::TaskManager;
    }
}

void AddValueRows(std::vector<StartupRow>& rows, HKEY key, HKEY root, const std::wstring& keyPath,
                  const std::wstring& location, DisabledBy disabledBy) {
    for (RegValue& value : ReadRegValues(key)) {
        StartupRow row;
        row.name = value.name;
        row.command = RenderRegValue(value);
        row.location = location;
        row.enabled = row.wasEnabled = disabledBy == DisabledBy::None;
        row.disabledBy = disabledBy;
        row.source = StartupSource::Registry;
        row.root = root;
        row.keyPath = keyPath;
        row.type = value.type;
        row.data = std::move(value.data);
        if (disabledBy == DisabledBy::None) ApplyApproval(row);
        rows.push_back(std::move(row));
    }
}

void AddFolderRows(std::vector<StartupRow>& rows, const std::wstring& listed, const std::wstring& folder,
                   DisabledBy disabledBy) {
    const bool enabled = disabledBy == DisabledBy::None;
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW((listed + L"*").c_str(), &found));
    if (!find) return;
    do {
        std::wstring name = found.cFileName;
        // Hidden entries (desktop.ini, our own disabled-items folder) are not startup items.
        if (name.empty() || name[0] == L'.' || (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN)) continue;
        // The places disabled entries are kept in, even when made visible.
        if (enabled && (EqualsNoCase(name, kDisabledFolderName) || EqualsNoCase(name, kAutorunsDisabled))) continue;
        StartupRow row;
        row.name = name;
        row.command = row.filePath = listed + name;
        row.location = row.folder = folder;
        row.enabled = row.wasEnabled = enabled;
        row.disabledBy = disabledBy;
        row.source = StartupSource::Folder;
        if (enabled) ApplyApproval(row);
        rows.push_back(std::move(row));
    } while (FindNextFileW(find.get(), &found));
}

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

LONG WriteValue(HKEY key, const std::wstring& name, DWORD type, const std::vector<BYTE>& data) {
    return RegSetValueExW(key, name.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size()));
}

// Moves the value between the startup key and the subkey it is disabled in (Run_Disable, or
// Autoruns' subkey when enabling what Autoruns disabled), as it is stored now.
// ERROR_SUCCESS, or why it stayed where it was.
// The name an entry takes when its own is taken: "name (2)" for a value, "stem (2).ext" for a file.
std::wstring NumberedName(const std::wstring& name, int n, bool isFile) {
    const size_t dot = isFile ? name.rfind(L'.') : std::wstring::npos;
    const bool hasExtension = dot != std::wstring::npos && dot != 0;
    return (hasExtension ? name.substr(0, dot) : name) + Format(L" (%d)", n) + (hasExtension ? name.substr(dot) : L"");
}

DWORD MoveRegistryEntry(StartupRow& row) {
    LONG status = ERROR_SUCCESS;
    UniqueHKey key = OpenKey(row.root, row.keyPath, kWriteAccess, &status);
    if (!key) return static_cast<DWORD>(status);
    if (row.enabled) {
        const wchar_t* parked = row.disabledBy == DisabledBy::Autoruns ? kAutorunsDisabled : kRunDisableKey;
        UniqueHKey disabled = OpenKey(key.get(), parked, kWriteAccess, &status);
        if (!disabled) return static_cast<DWORD>(status);
        auto value = ReadRegValue(disabled.get(), row.name.c_str());
        if (!value) return ERROR_FILE_NOT_FOUND;
        std::wstring name = row.name;
        const auto current = ReadRegValue(key.get(), name.c_str());
        // The same command enabled already under that name: the parked copy adds nothing. Another
        // command there: both are kept, this one under a name of its own, and the caller says so.
        const bool same = current && current->type == value->type && current->data == value->data;
        if (current && !same)
            for (int n = 2; ReadRegValue(key.get(), name.c_str()) || ReadRegValue(disabled.get(), name.c_str()); ++n)
                name = NumberedName(row.name, n, false);
        if (!same && (status = WriteValue(key.get(), name, value->type, value->data)) != ERROR_SUCCESS)
            return static_cast<DWORD>(status);
        // Enabled now; a parked copy that cannot be removed stays beside it, and loses nothing.
        RegDeleteValueW(disabled.get(), row.name.c_str());
        row.name = name;
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
        // An enabled entry of that name stays; this one joins it under a name of its own.
        target = row.folder + row.name;
        for (int n = 2; PathExists(target); ++n) target = row.folder + NumberedName(row.name, n, true);
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
    row.name = ExtractFileName(target);
    return ERROR_SUCCESS;
}

bool IsGone(LONG status) { return status == ERROR_FILE_NOT_FOUND || status == ERROR_PATH_NOT_FOUND; }

// Enables what Task Manager disabled as Task Manager does: the entry stays, its record says enabled.
DWORD WriteEnabledApproval(const StartupRow& row) {
    std::optional<ApprovalPlace> place = ApprovalPlaceOf(row);
    if (!place) return ERROR_FILE_NOT_FOUND;
    UniqueHKey key;
    LONG status = RegCreateKeyExW(place->root, place->keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                  nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) return static_cast<DWORD>(status);
    return static_cast<DWORD>(WriteValue(key.get(), row.name, REG_BINARY, EnabledRecord()));
}

// Task Manager's record goes with its entry; none is no failure.
DWORD DeleteApproval(const StartupRow& row) {
    std::optional<ApprovalPlace> place = ApprovalPlaceOf(row);
    if (!place) return ERROR_SUCCESS;
    LONG status = ERROR_SUCCESS;
    UniqueHKey key = OpenKey(place->root, place->keyPath, KEY_SET_VALUE | KEY_QUERY_VALUE, &status);
    if (!key) return IsGone(status) ? ERROR_SUCCESS : static_cast<DWORD>(status);
    status = RegDeleteValueW(key.get(), row.name.c_str());
    return IsGone(status) || status == ERROR_SUCCESS ? ERROR_SUCCESS : static_cast<DWORD>(status);
}

// Removes a registry row's value in both its forms: ERROR_SUCCESS when neither is left.
// The subkey a registry row lies in while disabled; null for the startup key itself.
const wchar_t* ParkedKeyOf(const StartupRow& row) {
    if (row.disabledBy == DisabledBy::Purgeon) return kRunDisableKey;
    if (row.disabledBy == DisabledBy::Autoruns) return kAutorunsDisabled;
    return nullptr;
}

// Task Manager's record names the entry of the startup key or folder itself: it goes with that
// entry, or with a parked one of that name while the startup key or folder holds none, so it
// never changes what another row shows.
bool RecordGoesWith(const StartupRow& row) {
    if (row.source == StartupSource::Folder) return row.filePath == row.folder + row.name || !PathExists(row.folder + row.name);
    if (!ParkedKeyOf(row)) return true;
    UniqueHKey key = OpenKey(row.root, row.keyPath, kReadAccess);
    return !key || !ReadRegValue(key.get(), row.name.c_str());
}

// Deletes the value where this row lies (the startup key, Run_Disable or Autoruns' subkey), not
// same-named values of other rows.
DWORD DeleteRegistryEntry(const StartupRow& row, bool& removed) {
    LONG status = ERROR_SUCCESS;
    UniqueHKey key = OpenKey(row.root, row.keyPath, kWriteAccess, &status);
    if (!key) return IsGone(status) ? ERROR_SUCCESS : static_cast<DWORD>(status);
    UniqueHKey parked;
    if (const wchar_t* parkedName = ParkedKeyOf(row)) {
        parked = OpenKey(key.get(), parkedName, kWriteAccess, &status);
        if (!parked) return IsGone(status) ? ERROR_SUCCESS : static_cast<DWORD>(status);
    }
    status = RegDeleteValueW(parked ? parked.get() : key.get(), row.name.c_str());
    if (status == ERROR_SUCCESS) removed = true;
    else if (!IsGone(status)) return static_cast<DWORD>(status);
    return RecordGoesWith(row) ? DeleteApproval(row) : ERROR_SUCCESS;
}

// After a parked entry came back: a record Task Manager left saying disabled would keep Windows
// from starting it, so it says enabled too.
DWORD ClearDisabledApproval(const StartupRow& row) {
    auto record = ReadApproval(row);
    return record && IsDisabledRecord(*record) ? WriteEnabledApproval(row) : ERROR_SUCCESS;
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
        return RecordGoesWith(row) ? DeleteApproval(row) : ERROR_SUCCESS;
    }
    return LastErrorOr(ERROR_ACCESS_DENIED);
}

}  // namespace

std::optional<ApprovalPlace> ApprovalPlaceOf(const StartupRow& row) {
    if (row.source == StartupSource::Folder) {
        const bool common = EqualsNoCase(IncludeTrailingBackslash(GetSpecialFolderPath(CSIDL_COMMON_STARTUP)), row.folder);
        return ApprovalPlace{common ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, std::wstring(kApprovedKey) + L"StartupFolder"};
    }
    if (EqualsNoCase(row.keyPath, kStartupKeys[0]))
        return ApprovalPlace{row.root, std::wstring(kApprovedKey) + L"Run"};
    if (row.root == HKEY_LOCAL_MACHINE &&
        EqualsNoCase(row.keyPath, std::wstring(kStartupKeys32BitSoftware) + L"Microsoft\\Windows\\CurrentVersion\\Run"))
        return ApprovalPlace{HKEY_LOCAL_MACHINE, std::wstring(kApprovedKey) + L"Run32"};
    return std::nullopt;
}

bool IsDisabledRecord(const std::vector<BYTE>& record) { return !record.empty() && (record[0] & 1) != 0; }

std::vector<BYTE> EnabledRecord() {
    std::vector<BYTE> record(12, 0);
    record[0] = 0x02;
    return record;
}

std::wstring GetSpecialFolderPath(int csidl) {
    UniqueCoTaskMem<std::remove_pointer_t<PIDLIST_ABSOLUTE>> list;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, list.put())) || !list) return L"";
    wchar_t path[MAX_PATH + 1] = {};
    return SHGetPathFromIDListW(list.get(), path) ? std::wstring(path) : std::wstring();
}

std::vector<StartupRow> LoadRunKeyItems(HKEY root, const std::wstring& abbreviation, const std::wstring& softwarePath) {
    std::vector<StartupRow> rows;
    for (const wchar_t* startupKey : kStartupKeys) {
        // Every startup key lies below "SOFTWARE\".
        const std::wstring keyPath = softwarePath + (startupKey + std::size(L"SOFTWARE\\") - 1);
        UniqueHKey key = OpenKey(root, keyPath, kReadAccess);
        if (!key) continue;
        const std::wstring location = abbreviation + L"\\" + keyPath;
        AddValueRows(rows, key.get(), root, keyPath, location, DisabledBy::None);
        if (UniqueHKey disabled = OpenKey(key.get(), kRunDisableKey, kReadAccess))
            AddValueRows(rows, disabled.get(), root, keyPath, location, DisabledBy::Purgeon);
        if (UniqueHKey disabled = OpenKey(key.get(), kAutorunsDisabled, kReadAccess))
            AddValueRows(rows, disabled.get(), root, keyPath, location, DisabledBy::Autoruns);
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
        AddFolderRows(rows, folder, folder, DisabledBy::None);
        AddFolderRows(rows, folder + kDisabledFolderName + L"\\", folder, DisabledBy::Purgeon);
        AddFolderRows(rows, folder + kAutorunsDisabled + L"\\", folder, DisabledBy::Autoruns);
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
        DWORD error = ERROR_SUCCESS;
        const std::wstring name = row.name;
        if (row.enabled && row.disabledBy == DisabledBy::TaskManager) {
            error = WriteEnabledApproval(row);
        } else {
            error = row.source == StartupSource::Registry ? MoveRegistryEntry(row) : MoveFolderEntry(row);
            if (error == ERROR_SUCCESS && row.name != name) result.renamed.push_back({name, row.name, row.location});
            if (error == ERROR_SUCCESS && row.enabled && (error = ClearDisabledApproval(row)) != ERROR_SUCCESS) {
                // Back in place, but Task Manager's record still keeps it from starting.
                row.enabled = row.wasEnabled = false;
                row.disabledBy = DisabledBy::TaskManager;
                ++result.failed;
                result.failures.push_back({row.name, row.location, error});
                continue;
            }
        }
        if (error == ERROR_SUCCESS) {
            row.wasEnabled = row.enabled;
            row.disabledBy = row.enabled ? DisabledBy::None : DisabledBy::Purgeon;
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

std::wstring StartupRenameMessage(const std::vector<StartupRename>& renamed) {
    if (renamed.empty()) return L"";
    std::wstring text =
        Format(LangText(IDS_MESSAGEBOX_MESSAGE_StartupRenamed).c_str(), static_cast<int>(renamed.size()));
    for (const StartupRename& rename : renamed)
        text += L"\r\n" + rename.oldName + L" \u2192 " + rename.newName + L" (" + rename.location + L")";
    return text;
}

void SetAllStartupRowsEnabled(std::vector<StartupRow>& rows, bool enabled) {
    for (StartupRow& row : rows) row.enabled = enabled;
}

OutputRow StartupListingRow(const StartupRow& row) {
    return {{L"enabled", row.enabled ? L"1" : L"0"}, {L"name", row.name}, {L"command", row.command}, {L"location", row.location}};
}

}  // namespace purgeon
