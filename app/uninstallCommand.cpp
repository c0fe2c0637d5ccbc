#include "app/uninstallCommand.h"

#include "app/listCommand.h"

#include <windows.h>

#include <mutex>
#include <optional>

#include "catalogue/ProgramList.h"
#include "catalogue/componentRegistration.h"
#include "common/exitCodes.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "common/textParse.h"
#include "uninstall/uninstall.h"

namespace purgeon {

namespace {

constexpr wchar_t kUsage[] = L"usage: Purgeon.exe /uninstall [/quiet] [/timeout=SECONDS] KEY...\n";

struct Arguments {
    bool quiet = false;
    DWORD timeoutMs = 10 * 60 * 1000;
    std::vector<std::wstring> keys;
};

std::optional<Arguments> ParseArguments(const std::vector<std::wstring>& args) {
    Arguments parsed;
    for (const std::wstring& arg : args) {
        if (EqualsNoCase(arg, L"/quiet")) {
            parsed.quiet = true;
        } else if (StartsWithNoCase(arg, L"/timeout=")) {
            const std::optional<int> seconds = ParseInt(std::wstring_view(arg).substr(9));
            if (!seconds || *seconds <= 0 || *seconds > 24 * 60 * 60) return std::nullopt;
            parsed.timeoutMs = static_cast<DWORD>(*seconds) * 1000;
        } else if (!arg.empty() && arg[0] == L'/') {
            return std::nullopt;
        } else {
            parsed.keys.push_back(arg);
        }
    }
    if (parsed.keys.empty()) return std::nullopt;
    return parsed;
}

// The rows a KEY names: its full key path, or a key name that only one source holds.
std::vector<size_t> RowsNamed(const std::vector<ProgramRow>& rows, const std::wstring& key) {
    const bool isPath = key.find(L'\\') != std::wstring::npos;
    std::vector<size_t> named;
    for (size_t i = 0; i < rows.size(); ++i)
        if (isPath ? EqualsNoCase(rows[i].keyPath, key) : rows[i].keyName == key) named.push_back(i);
    return named;
}

// The values the quiet form is decided from that the catalogue's rows do not carry.
uninstall::EntryFacts EntryFactsOf(const ProgramRow& row) {
    uninstall::EntryFacts facts{row.keyName, row.uninstallCommand};
    const size_t slash = row.keyPath.find(L'\\');
    HKEY root = StartsWithNoCase(row.keyPath, L"HKEY_CURRENT_USER\\") ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    UniqueHKey key;
    // The 64-bit view names the 32-bit one's keys by their WOW6432Node path.
    if (slash == std::wstring::npos ||
        RegOpenKeyExW(root, row.keyPath.substr(slash + 1).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) !=
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

const wchar_t* LineKind(uninstall::BatchState state) {
    switch (state) {
        case uninstall::BatchState::Removed:
        case uninstall::BatchState::RemovedRestartNeeded: return L"removed";
        case uninstall::BatchState::StillInstalled: return L"stayed";
        case uninstall::BatchState::Skipped: return L"skipped";
        default: return L"failed";
    }
}

}  // namespace

int RunUninstallMode(const std::vector<std::wstring>& args) {
    const std::optional<Arguments> parsed = ParseArguments(args);
    if (!parsed) {
        WriteStdout(kUsage);
        return kExitNothingDone;
    }
    ComApartment com;
    TProgramList catalogue;
    std::vector<ProgramRow> rows;
    try {
        rows = ReadProgramRows(ConnectCatalogue(catalogue), RowIcons::Skip);
    } catch (const UserError& error) {
        WriteStdout(L"error\t" + OneLineField(error.message()) + L"\n");
        return kExitNothingDone;
    }
    // Every key must name exactly one program before anything starts.
    std::vector<size_t> chosen;
    std::wstring unknown;
    for (const std::wstring& key : parsed->keys) {
        const std::vector<size_t> named = RowsNamed(rows, key);
        if (named.size() == 1) {
            chosen.push_back(named[0]);
            continue;
        }
        unknown += named.empty() ? L"unknown\t" + OneLineField(key) + L"\tno program has this key\n"
                                 : L"unknown\t" + OneLineField(key) + L"\tseveral programs have this key; name one by its key path\n";
    }
    if (!unknown.empty()) {
        WriteStdout(unknown);
        return kExitNothingDone;
    }

    std::vector<uninstall::BatchProgram> programs;
    for (size_t at : chosen) {
        const ProgramRow& row = rows[at];
        uninstall::BatchProgram program;
        program.keyPath = row.keyPath;
        program.keyName = row.keyName;
        program.displayName = row.Caption();
        program.installLocation = row.installLocation;
        program.publisher = row.publisher;
        program.uninstallCommand = row.uninstallCommand;
        const uninstall::EntryFacts facts = EntryFactsOf(row);
        program.windowsInstaller = facts.windowsInstaller;
        program.quiet = uninstall::QuietFormOf(facts, uninstall::ReadUninstallerFacts(row.uninstallCommand));
        for (const ProgramRow& other : rows)
            if (other.keyPath != row.keyPath) program.otherInstallLocations.push_back(other.installLocation);
        programs.push_back(std::move(program));
    }

    uninstall::BatchOptions options;
    options.quiet = parsed->quiet;
    options.timeoutMs = parsed->timeoutMs;
    options.recordDir = uninstall::UninstallRecordsFolderOf(ExtractFilePath(ModuleFileName(nullptr)));
    std::mutex printing;
    uninstall::BatchHooks hooks;
    hooks.onChange = [&](size_t index, const uninstall::BatchResult& result) {
        if (result.state == uninstall::BatchState::Running || result.state == uninstall::BatchState::Waiting) return;
        std::wstring detail = result.detail;
        if (result.state == uninstall::BatchState::RemovedRestartNeeded) detail += L"; restart needed";
        std::lock_guard<std::mutex> hold(printing);
        WriteStdout(std::wstring(LineKind(result.state)) + L"\t" + OneLineField(programs[index].keyPath) + L"\t" +
                    OneLineField(detail) + L"\n");
    };
    bool anyStarted = false, allRemoved = true;
    for (const uninstall::BatchResult& result : uninstall::RunBatch(programs, options, hooks)) {
        anyStarted = anyStarted || result.state != uninstall::BatchState::Skipped;
        allRemoved = allRemoved && (result.state == uninstall::BatchState::Removed ||
                                    result.state == uninstall::BatchState::RemovedRestartNeeded);
    }
    if (allRemoved) return kExitDone;
    return anyStarted ? kExitDoneInPart : kExitNothingDone;
}

}  // namespace purgeon
