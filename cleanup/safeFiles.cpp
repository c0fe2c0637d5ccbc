#include "cleanup/safeFiles.h"

#include <vector>

#include "common/funUtils.h"

namespace purgeon::cleanup {

namespace {

constexpr DWORD kChunk = 1 << 20;
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool IsDriveRoot(const std::wstring& path) {
    return path.size() == 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\';
}

DWORD SetBasicInfo(HANDLE handle, FILE_BASIC_INFO info) {
    info.ChangeTime.QuadPart = 0;  // left to the file system
    info.FileAttributes &= kSettableAttributes;
    if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info) ? ERROR_SUCCESS : GetLastError();
}

DWORD RenameItem(HANDLE item, const std::wstring& target) {
    const std::wstring name = ExtendedPath(target);
    std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;  // what is there is never replaced
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    memcpy(info->FileName, name.c_str(), info->FileNameLength);
    return SetFileInformationByHandle(item, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) ? ERROR_SUCCESS
                                                                                                    : GetLastError();
}

bool Rewind(HANDLE file) {
    LARGE_INTEGER start{};
    return SetFilePointerEx(file, start, nullptr, FILE_BEGIN) != FALSE;
}

// Reads up to `size` bytes, fewer only at the end of the file.
bool ReadChunk(HANDLE file, std::vector<BYTE>& buffer, DWORD& read) {
    read = 0;
    while (read < buffer.size()) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data() + read, static_cast<DWORD>(buffer.size()) - read, &got, nullptr))
            return false;
        if (got == 0) break;
        read += got;
    }
    return true;
}

DWORD CopyContent(HANDLE source, HANDLE target) {
    std::vector<BYTE> buffer(kChunk);
    for (;;) {
        DWORD read = 0;
        if (!ReadChunk(source, buffer, read)) return GetLastError();
        if (read == 0) return ERROR_SUCCESS;
        DWORD written = 0;
        if (!WriteFile(target, buffer.data(), read, &written, nullptr)) return GetLastError();
        if (written != read) return ERROR_WRITE_FAULT;
    }
}

DWORD CompareContent(HANDLE a, HANDLE b) {
    std::vector<BYTE> left(kChunk), right(kChunk);
    for (;;) {
        DWORD readLeft = 0, readRight = 0;
        if (!ReadChunk(a, left, readLeft) || !ReadChunk(b, right, readRight)) return GetLastError();
        if (readLeft != readRight || memcmp(left.data(), right.data(), readLeft) != 0) return ERROR_CRC;
        if (readLeft == 0) return ERROR_SUCCESS;
    }
}

}  // namespace

std::wstring FullPathOf(const std::wstring& path) {
    std::wstring text = PlainPath(path);
    for (wchar_t& c : text)
        if (c == L'/') c = L'\\';
    if (text.empty()) return text;
    DWORD size = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
    if (size == 0) return text;
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(text.c_str(), size, full.data(), nullptr);
    full.resize(size);
    if (!IsDriveRoot(full)) full = ExcludeTrailingBackslash(full);
    return full;
}

std::wstring ExtendedPath(const std::wstring& fullPath) {
    if (fullPath.rfind(L"\\\\?\\", 0) == 0) return fullPath;
    if (fullPath.size() >= 3 && iswalpha(fullPath[0]) && fullPath[1] == L':' && fullPath[2] == L'\\')
        return L"\\\\?\\" + fullPath;
    if (fullPath.size() > 2 && fullPath[0] == L'\\' && fullPath[1] == L'\\' && fullPath[2] != L'.')
        return L"\\\\?\\UNC\\" + fullPath.substr(2);
    return fullPath;
}

std::wstring PlainPath(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0) return L"\\\\" + path.substr(8);
    if (path.rfind(L"\\\\?\\", 0) == 0) return path.substr(4);
    return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return EqualsNoCase(ExcludeTrailingBackslash(PlainPath(a)), ExcludeTrailingBackslash(PlainPath(b)));
}

std::optional<std::wstring> RelativeInside(const std::wstring& full, const std::wstring& folder) {
    const std::wstring base = ExcludeTrailingBackslash(folder);
    const std::wstring item = ExcludeTrailingBackslash(full);
    if (EqualsNoCase(item, base)) return std::wstring();
    if (base.empty() || item.size() <= base.size() + 1 || item[base.size()] != L'\\' || !StartsWithNoCase(item, base))
        return std::nullopt;
    return item.substr(base.size() + 1);
}

std::optional<std::wstring> FinalPathOf(HANDLE handle) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                 FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return std::nullopt;
        if (length < buffer.size()) {
            buffer.resize(length);
            return PlainPath(buffer);
        }
        buffer.resize(length + 1);
    }
}

