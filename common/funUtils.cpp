#include "common/funUtils.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "common/handles.h"

namespace purgeon {

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::wstring FormatV(const wchar_t* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int size = _vscwprintf(format, copy);
    va_end(copy);
    if (size < 0) return format;
    std::wstring out(static_cast<size_t>(size) + 1, L'\0');
    _vsnwprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(size));
    return out;
}

std::wstring Format(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::wstring out = FormatV(format, args);
    va_end(args);
    return out;
}

std::wstring ToLower(std::wstring_view text) {
    std::wstring out(text);
    if (!out.empty()) CharLowerBuffW(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

std::wstring FoldCase(std::wstring_view text) {
    std::wstring out(text);
    if (!out.empty()) CharUpperBuffW(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

DWORD LastErrorOr(DWORD fallback) {
    const DWORD error = GetLastError();
    return error ? error : fallback;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::wstring Trim(std::wstring_view text) {
    size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned>(text[first]) <= L' ') ++first;
    while (last > first && static_cast<unsigned>(text[last - 1]) <= L' ') --last;
    return std::wstring(text.substr(first, last - first));
}

std::wstring EscapeChars(std::wstring_view text, std::initializer_list<CharEscape> table) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        const auto found =
            std::find_if(table.begin(), table.end(), [c](const CharEscape& entry) { return entry.c == c; });
        if (found == table.end())
            out += c;
        else
            out += found->text;
    }
    return out;
}

std::wstring WindowText(HWND window) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    length = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(length, 0)));
    return text;
}

std::wstring SystemErrorText(DWORD error) {
    UniqueLocal<wchar_t> buffer;
    // With ALLOCATE_BUFFER the buffer argument receives the allocated text's address.
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, reinterpret_cast<wchar_t*>(buffer.put()), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer.get(), length) : Format(L"Error 0x%08lX", error);
    return Trim(text);
}

std::wstring IncludeTrailingBackslash(std::wstring_view path) {
    std::wstring out(path);
    if (out.empty() || out.back() != L'\\') out += L'\\';
    return out;
}

std::wstring ExcludeTrailingBackslash(std::wstring_view path) {
    std::wstring out(path);
    while (!out.empty() && out.back() == L'\\') out.pop_back();
    return out;
}

std::wstring ExtractFilePath(std::wstring_view path) {
    size_t slash = path.find_last_of(L"\\/:");
    return slash == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, slash + 1));
}

std::wstring ExtractFileName(std::wstring_view path) {
    size_t slash = path.find_last_of(L"\\/:");
    return std::wstring(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
}

std::wstring FullPathName(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::wstring& path) {
    std::wstring folder = ExcludeTrailingBackslash(path);
    if (folder.empty()) return false;
    if (DirectoryExists(folder)) return true;
    std::wstring parent = ExcludeTrailingBackslash(ExtractFilePath(folder));
    // Stop at a drive root ("C:") or a bare name.
    if (!parent.empty() && parent != folder && parent.back() != L':' && !ForceDirectories(parent)) return false;
    // Another process may have made it meanwhile; a file of that name does not count.
    return CreateDirectoryW(folder.c_str(), nullptr) || DirectoryExists(folder);
}

std::wstring ModuleFileName(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring SystemDirectory() {
    wchar_t buffer[MAX_PATH];
    UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    return std::wstring(buffer, length < MAX_PATH ? length : 0);
}

std::wstring TempDirectory() {
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    return std::wstring(buffer, length <= MAX_PATH ? length : 0);
}

std::optional<RegValue> ReadRegValue(HKEY key, const wchar_t* name) {
    RegValue value;
    value.name = name ? name : L"";
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
    // The value may grow between the two calls: retry until it fits.
    for (int attempt = 0; status == ERROR_SUCCESS || status == ERROR_MORE_DATA; ++attempt) {
        value.data.resize(size);
        status = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size);
        if (status == ERROR_SUCCESS) {
            value.data.resize(size);
            return value;
        }
        if (attempt > 4) break;
    }
    return std::nullopt;
}

std::wstring RegBytesToString(const std::vector<BYTE>& data) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

std::optional<std::wstring> ReadRegString(HKEY key, const wchar_t* name) {
    auto value = ReadRegValue(key, name);
    if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return std::nullopt;
    return RegBytesToString(value->data);
}

std::vector<RegValue> ReadRegValues(HKEY key) {
    std::vector<RegValue> values;
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::wstring name(maxName + 1, L'\0');
    std::vector<BYTE> data(maxData ? maxData : 1);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LSTATUS status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataSize);
        if (status == ERROR_MORE_DATA) {
            // Grown since we asked: enlarge and read this index again.
            name.resize(name.size() * 2 + 256);
            data.resize(data.size() * 2 + 1024);
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        values.push_back({name.substr(0, nameLength), type, std::vector<BYTE>(data.begin(), data.begin() + dataSize)});
    }
    return values;
}

std::vector<std::wstring> SubkeyNames(HKEY key, LSTATUS* error) {
    std::vector<std::wstring> names;
    if (error) *error = ERROR_SUCCESS;
    std::wstring buffer(256, L'\0');  // a key name's longest, with its NUL
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LSTATUS status = RegEnumKeyExW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2);
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) {
            if (error && status != ERROR_NO_MORE_ITEMS) *error = status;
            break;
        }
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

namespace {
std::wstring HexBytes(const std::vector<BYTE>& data) {
    std::wstring out;
    for (size_t i = 0; i < data.size(); ++i) {
        if (i) out += L' ';
        out += Format(L"%02x", data[i]);
    }
    return out;
}
}  // namespace

std::wstring RenderRegValue(const RegValue& value) {
    switch (value.type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            return RegBytesToString(value.data);
        case REG_MULTI_SZ: {
            std::wstring all(value.data.size() / sizeof(wchar_t), L'\0');
            if (!all.empty()) memcpy(all.data(), value.data.data(), all.size() * sizeof(wchar_t));
            std::wstring out;
            size_t start = 0;
            while (start < all.size()) {
                size_t end = all.find(L'\0', start);
                if (end == std::wstring::npos) end = all.size();
                if (end == start) break;
                if (!out.empty()) out += L' ';
                out += all.substr(start, end - start);
                start = end + 1;
            }
            return out;
        }
        case REG_DWORD:
            if (value.data.size() == sizeof(DWORD)) {
                const ULONGLONG number = *reinterpret_cast<const DWORD*>(value.data.data());
                return Format(L"0x%08llx (%llu)", number, number);
            }
            break;
        case REG_QWORD:
            if (value.data.size() == sizeof(ULONGLONG)) {
                ULONGLONG number;
                memcpy(&number, value.data.data(), sizeof number);
                return Format(L"0x%016llx (%llu)", number, number);
            }
            break;
        default:
            break;
    }
    return HexBytes(value.data);
}

}  // namespace purgeon
