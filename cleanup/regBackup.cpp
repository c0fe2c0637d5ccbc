#include "cleanup/regBackup.h"

#include "cleanup/remainsDelete.h"
#include "common/handles.h"

namespace purgeon::cleanup {

using remains::kChecked;

namespace {

// The key's path below its root ("SOFTWARE\Vendor") from a key node's text.
std::optional<std::pair<HKEY, std::wstring>> KeyOfNode(const std::wstring& text) {
    std::optional<RegistryTarget> target = SplitRegistryText(text);
    if (!target || target->lastName.empty()) return std::nullopt;
    return std::make_pair(target->root, target->parentPath + target->lastName);
}

}  // namespace

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
        if (!values.empty()) body += L"\r\n[" + node.text + L"]\r\n" + values;
    }
    return body.empty() ? body : std::wstring(kRegFileHeader) + L"\r\n" + body + L"\r\n";
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
    if (backup::WriteUtf16File(path, text) != ERROR_SUCCESS) return std::nullopt;
    return path;
}

}  // namespace purgeon::cleanup
