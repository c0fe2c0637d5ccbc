#include "backup/regFile.h"

#include <algorithm>
#include <vector>

#include "common/funUtils.h"
#include "common/handles.h"
#include "common/registryKeys.h"

namespace purgeon::backup {

namespace {

// The editor wraps a hex line once it has reached this column.
constexpr size_t kHexLineLimit = 77;

std::wstring ValueName(const std::wstring& name) {
    return name.empty() ? std::wstring(L"@=") : L"\"" + EscapeRegString(name) + L"\"=";
}

// "hex(n):xx,xx,..." wrapped as the editor wraps it; `column` is where the prefix begins.
std::wstring HexData(const std::wstring& prefix, const std::vector<BYTE>& data, size_t column) {
    static const wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring out = prefix;
    out.reserve(prefix.size() + data.size() * 3 + data.size() / 8);
    column += prefix.size();
    for (size_t i = 0; i < data.size(); ++i) {
        out += kDigits[data[i] >> 4];
        out += kDigits[data[i] & 0xF];
        if (i + 1 == data.size()) break;
        out += L',';
        column += 3;
        if (column >= kHexLineLimit) {
            out += L"\\\r\n  ";
            column = 2;
        }
    }
    return out;
}

// True when the bytes are a string the editor writes whole between quotes: an even size, one
// terminating NUL at the end and none before it.
bool IsWholeString(const std::vector<BYTE>& data) {
    if (data.size() < sizeof(wchar_t) || data.size() % sizeof(wchar_t) != 0) return false;
    const size_t count = data.size() / sizeof(wchar_t);
    const auto* chars = reinterpret_cast<const wchar_t*>(data.data());
    if (chars[count - 1] != L'\0') return false;
    for (size_t i = 0; i + 1 < count; ++i)
        if (chars[i] == L'\0') return false;
    return true;
}

// The block of a key whose value count is known: one call per value, as the editor reads them,
// into buffers that grow when a value needs more.
std::wstring KeyBlock(const std::wstring& keyText, HKEY key, DWORD valueCount, LSTATUS* failure = nullptr) {
    std::wstring out = L"\r\n[" + keyText + L"]\r\n";
    static thread_local std::vector<wchar_t> name(16384);
    static thread_local std::vector<BYTE> data(65536);
    RegValue value;
    for (DWORD index = 0; index < valueCount;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        const LSTATUS status =
            RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &value.type, data.data(), &dataSize);
        if (status == ERROR_MORE_DATA) {
            data.resize(std::max<size_t>(data.size() * 2, dataSize));
            if (name.size() < 32768) name.resize(32768);
            continue;
        }
        if (status != ERROR_SUCCESS) {
            if (failure && status != ERROR_NO_MORE_ITEMS && *failure == ERROR_SUCCESS) *failure = status;
            break;
        }
        value.name.assign(name.data(), nameLength);
        value.data.assign(data.begin(), data.begin() + dataSize);
        out += FormatRegValue(value);
        ++index;
    }
    return out;
}

// The key's block, then each subkey's, depth first, in the registry's order. One query tells
// how many values and subkeys there are, so no call is spent on finding the end of either.
// Returns why a value or subkey could not be read (ERROR_SUCCESS when all was): the text then
// lacks it, and a backup of it is no backup.
LSTATUS AppendKey(HKEY key, const std::wstring& keyText, std::wstring& out) {
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
        subkeys = values = MAXDWORD;  // unknown: read until the registry says there is no more
    }
    LSTATUS failure = ERROR_SUCCESS;
    out += KeyBlock(keyText, key, values, &failure);
    if (subkeys == 0) return failure;
    LSTATUS listing = ERROR_SUCCESS;
    for (const std::wstring& name : SubkeyNames(key, &listing)) {
        UniqueHKey subkey;
        const LSTATUS opened = RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, subkey.put());
        const LSTATUS status = opened == ERROR_SUCCESS ? AppendKey(subkey.get(), keyText + L"\\" + name, out) : opened;
        if (failure == ERROR_SUCCESS) failure = status;
    }
    return failure != ERROR_SUCCESS ? failure : listing;
}

