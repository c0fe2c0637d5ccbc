#include "cleanup/regBackup.h"

#include "common/handles.h"

namespace purgeon::cleanup {

using remains::kChecked;

std::wstring RemainsBackupText(const std::vector<ScanNode>& keys) {
    using Kind = remains::FindingTarget::Kind;
    std::wstring body;
    for (const ScanNode& node : keys) {
        if (node.target.kind != Kind::Key || !node.target.key.root || node.target.key.Name().empty()) continue;
        const RegistryKey& key = node.target.key;
        if (node.state == kChecked) {
            body += ExportRegistryKey(key.root, key.path);
            continue;
        }
        // Only the checked values of a key that stays.
        UniqueHKey open;
        if (RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_READ | key.view, open.put()) != ERROR_SUCCESS) continue;
        std::wstring values;
        for (const ScanNode& child : node.children) {
            if (child.state != kChecked || child.target.kind != Kind::Value) continue;
            const std::wstring& name = child.target.valueName;
            if (std::optional<RegValue> value = ReadRegValue(open.get(), name.c_str())) {
                value->name = name;
                values += FormatRegValue(*value);
            }
        }
        if (!values.empty()) body += L"\r\n[" + key.Text() + L"]\r\n" + values;
    }
    return body.empty() ? body : std::wstring(kRegFileHeader) + L"\r\n" + body + L"\r\n";
}

std::wstring BackupFolderName(const SYSTEMTIME& time) {
    return Format(L"%04u-%02u-%02u %02u-%02u-%02u", time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute,
                  time.wSecond);
}

}  // namespace purgeon::cleanup
