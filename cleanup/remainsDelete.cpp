#include "cleanup/remainsDelete.h"

#include <shellapi.h>

#include "cleanup/checkTree.h"
#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon::cleanup {

namespace {

bool IsKeyDeletable(const RegistryTarget& target) {
    // Never a root's direct child ("SOFTWARE" itself) nor a key no single program owns.
    return !target.parentPath.empty() && !target.lastName.empty() &&
           !IsProtectedRegistryKey(target.parentPath, target.lastName);
}

void DeleteKey(const ScanNode& node) {
    std::optional<RegistryTarget> target = SplitRegistryText(node.text);
    if (!target || !IsKeyDeletable(*target)) return;
    UniqueHKey parent;
    if (RegOpenKeyExW(target->root, target->parentPath.c_str(), 0, KEY_ALL_ACCESS, parent.put()) != ERROR_SUCCESS)
        return;
    RegDeleteTreeW(parent.get(), target->lastName.c_str());
    RegDeleteKeyW(parent.get(), target->lastName.c_str());
}

// The value name is what follows the key's own text: value names may hold backslashes.
void DeleteValue(const ScanNode& key, const ScanNode& value) {
    const std::wstring prefix = key.text + L'\\';
    if (value.text.compare(0, prefix.size(), prefix) != 0) return;
    std::optional<RegistryTarget> target = SplitRegistryText(key.text);
    if (!target) return;
    UniqueHKey opened;
    if (RegOpenKeyExW(target->root, (target->parentPath + target->lastName).c_str(), 0, KEY_ALL_ACCESS,
                      opened.put()) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(opened.get(), value.text.substr(prefix.size()).c_str());
}

std::wstring FullPath(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return std::wstring();
    std::wstring full(size, L'\0');
    size = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    full.resize(size);
    return full;
}

// Compared as the file system will read them: "App\x/../../Other" lies outside App even though
// its text begins with App's.
bool IsInside(const std::wstring& path, const std::wstring& folder) {
    if (path.find(L"\\..") != std::wstring::npos || path.find(L"/..") != std::wstring::npos) return false;
    const std::wstring base = IncludeTrailingBackslash(FullPath(ExcludeTrailingBackslash(folder)));
    const std::wstring full = FullPath(path);
    return base.size() > 1 && full.size() > base.size() && StartsWithNoCase(full, base);
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(ExcludeTrailingBackslash(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Last node to first in display order: children (deepest first) before their parent, so a
// removal never moves a node still to be visited.
template <typename Handle>
void EachFromLast(std::vector<ScanNode>& nodes, const Handle& handle) {
    for (size_t i = nodes.size(); i-- > 0;) {
        EachFromLast(nodes[i].children, handle);
        if (handle(nodes[i])) nodes.erase(nodes.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

}  // namespace

HKEY RootKeyFromName(const std::wstring& name) {
    if (name == L"HKEY_CLASSES_ROOT") return HKEY_CLASSES_ROOT;
    if (name == L"HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (name == L"HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    return nullptr;
}

std::optional<RegistryTarget> SplitRegistryText(const std::wstring& text) {
    const size_t first = text.find(L'\\');
    if (first == std::wstring::npos) return std::nullopt;
    RegistryTarget target;
    target.root = RootKeyFromName(text.substr(0, first));
    if (!target.root) return std::nullopt;
    const std::wstring rest = text.substr(first + 1);
    const size_t last = rest.rfind(L'\\');
    if (last != std::wstring::npos) target.parentPath = rest.substr(0, last + 1);
    target.lastName = last == std::wstring::npos ? rest : rest.substr(last + 1);
    return target;
}

bool DeleteFolder(const std::wstring& path) {
    std::wstring from = path;
    if (!from.empty() && from.back() == L'\\') from.pop_back();
    from.push_back(L'\0');  // a list of one name ends in a second NUL
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.pTo = L"";
    // No window of ours to own an error box: a folder that cannot go simply stays.
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted;
}

void DeleteCheckedKeys(std::vector<ScanNode>& keys) {
    for (size_t i = keys.size(); i-- > 0;) {
        if (keys[i].state != kChecked) continue;
        DeleteKey(keys[i]);
        keys.erase(keys.begin() + static_cast<std::ptrdiff_t>(i));
    }
    for (size_t i = keys.size(); i-- > 0;) {
        std::vector<ScanNode>& values = keys[i].children;
        for (size_t v = values.size(); v-- > 0;) {
            if (values[v].state != kChecked) continue;
            DeleteValue(keys[i], values[v]);
            values.erase(values.begin() + static_cast<std::ptrdiff_t>(v));
        }
    }
}

bool DeleteCheckedFiles(std::vector<ScanNode>& files) {
    if (files.empty()) return false;
    // Protection is looked at again here: the tree may not come from a scan of ours.
    const std::wstring top = CleanInstallLocation(files.front().text);
    const bool allowed = files.size() == 1 && !IsProtectedFolder(top);
    if (files.front().state == kChecked) {
        if (allowed) DeleteFolder(top);
        files.clear();
        return true;
    }
    EachFromLast(files, [&](const ScanNode& node) {
        if (node.state != kChecked || !IsFolder(node.text)) return false;
        if (allowed && IsInside(node.text, top) && !IsProtectedFolder(node.text)) DeleteFolder(node.text);
        return true;
    });
    EachFromLast(files, [&](const ScanNode& node) {
        if (node.state != kChecked) return false;
        // Read-only files stay, as they would when deleted by hand.
        if (allowed && IsInside(node.text, top) && !IsFolder(node.text)) DeleteFileW(node.text.c_str());
        return true;
    });
    return true;
}

bool DeleteCheckedRemains(std::vector<ScanNode>& keys, std::vector<ScanNode>& files) {
    DeleteCheckedKeys(keys);
    return DeleteCheckedFiles(files);
}

void RefreshChecks(std::vector<ScanNode>& roots) {
    for (ScanNode& node : roots) {
        if (node.children.empty()) {
            if (node.state == kPartlyChecked) node.state = kUnchecked;
            continue;
        }
        RefreshChecks(node.children);
        node.state = RolledUpState(node.children);
    }
}

}  // namespace purgeon::cleanup