std::optional<std::wstring> FinalPathOf(const std::wstring& path, DWORD* error) {
    UniqueHandle handle = AdoptFileHandle(CreateFileW(ExtendedPath(FullPathOf(path)).c_str(), FILE_READ_ATTRIBUTES,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        if (error) *error = GetLastError();
        return std::nullopt;
    }
    std::optional<std::wstring> final = FinalPathOf(handle.get());
    if (!final && error) *error = GetLastError();
    return final;
}

bool PlatformActsOnLinksThemselves() {
    // Wine's file functions resolve a link before acting, whatever they are asked.
    static const bool windows = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
    return windows;
}

CheckedItem OpenChecked(const std::wstring& path, const std::wstring& expectedFinal, DWORD access, OpenAs as) {
    CheckedItem item;
    // Taking an item away needs it to ourselves, apart from readers; a mere look shares everything.
    const bool exclusive = (access & (DELETE | GENERIC_READ | GENERIC_WRITE)) != 0;
    const DWORD share = exclusive ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    DWORD flags = FILE_FLAG_BACKUP_SEMANTICS;
    if (as == OpenAs::LinkItself) flags |= FILE_FLAG_OPEN_REPARSE_POINT;
    item.handle = AdoptFileHandle(
        CreateFileW(ExtendedPath(FullPathOf(path)).c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (!item.handle) {
        item.error = GetLastError();
        item.reason = ReasonOfError(item.error);
        return item;
    }
    std::optional<std::wstring> final = FinalPathOf(item.handle.get());
    if (!final) {
        item.error = GetLastError();
        item.reason = ReasonOfError(item.error);
        item.handle.reset();
        return item;
    }
    if (!SamePath(*final, expectedFinal)) {
        item.reason = Reason::LinkNotFollowed;
        item.handle.reset();
    }
    return item;
}

std::optional<FILE_BASIC_INFO> BasicInfoOf(HANDLE handle) {
    FILE_BASIC_INFO info{};
    if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info)) return std::nullopt;
    return info;
}

DWORD ApplyBasicInfo(const std::wstring& path, const FILE_BASIC_INFO& info) {
    UniqueHandle handle = AdoptFileHandle(CreateFileW(ExtendedPath(FullPathOf(path)).c_str(), FILE_WRITE_ATTRIBUTES,
                                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return GetLastError();
    return SetBasicInfo(handle.get(), info);
}

DWORD RenameOpened(HANDLE item, const std::wstring& target) { return RenameItem(item, target); }

DWORD MoveOpened(HANDLE item, const std::wstring& target) {
    const DWORD renamed = RenameItem(item, target);
    return renamed == ERROR_NOT_SAME_DEVICE ? CopyVerifyAndDelete(item, target) : renamed;
}

DWORD CancelDelete(HANDLE item) {
    FILE_DISPOSITION_INFO disposition{FALSE};
    return SetFileInformationByHandle(item, FileDispositionInfo, &disposition, sizeof disposition) ? ERROR_SUCCESS
                                                                                                  : GetLastError();
}

DWORD CopyVerifyAndDelete(HANDLE source, const std::wstring& target) {
    std::optional<FILE_BASIC_INFO> info = BasicInfoOf(source);
    if (!info) return GetLastError();
    const std::wstring copyPath = ExtendedPath(target);
    UniqueHandle copy = AdoptFileHandle(CreateFileW(copyPath.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy) return GetLastError();
    DWORD error = Rewind(source) ? CopyContent(source, copy.get()) : GetLastError();
    if (error == ERROR_SUCCESS && !FlushFileBuffers(copy.get())) error = GetLastError();
    if (error == ERROR_SUCCESS)
        error = Rewind(source) && Rewind(copy.get()) ? CompareContent(source, copy.get()) : GetLastError();
    // Times last: writing would change them again.
    if (error == ERROR_SUCCESS) error = SetBasicInfo(copy.get(), *info);
    if (error == ERROR_SUCCESS) error = DeleteOpened(source);
    if (error != ERROR_SUCCESS) {
        // Only the copy goes: it is ours, made a moment ago.
        DeleteOpened(copy.get());
    }
    return error;
}

DWORD DeleteOpened(HANDLE item) {
    std::optional<FILE_BASIC_INFO> info = BasicInfoOf(item);
    if (!info) return GetLastError();
    const bool readOnly = (info->FileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        FILE_BASIC_INFO writable = *info;
        writable.FileAttributes &= ~FILE_ATTRIBUTE_READONLY;
        if (DWORD error = SetBasicInfo(item, writable)) return error;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (SetFileInformationByHandle(item, FileDispositionInfo, &disposition, sizeof disposition)) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    if (readOnly) SetBasicInfo(item, *info);
    return error;
}

bool SameContent(const std::wstring& a, const std::wstring& b) {
    auto open = [](const std::wstring& path) {
        return AdoptFileHandle(CreateFileW(ExtendedPath(FullPathOf(path)).c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    };
    UniqueHandle left = open(a), right = open(b);
    return left && right && CompareContent(left.get(), right.get()) == ERROR_SUCCESS;
}

DWORD CreateFolders(const std::wstring& fullPath) {
    const std::wstring path = ExcludeTrailingBackslash(PlainPath(fullPath));
    const DWORD existing = GetFileAttributesW(ExtendedPath(path).c_str());
    if (existing != INVALID_FILE_ATTRIBUTES)
        return (existing & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS;
    const std::wstring parent = ExcludeTrailingBackslash(ExtractFilePath(path));
    if (!parent.empty() && parent.size() < path.size() && parent.back() != L':' && parent != L"\\") {
        if (DWORD error = CreateFolders(parent)) return error;
    }
    if (CreateDirectoryW(ExtendedPath(path).c_str(), nullptr)) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    // Made meanwhile by someone else: as good, when it is a folder.
    const DWORD now = GetFileAttributesW(ExtendedPath(path).c_str());
    return now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_SUCCESS : error;
}

}  // namespace purgeon::cleanup
