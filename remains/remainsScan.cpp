#include "remains/remainsScan.h"

#include <array>

#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon::remains {

namespace {

// Subtrees too big or too shared to be worth walking; compared exactly, under every root. The
// 32-bit view of SOFTWARE holds the same shared subtrees again.
constexpr std::array<const wchar_t*, 7> kSkippedPaths = {
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components",
    L"SOFTWARE\\Classes",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SideBySide",
    L"SOFTWARE\\Microsoft",
    L"SOFTWARE\\Wow6432Node\\Classes",
    L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SideBySide",
    L"SOFTWARE\\Wow6432Node\\Microsoft",
};

// The third walk leaves out SOFTWARE\Microsoft whole; the fourth brings back its Windows part, the
// fifth the same part of the 32-bit view, where 32-bit programs keep their uninstall entries, and
// the sixth that of the user's key, where programs installed for one user keep theirs.
const std::array<RegistryWalk, 6> kWalks = {{{HKEY_CLASSES_ROOT, L"Installer\\Products"},
                                                 {HKEY_CURRENT_USER, L"SOFTWARE"},
                                                 {HKEY_LOCAL_MACHINE, L"SOFTWARE"},
                                                 {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows"},
                                                 {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows"},
                                                 {HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows"}}};

// Names directly under SOFTWARE (either view) that many programs share: a program named like one
// of them must not take the whole key with it.
constexpr std::array<const wchar_t*, 7> kProtectedSoftwareNames = {
    L"Microsoft", L"Windows", L"Classes", L"Clients", L"Policies", L"Wow6432Node", L"RegisteredApplications",
};
constexpr std::array<const wchar_t*, 2> kSoftwareRoots = {L"SOFTWARE", L"SOFTWARE\\Wow6432Node"};
// Keys whose every subkey is Windows' own (Run, Policies, Uninstall, App Paths, ...): a program's
// keys lie deeper.
constexpr std::array<const wchar_t*, 4> kSystemParents = {
    L"SOFTWARE\\Microsoft\\Windows",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
    L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows",
    L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
};

// Forwards the path being examined to the caller no more often than every kProgressIntervalMs,
// and at the end the last one, so what stays shown is where the scan ended.
class Throttle {
public:
    explicit Throttle(const ScanProgress& progress) : progress_(progress) {}
    // `fill` writes the path into a buffer kept between calls, so no string is made per key.
    template <typename Fill>
    void Examine(Fill&& fill) {
        if (!progress_) return;
        fill(last_);
        pending_ = true;
        const ULONGLONG now = GetTickCount64();
        if (reported_ && now - lastReport_ < kProgressIntervalMs) return;
        reported_ = true;
        lastReport_ = now;
        Flush();
    }
    void Examine(const std::wstring& path) {
        Examine([&](std::wstring& out) { out.assign(path); });
    }
    void Flush() {
        if (!pending_) return;
        pending_ = false;
        progress_(last_);
    }

private:
    const ScanProgress& progress_;
    std::wstring last_;
    ULONGLONG lastReport_ = 0;
    bool reported_ = false;
    bool pending_ = false;
};

std::vector<std::wstring> ValueNames(HKEY key) {
    DWORD count = 0, longest = 0;
    std::vector<std::wstring> names;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::wstring buffer(longest + 2, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        LONG status = RegEnumValueW(key, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2 + 256);
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

// A key as a finding, with a child per value it holds.
ScanNode KeyFinding(const RegistryKey& where, HKEY opened) {
    ScanNode node = FindingNode(KeyTarget(where));
    for (std::wstring& value : ValueNames(opened)) node.children.push_back(FindingNode(ValueTarget(where, std::move(value))));
    return node;
}

void WalkKey(HKEY root, const std::wstring& rootName, std::wstring path, const std::wstring& keyName,
             Throttle& throttle, std::vector<ScanNode>* found) {
    if (IsSkippedScanPath(path)) return;
    path = IncludeTrailingBackslash(path);
    UniqueHKey key;
    // A look only: reading asks for no more than reading, so keys the user may not change are still
    // listed, and their deletion then says why it failed.
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    // Each subkey is walked as soon as it is read, not after all its siblings: a key with thousands
    // of subkeys would otherwise keep the progress (and the caller's window) waiting until every
    // name was in. Registry calls are what the walk costs, so none is spent on the subkey count.
    std::wstring buffer(256, L'\0');  // key names have at most 255 characters
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG status = RegEnumKeyExW(key.get(), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) {
            buffer.resize(buffer.size() * 2);
            --index;
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        const std::wstring name(buffer.data(), length);
        throttle.Examine([&](std::wstring& out) { out.assign(rootName).append(1, L'\\').append(path).append(name); });
        if (!keyName.empty() && name == keyName && !IsProtectedRegistryKey(path, name)) {
            const RegistryKey where{root, KEY_WOW64_64KEY, path + name};
            UniqueHKey matched;
            if (RegOpenKeyExW(root, where.path.c_str(), 0, KEY_READ, matched.put()) == ERROR_SUCCESS)
                found->push_back(KeyFinding(where, matched.get()));
            else
                found->push_back(FindingNode(KeyTarget(where)));
        }
        WalkKey(root, rootName, path + name, keyName, throttle, found);
    }
}

void WalkFolder(const std::wstring& folder, ScanNode* parent, Throttle& throttle) {
    const std::wstring base = IncludeTrailingBackslash(folder);
    WIN32_FIND_DATAW entry{};
    UniqueFindHandle find(FindFirstFileW((base + L"*.*").c_str(), &entry));
    if (!find) return;
    do {
        const std::wstring name = entry.cFileName;
        if (name.empty() || name[0] == L'.') continue;
        const std::wstring fullPath = base + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            parent->children.push_back(FindingNode(PathTarget(fullPath)));
            // A junction or link points outside the install folder: listed, not entered.
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                WalkFolder(fullPath, &parent->children.back(), throttle);
        } else {
            throttle.Examine(fullPath);
            parent->children.push_back(FindingNode(PathTarget(fullPath)));
        }
    } while (FindNextFileW(find.get(), &entry));
}

}  // namespace

bool IsProtectedRegistryKey(const std::wstring& parentPath, const std::wstring& name) {
    const std::wstring parent = ExcludeTrailingBackslash(parentPath);
    for (const wchar_t* systemParent : kSystemParents)
        if (EqualsNoCase(parent, systemParent)) return true;
    for (const wchar_t* software : kSoftwareRoots)
        if (EqualsNoCase(parent, software))
            for (const wchar_t* shared : kProtectedSoftwareNames)
                if (EqualsNoCase(name, shared)) return true;
    return false;
}

bool IsSkippedScanPath(const std::wstring& path) {
    for (const wchar_t* skipped : kSkippedPaths)
        if (EqualsNoCase(path, skipped)) return true;  // Windows spells it WOW6432Node, Wine Wow6432Node
    return false;
}

const std::array<RegistryWalk, 6>& RegistryWalks() { return kWalks; }

FindingTarget KeyTarget(RegistryKey key) {
    FindingTarget target;
    target.kind = FindingTarget::Kind::Key;
    target.key = std::move(key);
    return target;
}

FindingTarget ValueTarget(RegistryKey key, std::wstring valueName) {
    FindingTarget target;
    target.kind = FindingTarget::Kind::Value;
    target.key = std::move(key);
    target.valueName = std::move(valueName);
    return target;
}

FindingTarget PathTarget(std::wstring path) {
    FindingTarget target;
    target.kind = FindingTarget::Kind::Path;
    target.path = std::move(path);
    return target;
}

std::wstring FindingText(const FindingTarget& target) {
    switch (target.kind) {
        case FindingTarget::Kind::Key: return target.key.Text();
        case FindingTarget::Kind::Value: return target.key.Text() + L'\\' + target.valueName;
        case FindingTarget::Kind::Path: return target.path;
        case FindingTarget::Kind::None: break;
    }
    return L"";
}

ScanNode FindingNode(FindingTarget target) {
    ScanNode node;
    node.text = FindingText(target);
    node.target = std::move(target);
    return node;
}

std::vector<ScanNode> ScanRegistryKey(HKEY root, const std::wstring& path, const std::wstring& keyName,
                                      const ScanProgress& progress) {
    std::vector<ScanNode> found;
    Throttle throttle(progress);
    const std::wstring rootName = RootLongName(root);
    if (RootKeyFromName(rootName)) WalkKey(root, rootName, path, keyName, throttle, &found);
    throttle.Flush();
    return found;
}

std::optional<ScanNode> ScanKeyAt(const std::wstring& fullPath) {
    const std::optional<RegistryTarget> where = SplitRegistryText(fullPath);
    if (!where) return std::nullopt;
    const RegistryKey key = where->Key();
    UniqueHKey opened;
    if (RegOpenKeyExW(key.root, key.path.c_str(), 0, KEY_READ | key.view, opened.put()) != ERROR_SUCCESS)
        return std::nullopt;
    return KeyFinding(key, opened.get());
}

std::vector<ScanNode> ScanRegistry(const std::wstring& keyName, const ScanProgress& progress) {
    std::vector<ScanNode> found;
    // One throttle for all the walks, so a new walk does not report at once.
    Throttle throttle(progress);
    for (const RegistryWalk& walk : kWalks)
        WalkKey(walk.root, RootLongName(walk.root), walk.path, keyName, throttle, &found);
    throttle.Flush();
    return found;
}

std::wstring CleanInstallLocation(const std::wstring& location) {
    // Quotes are never part of a path: some installers store the folder quoted, and a quoted
    // argument ending in a backslash keeps its closing quote on the command line.
    std::wstring text = Trim(location);
    if (!text.empty() && text.front() == L'"') text.erase(0, 1);
    if (!text.empty() && text.back() == L'"') text.pop_back();
    return Trim(text);
}

std::optional<ScanNode> ScanInstallFolder(const std::wstring& installLocation, const ScanProgress& progress) {
    const std::wstring location = CleanInstallLocation(installLocation);
    if (location.empty()) return std::nullopt;
    // Any folder named Windows on the way is taken for a system one.
    std::wstring upper = location;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    if (upper.find(L"\\WINDOWS\\") != std::wstring::npos) return std::nullopt;
    if (IsProtectedFolder(location) || !DirectoryExists(ExcludeTrailingBackslash(location))) return std::nullopt;
    ScanNode top = FindingNode(PathTarget(location));
    Throttle throttle(progress);
    WalkFolder(location, &top, throttle);
    throttle.Flush();
    return top;
}

}  // namespace purgeon::remains