// Paths longer than MAX_PATH need the "\\?\" form to be opened at all.
std::wstring OpenablePath(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\", 0) == 0) return path;
    if (path.size() > 2 && path[1] == L':') return L"\\\\?\\" + path;
    return path;
}

}  // namespace

std::wstring EscapeRegString(std::wstring_view text) {
    return EscapeChars(text, {{L'\\', L"\\\\"}, {L'"', L"\\\""}, {L'\r', L"\\r"}, {L'\n', L"\\n"}});
}

std::wstring FormatRegValue(const RegValue& value) {
    std::wstring line = ValueName(value.name);
    switch (value.type) {
        case REG_SZ:
            if (IsWholeString(value.data)) {
                line += L"\"" + EscapeRegString(RegBytesToString(value.data)) + L"\"";
                break;
            }
            line += HexData(L"hex(1):", value.data, line.size());
            break;
        case REG_DWORD:
            if (value.data.size() == sizeof(DWORD)) {
                DWORD number = 0;
                memcpy(&number, value.data.data(), sizeof number);
                line += Format(L"dword:%08x", number);
                break;
            }
            line += HexData(L"hex(4):", value.data, line.size());
            break;
        case REG_BINARY:
            line += HexData(L"hex:", value.data, line.size());
            break;
        default:  // expandable and multi-strings, qwords, REG_NONE and the rest keep their type number
            line += HexData(Format(L"hex(%x):", static_cast<unsigned>(value.type)), value.data, line.size());
            break;
    }
    return line + L"\r\n";
}

std::wstring RegKeyBlock(const std::wstring& keyText, HKEY key) { return KeyBlock(keyText, key, MAXDWORD); }

std::optional<std::wstring> RegFileText(HKEY root, const std::wstring& rootName, const std::wstring& path,
                                        LSTATUS* error) {
    return RegFileTextOf(root, path, path.empty() ? rootName : rootName + L"\\" + path, error);
}

std::optional<std::wstring> RegFileTextOf(HKEY parent, const std::wstring& subkey, const std::wstring& keyText,
                                          LSTATUS* error) {
    UniqueHKey key;
    const LSTATUS status = RegOpenKeyExW(parent, subkey.c_str(), 0, KEY_READ, key.put());
    if (error) *error = status;
    if (status != ERROR_SUCCESS) return std::nullopt;
    std::wstring text = kRegFileHeader;
    text += L"\r\n";
    if (const LSTATUS failure = AppendKey(key.get(), keyText, text); failure != ERROR_SUCCESS) {
        if (error) *error = failure;
        return std::nullopt;
    }
    text += L"\r\n";
    return text;
}

std::wstring ExportRegistryKey(HKEY root, const std::wstring& path) {
    std::wstring out;
    UniqueHKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return out;
    AppendKey(key.get(), RootLongName(root) + L"\\" + path, out);
    return out;
}

DWORD WriteBytesFile(const std::wstring& path, std::string_view bytes) {
    // An existing file is written over and then cut to size rather than emptied first: emptying a
    // file makes the file system flush it at once, which for a thousand backup files costs seconds.
    UniqueHandle file = AdoptFileHandle(CreateFileW(OpenablePath(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    const DWORD size = static_cast<DWORD>(bytes.size());
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), size, &written, nullptr)) return GetLastError();
    if (written != size) return ERROR_DISK_FULL;
    LARGE_INTEGER length{};
    if (existed && (!GetFileSizeEx(file.get(), &length) || length.QuadPart > static_cast<LONGLONG>(size)) &&
        !SetEndOfFile(file.get()))
        return GetLastError();
    if (!CloseChecked(file)) return GetLastError();
    return ERROR_SUCCESS;
}

DWORD WriteUtf16File(const std::wstring& path, const std::wstring& text) {
    std::wstring content;
    content.reserve(text.size() + 1);
    content += L'\xFEFF';
    content += text;
    return WriteBytesFile(path, std::string_view(reinterpret_cast<const char*>(content.data()),
                                                 content.size() * sizeof(wchar_t)));
}

}  // namespace purgeon::backup
