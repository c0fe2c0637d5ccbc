#include "common/registryKeys.h"

namespace purgeon {

namespace {

struct NamedRoot {
    HKEY root;
    const wchar_t* name;
    bool keysOfPrograms;  // a root a key path of a finding or an entry may begin with
};

const NamedRoot kRoots[] = {
    {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT", true},
    {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", true},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", true},
    {HKEY_USERS, L"HKEY_USERS", false},
};

// Each source's key as the registry editor names it; Windows spells the user's "Software".
const std::array<UninstallKey, kProgramSourceCount> kUninstallKeys = {{
    {ProgramSource::Machine, HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {ProgramSource::Machine32, HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY,
     L"SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {ProgramSource::User, HKEY_CURRENT_USER, 0, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
}};

}  // namespace

std::wstring RootLongName(HKEY root) {
    for (const NamedRoot& named : kRoots)
        if (named.root == root) return named.name;
    return L"";
}

HKEY RootKeyFromName(std::wstring_view name) {
    for (const NamedRoot& named : kRoots)
        if (named.keysOfPrograms && name == named.name) return named.root;
    return nullptr;
}

std::wstring RegistryKey::Text() const { return RootLongName(root) + L"\\" + path; }

std::wstring RegistryKey::ParentPath() const {
    const size_t last = path.rfind(L'\\');
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last + 1);
}

std::wstring RegistryKey::Name() const {
    const size_t last = path.rfind(L'\\');
    return last == std::wstring::npos ? path : path.substr(last + 1);
}

bool operator==(const RegistryKey& a, const RegistryKey& b) {
    return a.root == b.root && a.view == b.view && a.path == b.path;
}

std::optional<RegistryTarget> SplitRegistryText(std::wstring_view text) {
    const size_t first = text.find(L'\\');
    if (first == std::wstring_view::npos) return std::nullopt;
    RegistryTarget target;
    target.root = RootKeyFromName(text.substr(0, first));
    if (!target.root) return std::nullopt;
    const std::wstring_view rest = text.substr(first + 1);
    const size_t last = rest.rfind(L'\\');
    if (last != std::wstring_view::npos) target.parentPath = std::wstring(rest.substr(0, last + 1));
    target.lastName = std::wstring(last == std::wstring_view::npos ? rest : rest.substr(last + 1));
    return target;
}

const std::array<UninstallKey, kProgramSourceCount>& UninstallKeys() { return kUninstallKeys; }

const UninstallKey& UninstallKeyOf(ProgramSource source) { return kUninstallKeys[static_cast<size_t>(source)]; }

}  // namespace purgeon
