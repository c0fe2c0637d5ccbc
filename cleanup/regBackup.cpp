#include "cleanup/regBackup.h"

#include "cleanup/remainsDelete.h"
#include "common/handles.h"

namespace purgeon::cleanup {

namespace {

constexpr size_t kHexLineLimit = 76;  // the registry editor keeps its lines within 80 columns

// A line break inside a name would end the line: it goes as \r or \n, which the editor reads back.
std::wstring ValueName(const std::wstring& name) {
    if (name.empty()) return L"@";
    std::wstring out = L"\"";
    for (wchar_t c : EscapeRegString(name)) {
        if (c == L'\r') out += L"\\r";
        else if (c == L'\n') out += L"\\n";
        else out += c;
    }
    return out + L"\"";
}

// "hex(n):xx,xx,..." wrapped as the registry editor wraps it; column is where the data begins.
std::wstring HexData(const std::wstring& prefix, const std::vector<BYTE>& data, size_t column) {
    std::wstring out = prefix;
    column += prefix.size();
    for (size_t i = 0; i < data.size(); ++i) {
        out += Format(L"%02x", data[i]);
        column += 2;
        if (i + 1 == data.size()) break;
        out += L',';
        ++column;
        if (column >= kHexLineLimit) {
            out += L"\\\r\n  ";
            column = 2;
        }
    }
    return out;
}

// True when the bytes are a string that reads back the same from between quotes.
bool IsPlainString(const std::vector<BYTE>& data) {
    if (data.size() < sizeof(wchar_t) || data.size() % sizeof(wchar_t) != 0) return false;
    const size_t count = data.size() / sizeof(wchar_t);
    const auto* chars = reinterpret_cast<const wchar_t*>(data.data());
    if (chars[count - 1] != L'\0') return false;
    for (size_t i = 0; i + 1 < count; ++i)
        if (chars[i] == L'\0' || chars[i] == L'\r' || chars[i] == L'\n') return false;
    return true;
}

std::vector<std::wstring> SubkeyNames(HKEY key) {
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

void AppendKey(HKEY root, const std::wstring& rootName, const std::wstring& path, std::wstring& out) {
    UniqueHKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    out += L"[" + rootName + L"\\" + path + L"]\r\n";
    for (const RegValue& value : ReadRegValues(key.get())) out += FormatRegValue(value);
    out += L"\r\n";
    for (const std::wstring& name : SubkeyNames(key.get())) AppendKey(root, rootName, path + L"\\" + name, out);
}

// The key's path below its root ("SOFTWARE\Vendor") from a key node's text.
std::optional<std::pair<HKEY, std::wstring>> KeyOfNode(const std::wstring& text) {
    std::optional<RegistryTarget> target = SplitRegistryText(text);
    if (!target || target->lastName.empty()) return std::nullopt;
    return std::make_pair(target->root, target->parentPath + target->lastName);
}

}  // namespace

std::wstring EscapeRegString(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    return out;
}

std::wstring FormatRegValue(const RegValue& value) {
    const std::wstring name = ValueName(value.name) + L"=";
    std::wstring data;
    switch (value.type) {
    case REG_SZ:
        if (IsPlainString(value.data)) {
            data = L"\"" + EscapeRegString(RegBytesToString(value.data)) + L"\"";
            break;
        }
        data = HexData(L"hex(1):", value.data, name.size());
        break;
    case REG_DWORD:
        if (value.data.size() == sizeof(DWORD)) {
            DWORD number = 0;
            memcpy(&number, value.data.data(), sizeof number);
            data = Format(L"dword:%08x", number);
            break;
        }
        data = HexData(L"hex(4):", value.data, name.size());
        break;
    case REG_BINARY:
        data = HexData(L"hex:", value.data, name.size());
        break;
    default:  // expandable and multi-strings, qwords, REG_NONE and the rest keep their type number
        data = HexData(Format(L"hex(%x):", static_cast<unsigned>(value.type)), value.data, name.size());
        break;
    }
    return name + data + L"\r\n";
}

std::wstring ExportRegistryKey(HKEY root, const std::wstring& path) {
    std::wstring out;
    AppendKey(root, RootLongName(root), path, out);
    return out;
}

std::wstring RemainsBackupText(const std::vector<ScanNode>& keys) {
    std::wstring body;
    for (const ScanNode& node : keys) {
        auto key = KeyOfNode(node.text);
        if (!key) continue;
        if (node.state == kChecked) {
            body += ExportRegistryKey(key->first, key->second);
            continue;
        }
        // Only the checked values of a key that stays; names are taken after the key's own text,
        // as a value name may hold backslashes.
        UniqueHKey open;
        if (RegOpenKeyExW(key->first, key->second.c_str(), 0, KEY_READ, open.put()) != ERROR_SUCCESS) continue;
        std::wstring values;
        const std::wstring prefix = node.text + L"\\";
        for (const ScanNode& child : node.children) {
            if (child.state != kChecked || child.text.compare(0, prefix.size(), prefix) != 0) continue;
            const std::wstring name = child.text.substr(prefix.size());
            if (std::optional<RegValue> value = ReadRegValue(open.get(), name.c_str())) {
                value->name = name;
                values += FormatRegValue(*value);
            }
        }
        if (!values.empty()) body += L"[" + node.text + L"]\r\n" + values + L"\r\n";
    }
    return body.empty() ? body : std::wstring(kRegFileHeader) + L"\r\n\r\n" + body;
}

bool WriteUtf16File(const std::wstring& path, const std::wstring& text) {
    UniqueHandle file = AdoptFileHandle(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::wstring content = L"\xFEFF" + text;
    const DWORD size = static_cast<DWORD>(content.size() * sizeof(wchar_t));
    DWORD written = 0;
    return WriteFile(file.get(), content.data(), size, &written, nullptr) && written == size;
}

std::wstring BackupFolderName(const SYSTEMTIME& time) {
    return Format(L"%04u-%02u-%02u %02u-%02u-%02u", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                  time.wSecond);
}

std::optional<std::wstring> SaveRemainsBackup(const std::wstring& backupDir, const std::vector<ScanNode>& keys) {
    const std::wstring text = RemainsBackupText(keys);
    if (text.empty()) return std::wstring();
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::wstring folder = IncludeTrailingBackslash(backupDir) + BackupFolderName(now) + L"\\";
    if (!ForceDirectories(folder)) return std::nullopt;
    // Two cleanings within one second share the folder but not the file.
    std::wstring path = folder + kRemainsBackupFile;
    for (int n = 2; FileExists(path); ++n) path = folder + Format(L"remains-%d.reg", n);
    if (!WriteUtf16File(path, text)) return std::nullopt;
    return path;
}

}  // namespace purgeon::cleanup
