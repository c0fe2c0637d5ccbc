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

int RunUninstallMode(const std::vector<std::wstring>& args, const RowOutput& out) {
    const std::optional<Arguments> parsed = ParseArguments(args);
    if (!parsed) throw BadArguments{};
    ComApartment com;
    TProgramList catalogue;
    std::vector<ProgramRow> rows;
    try {
        rows = ReadProgramRows(ConnectCatalogue(catalogue), RowIcons::Skip);
    } catch (const UserError& error) {
        out(ErrorRow(error.message()));
        return kExitNothingDone;
    }
    // Every key must name exactly one program before anything starts.
    std::vector<size_t> chosen;
    std::vector<OutputRow> unknown;
    for (const std::wstring& key : parsed->keys) {
        const std::vector<size_t> named = RowsNamed(rows, key);
        if (named.size() == 1) {
            chosen.push_back(named[0]);
            continue;
        }
        unknown.push_back({{L"result", L"unknown"},
                           {L"key", key},
                           {L"reason", named.empty() ? L"no program has this key"
                                                     : L"several programs have this key; name one by its key path"}});
    }
    if (!unknown.empty()) {
        for (const OutputRow& row : unknown) out(row);
        return kExitNothingDone;
    }

    std::vector<uninstall::BatchProgram> programs;
    for (size_t at : chosen) {
        const ProgramRow& row = rows[at];
        std::vector<std::wstring> others;
        for (const ProgramRow& other : rows)
            if (other.keyPath != row.keyPath) others.push_back(other.installLocation);
        programs.push_back(uninstall::BatchProgramOf(row.keyPath, row.keyName, row.Caption(), row.installLocation,
                                                     row.publisher, row.uninstallCommand, std::move(others)));
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
        const wchar_t* kind = LineKind(result.state);
        const bool ended = result.state != uninstall::BatchState::Skipped && result.state != uninstall::BatchState::Failed;
        std::lock_guard<std::mutex> hold(printing);
        out({{L"result", kind}, {L"keyPath", programs[index].keyPath}, {ended ? L"detail" : L"reason", detail}});
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
