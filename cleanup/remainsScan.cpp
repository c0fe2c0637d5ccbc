#include "cleanup/remainsScan.h"

#include <array>

#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon::cleanup {

namespace {

// Subtrees too big or too shared to be worth walking; compared exactly, under every root.
constexpr std::array<const wchar_t*, 4> kSkippedPaths = {
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Components",
    L"SOFTWARE\\Classes",
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SideBySide",
    L"SOFTWARE\\Microsoft",
};

// Names directly under SOFTWARE that many programs share: a program named like one of them
// must not take the whole key with it.
constexpr std::array<const wchar_t*, 7> kProtectedSoftwareNames = {
    L"Microsoft", L"Windows", L"Classes", L"Clients", L"Policies", L"Wow6432Node", L"RegisteredApplications",
};

// Forwards the current path to the caller no more often than every kProgressIntervalMs.
class Throttle {
public:
    explicit Throttle(const ScanProgress& progress) : progress_(progress) {}
    void Report(const std::wstring& path) {
        if (Due()) progress_(path);
    }
    // The same, with the path built only when it is reported.
    template <typename MakePath>
    void ReportLazily(MakePath&& makePath) {
        if (Due()) progress_(makePath());
    }

private:
    bool Due() {
        if (!progress_) return false;
        const ULONGLONG now = GetTickCount64();
        if (reported_ && now - last_ < kProgressIntervalMs) return false;
        reported_ = true;
        last_ = now;
        return true;
    }

    const ScanProgress& progress_;
    ULONGLONG last_ = 0;
    bool reported_ = false;
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

void WalkKey(HKEY root, const std::wstring& rootName, std::wstring path, const std::wstring& keyName,
             Throttle& throttle, std::vector<ScanNode>* found) {
    for (const wchar_t* skipped : kSkippedPaths)
        if (path == skipped) return;
    path = IncludeTrailingBackslash(path);
    UniqueHKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return;
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
        throttle.ReportLazily([&] { return rootName + L'\\' + path + name; });
        if (!keyName.empty() && name == keyName && !IsProtectedRegistryKey(path, name)) {
            const std::wstring fullPath = rootName + L'\\' + path + name;
            ScanNode node{fullPath, kChecked, {}};
            UniqueHKey matched;
            if (RegOpenKeyExW(root, (path + name).c_str(), 0, KEY_ALL_ACCESS, matched.put()) == ERROR_SUCCESS)
                for (const std::wstring& value : ValueNames(matched.get()))
                    node.children.push_back({fullPath + L'\\' + value, kChecked, {}});
            found->push_back(std::move(node));
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
            parent->children.push_back({fullPath, kChecked, {}});
            // A junction or link points outside the install folder: listed, not entered.
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                WalkFolder(fullPath, &parent->children.back(), throttle);
        } else {
            throttle.Report(fullPath);
            parent->children.push_back({fullPath, kChecked, {}});
        }
    } while (FindNextFileW(find.get(), &entry));
}

}  // namespace

bool IsProtectedRegistryKey(const std::wstring& parentPath, const std::wstring& name) {
    if (!EqualsNoCase(ExcludeTrailingBackslash(parentPath), L"SOFTWARE")) return false;
    for (const wchar_t* shared : kProtectedSoftwareNames)
        if (EqualsNoCase(name, shared)) return true;
    return false;
}

std::wstring RootLongName(HKEY root) {
    if (root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT";
    if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
    if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
    return L"";
}

std::vector<ScanNode> ScanRegistryKey(HKEY root, const std::wstring& path, const std::wstring& keyName,
                                      const ScanProgress& progress) {
    std::vector<ScanNode> found;
    Throttle throttle(progress);
    const std::wstring rootName = RootLongName(root);
    if (!rootName.empty()) WalkKey(root, rootName, path, keyName, throttle, &found);
    return found;
}

std::vector<ScanNode> ScanRegistry(const std::wstring& keyName, const ScanProgress& progress) {
    struct Walk {
        HKEY root;
        const wchar_t* path;
    };
    // The third walk leaves out SOFTWARE\Microsoft whole; the fourth brings back its Windows part.
    const Walk walks[] = {{HKEY_CLASSES_ROOT, L"Installer\\Products"},
                          {HKEY_CURRENT_USER, L"SOFTWARE"},
                          {HKEY_LOCAL_MACHINE, L"SOFTWARE"},
                          {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows"}};
    std::vector<ScanNode> found;
    // One throttle for all four, so a new walk does not report at once.
    Throttle throttle(progress);
    for (const Walk& walk : walks) WalkKey(walk.root, RootLongName(walk.root), walk.path, keyName, throttle, &found);
    return found;
}

std::wstring CleanInstallLocation(const std::wstring& location) {
    std::wstring text = Trim(location);
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') text = Trim(text.substr(1, text.size() - 2));
    return text;
}

std::optional<ScanNode> ScanInstallFolder(const std::wstring& installLocation, const ScanProgress& progress) {
    const std::wstring location = CleanInstallLocation(installLocation);
    if (location.empty()) return std::nullopt;
    // Any folder named Windows on the way is taken for a system one.
    std::wstring upper = location;
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    if (upper.find(L"\\WINDOWS\\") != std::wstring::npos) return std::nullopt;
    if (IsProtectedFolder(location) || !DirectoryExists(ExcludeTrailingBackslash(location))) return std::nullopt;
    ScanNode top{location, kChecked, {}};
    Throttle throttle(progress);
    WalkFolder(location, &top, throttle);
    return top;
}

}  // namespace purgeon::cleanup
