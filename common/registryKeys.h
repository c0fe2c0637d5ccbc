#pragma once
// Registry facts every part shares, the catalogue component included: the roots by the names the
// registry editor gives them, key paths cut into their parts, and the three Uninstall keys
// Windows lists programs from.
#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace purgeon {

// --- roots -----------------------------------------------------------------------------

// "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"; empty for any
// other root.
std::wstring RootLongName(HKEY root);
// The root a key path begins with, compared exactly. Only the three roots programs keep their
// keys under (classes, the user's, the machine's): null for HKEY_USERS and any other text.
HKEY RootKeyFromName(std::wstring_view name);

// --- key paths ---------------------------------------------------------------------------

// One key: its root, the view it is opened in and its path below the root, without backslashes
// at either end. The 32-bit view is named by its WOW6432Node path in the 64-bit view.
struct RegistryKey {
    HKEY root = nullptr;
    REGSAM view = KEY_WOW64_64KEY;
    std::wstring path;

    // "HKEY_CURRENT_USER\SOFTWARE\Vendor", as the registry editor names it.
    std::wstring Text() const;
    // "SOFTWARE\" for "SOFTWARE\Vendor": what lies before the key's own name, with its backslash;
    // empty for a root's direct child.
    std::wstring ParentPath() const;
    // "Vendor": the key's own name.
    std::wstring Name() const;
};
bool operator==(const RegistryKey& a, const RegistryKey& b);

// A key path cut at its first backslash (the root) and its last (the key's own name):
// "HKEY_CURRENT_USER\SOFTWARE\Vendor" gives the root, the parent path "SOFTWARE\" and the last
// name "Vendor". Nothing when the text names no known root. For texts that are stored (a
// clean-up's manifest, a program's key path), never for what a scan has found: a finding
// carries its key.
struct RegistryTarget {
    HKEY root = nullptr;
    std::wstring parentPath;  // ends in a backslash unless empty (the root itself)
    std::wstring lastName;
    RegistryKey Key() const { return {root, KEY_WOW64_64KEY, parentPath + lastName}; }
};
std::optional<RegistryTarget> SplitRegistryText(std::wstring_view text);

// --- where programs register themselves -------------------------------------------------------

// The three Uninstall keys, in the component's listing order; the numbers are what the
// component's GetSource hands out.
enum class ProgramSource : long { Machine = 0, Machine32 = 1, User = 2 };
inline constexpr size_t kProgramSourceCount = 3;

// The subkey each source's root holds the entries under, opened in the source's view.
inline constexpr wchar_t kUninstallSubkey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct UninstallKey {
    ProgramSource source;
    HKEY root;
    REGSAM view;            // the view kUninstallSubkey is opened in
    const wchar_t* path;    // below the root in the 64-bit view, as the registry editor names it
    std::wstring Text() const { return RootLongName(root) + L"\\" + path; }
};
// The machine's 64-bit key, its 32-bit view, the current user's key.
const std::array<UninstallKey, kProgramSourceCount>& UninstallKeys();
const UninstallKey& UninstallKeyOf(ProgramSource source);

}  // namespace purgeon
