#include "remains/defaultMarks.h"

#include <algorithm>
#include <cwctype>

#include "remains/checkTree.h"
#include "remains/remainsScan.h"
#include "common/funUtils.h"

namespace purgeon::remains {

namespace {

// Words many programs name a key after; compared without regard to case.
constexpr const wchar_t* kCommonWords[] = {
    L"Settings",   L"Options",  L"Default",   L"Defaults",  L"Data",      L"Config",     L"Configuration",
    L"Update",     L"Updates",  L"Updater",   L"Common",    L"Install",   L"Installer",  L"Setup",
    L"Cache",      L"Plugins",  L"Plugin",    L"Addins",    L"Extensions", L"Modules",   L"Components",
    L"Preferences", L"Profiles", L"Profile",  L"General",   L"Help",      L"Shared",     L"Files",
    L"Temp",       L"Tools",    L"Main",      L"App",       L"Application", L"Software", L"Uninstall",
    L"Version",    L"User",     L"Users",     L"Local",     L"Global",    L"Server",     L"Client",
    L"Service",    L"Services", L"Product",   L"Products",  L"Program",   L"Programs",   L"Recent",
    L"History",    L"Log",      L"Logs",      L"Backup",    L"Sync",      L"Player",     L"Viewer",
    L"Editor",     L"Manager",  L"Driver",    L"Drivers",   L"Runtime",   L"Engine",     L"Launcher",
    L"License",    L"Registration", L"Security", L"Network", L"Cloud",    L"Display",    L"Audio",
    L"Video",      L"Language", L"Languages", L"Skins",     L"Themes",    L"Templates",  L"Test",
};

constexpr const wchar_t* kSoftwareRoots[] = {L"SOFTWARE", L"SOFTWARE\\Wow6432Node"};
constexpr const wchar_t* kWindowsSubtrees[] = {L"SOFTWARE\\Microsoft\\Windows\\",
                                               L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\"};

struct KeyParts {
    HKEY root = nullptr;
    std::wstring parent, name;  // parent relative to the root, without its backslash
};

KeyParts PartsOf(const FindingTarget& target) {
    if (target.kind != FindingTarget::Kind::Key) return {};
    return {target.key.root, ExcludeTrailingBackslash(target.key.ParentPath()), target.key.Name()};
}

// Vendor keys a program of this publisher and folder keeps its settings below.
std::vector<std::wstring> VendorNames(const ScanRequest& request) {
    std::vector<std::wstring> vendors;
    if (!Trim(request.publisher).empty()) vendors.push_back(Trim(request.publisher));
    const std::wstring folder = ExcludeTrailingBackslash(CleanInstallLocation(request.installLocation));
    const std::wstring parent = ExtractFileName(ExcludeTrailingBackslash(ExtractFilePath(folder)));
    if (!parent.empty() && parent.back() != L':') vendors.push_back(parent);
    return vendors;
}

bool IsProgramsOwnPlace(const KeyParts& key, const std::vector<std::wstring>& vendors) {
    if (!key.root) return false;  // no key a scan found
    if (key.root == HKEY_CLASSES_ROOT) return EqualsNoCase(key.parent, L"Installer\\Products");
    for (const wchar_t* software : kSoftwareRoots) {
        if (EqualsNoCase(key.parent, software)) return true;
        for (const std::wstring& vendor : vendors)
            if (EqualsNoCase(key.parent, std::wstring(software) + L"\\" + vendor)) return true;
    }
    return false;
}

UncheckedReason KeyReason(const ScanNode& key, const ScanRequest& request, const std::vector<std::wstring>& vendors) {
    if (request.checkNothing) return UncheckedReason::StillInstalled;
    if (!request.uninstallKeyPath.empty() && EqualsNoCase(key.text, request.uninstallKeyPath))
        return UncheckedReason::None;
    if (IsGenericKeyName(request.keyName)) return UncheckedReason::CommonName;
    const KeyParts parts = PartsOf(key.target);
    const std::wstring underRoot = parts.parent + L"\\";
    for (const wchar_t* windows : kWindowsSubtrees)
        if (StartsWithNoCase(underRoot, windows)) return UncheckedReason::WindowsKeys;
    return IsProgramsOwnPlace(parts, vendors) ? UncheckedReason::None : UncheckedReason::OtherPlace;
}

void SetState(ScanNode& node, int state) {
    node.state = state;
    for (ScanNode& child : node.children) SetState(child, state);
}

// A path as written, in one letter case, with backslashes and no trailing one.
std::wstring ComparableText(const std::wstring& path) {
    std::wstring text = CleanInstallLocation(path);
    std::replace(text.begin(), text.end(), L'/', L'\\');
    return ToLower(ExcludeTrailingBackslash(text));
}

// The same for a folder that may be written with short names: "C:\PROGRA~1\Vendor" is
// "C:\Program Files\Vendor". Looked up on disk, so only for the few folders compared.
std::wstring ComparablePath(const std::wstring& path) {
    const std::wstring text = CleanInstallLocation(path);
    return ComparableText(text.empty() ? text : NormalisedPath(text));
}

// The scan's nodes lie below the install folder as the program wrote it; they compare in the
// folder's long form.
struct ListedFolder {
    std::wstring asListed;  // ComparableText of the install folder's node
    std::wstring longForm;  // ComparablePath of it
    std::wstring PathOf(const ScanNode& node) const {
        std::wstring text = ComparableText(node.target.path);
        if (text.compare(0, asListed.size(), asListed) == 0) text = longForm + text.substr(asListed.size());
        return text;
    }
};

bool IsWithin(const std::wstring& path, const std::wstring& folder) {
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              path[folder.size()] == L'\\');
}

void MarkFiles(ScanNode& node, const std::vector<std::wstring>& others, const ListedFolder& folder) {
    const std::wstring path = folder.PathOf(node);
    for (const std::wstring& other : others) {
        if (!IsWithin(path, other)) continue;
        SetState(node, kUnchecked);
        node.reason = UncheckedReason::OtherProgram;
        return;
    }
    for (ScanNode& child : node.children) MarkFiles(child, others, folder);
    // A folder that holds another program's folder is never checked itself: it stays.
    if (!node.children.empty()) node.state = RolledUpState(node.children);
}

}  // namespace

bool IsGenericKeyName(const std::wstring& name) {
    const std::wstring trimmed = Trim(name);
    if (trimmed.size() <= 3) return true;
    if (std::all_of(trimmed.begin(), trimmed.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) return true;
    for (const wchar_t* word : kCommonWords)
        if (EqualsNoCase(trimmed, word)) return true;
    return false;
}

void SetDefaultKeyMarks(std::vector<ScanNode>& keys, const ScanRequest& request) {
    const std::vector<std::wstring> vendors = VendorNames(request);
    for (ScanNode& key : keys) {
        key.reason = KeyReason(key, request, vendors);
        SetState(key, key.reason == UncheckedReason::None ? kChecked : kUnchecked);
    }
}

void SetDefaultFileMarks(ScanNode& installFolder, const ScanRequest& request) {
    if (request.checkNothing) {
        SetState(installFolder, kUnchecked);
        installFolder.reason = UncheckedReason::StillInstalled;
        return;
    }
    std::vector<std::wstring> others;
    for (const std::wstring& location : request.otherInstallLocations) {
        // A shared folder (Program Files, a drive) is no program's own: it would hold everything.
        if (CleanInstallLocation(location).empty() || IsProtectedFolder(CleanInstallLocation(location))) continue;
        others.push_back(ComparablePath(location));
    }
    const std::wstring& top = installFolder.target.path;
    MarkFiles(installFolder, others, {ComparableText(top), ComparablePath(top)});
}

ScanFindings ScanRemains(const ScanRequest& request, const ScanProgress& progress) {
    ScanFindings findings;
    findings.keys = ScanRegistry(request.keyName, progress);
    // The program's own entry is offered wherever it lives, walked or not.
    const bool listed = std::any_of(findings.keys.begin(), findings.keys.end(), [&](const ScanNode& key) {
        return EqualsNoCase(key.text, request.uninstallKeyPath);
    });
    if (!request.uninstallKeyPath.empty() && !listed)
        if (auto entry = ScanKeyAt(request.uninstallKeyPath)) findings.keys.push_back(std::move(*entry));
    SetDefaultKeyMarks(findings.keys, request);
    if (auto folder = ScanInstallFolder(request.installLocation, progress)) {
        SetDefaultFileMarks(*folder, request);
        findings.files.push_back(std::move(*folder));
    }
    return findings;
}

}  // namespace purgeon::remains
