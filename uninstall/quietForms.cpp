#include "uninstall/quietForms.h"

#include <windows.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "common/funUtils.h"
#include "common/handles.h"
#include "common/textParse.h"

namespace purgeon::uninstall {

namespace {

// NSIS writes its mark into the uninstaller's header and data; a few megabytes hold it.
constexpr DWORD kNullsoftSearchLimit = 4 * 1024 * 1024;

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

bool FileHoldsText(const std::wstring& path, std::string_view text) {
    UniqueHandle file = AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    std::vector<char> buffer(64 * 1024 + text.size());
    size_t kept = 0;  // the end of the last block, so a mark across two blocks is found
    DWORD total = 0;
    while (total < kNullsoftSearchLimit) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.data() + kept, static_cast<DWORD>(buffer.size() - kept), &read, nullptr) ||
            read == 0)
            return false;
        total += read;
        const size_t filled = kept + read;
        if (std::search(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(filled), text.begin(), text.end()) !=
            buffer.begin() + static_cast<std::ptrdiff_t>(filled))
            return true;
        kept = std::min(filled, text.size() - 1);
        std::copy(buffer.begin() + static_cast<std::ptrdiff_t>(filled - kept),
                  buffer.begin() + static_cast<std::ptrdiff_t>(filled), buffer.begin());
    }
    return false;
}

}  // namespace

bool IsInnoUninstallerName(std::wstring_view fileName) {
    if (fileName.size() != 12 || !StartsWithNoCase(fileName, L"unins")) return false;
    for (size_t i = 5; i < 8; ++i)
        if (fileName[i] < L'0' || fileName[i] > L'9') return false;
    return EqualsNoCase(fileName.substr(8), L".exe");
}

QuietForm QuietFormOf(const EntryFacts& entry, const UninstallerFacts& uninstaller) {
    if (!Trim(entry.quietUninstallString).empty())
        return {InstallerKind::OwnQuietCommand, entry.quietUninstallString};
    // The catalogue runs a Windows Installer product by its product code, and only then.
    if (entry.windowsInstaller && EqualsNoCase(entry.uninstallCommand, L"MsiExec.exe /X" + entry.keyName))
        return {InstallerKind::WindowsInstaller, entry.uninstallCommand + L" /qn REBOOT=ReallySuppress /norestart"};
    const std::wstring program = ProgramPathOfCommand(entry.uninstallCommand);
    if (entry.innoAppPath || uninstaller.innoLayout) {
        if (program.empty()) return {InstallerKind::InnoSetup, std::nullopt};
        return {InstallerKind::InnoSetup, Quoted(program) + L" /VERYSILENT /SUPPRESSMSGBOXES /NORESTART"};
    }
    if (uninstaller.nullsoft && !program.empty()) return {InstallerKind::Nsis, Quoted(program) + L" /S"};
    return {};
}

EntryFacts ReadEntryFacts(const std::wstring& keyPath, const std::wstring& keyName,
                          const std::wstring& uninstallCommand) {
    EntryFacts facts{keyName, uninstallCommand};
    const size_t slash = keyPath.find(L'\\');
    HKEY root = StartsWithNoCase(keyPath, L"HKEY_CURRENT_USER\\") ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    UniqueHKey key;
    // The 64-bit view names the 32-bit one's keys by their WOW6432Node path.
    if (slash == std::wstring::npos ||
        RegOpenKeyExW(root, keyPath.substr(slash + 1).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) !=
            ERROR_SUCCESS)
        return facts;
    if (std::optional<std::wstring> quiet = ReadRegString(key.get(), L"QuietUninstallString"))
        facts.quietUninstallString = ExpandEnvironment(*quiet);
    if (std::optional<RegValue> msi = ReadRegValue(key.get(), L"WindowsInstaller"))
        facts.windowsInstaller = msi->type == REG_DWORD && msi->data.size() == sizeof(DWORD) &&
                                 *reinterpret_cast<const DWORD*>(msi->data.data()) == 1;
    facts.innoAppPath = ReadRegValue(key.get(), L"Inno Setup: App Path").has_value();
    return facts;
}

UninstallerFacts ReadUninstallerFacts(const std::wstring& uninstallCommand) {
    UninstallerFacts facts;
    const std::wstring program = ExpandEnvironment(ProgramPathOfCommand(uninstallCommand));
    if (program.empty() || !FileExists(program)) return facts;
    const std::wstring name = ExtractFileName(program);
    facts.innoLayout = IsInnoUninstallerName(name) && FileExists(program.substr(0, program.size() - 4) + L".dat");
    facts.nullsoft = FileHoldsText(program, "Nullsoft");
    return facts;
}

}  // namespace purgeon::uninstall
