#include "app/listCommand.h"

#include "app/uninstallCommand.h"

#include <windows.h>

#include <optional>

#include "catalogue/componentRegistration.h"
#include "backup/fullBackup.h"
#include "report/report.h"
#include "catalogue/ProgramList.h"
#include "common/funUtils.h"
#include "common/textParse.h"
#include "common/globals.h"
#include "common/handles.h"
#include "cleanup/cleanup.h"
#include "remains/remains.h"
#include "startup/startupItems.h"

namespace purgeon {

namespace {

HANDLE StdoutHandle() {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) {
        // A windowed program started from a console has none of its own.
        if (AttachConsole(ATTACH_PARENT_PROCESS)) out = GetStdHandle(STD_OUTPUT_HANDLE);
    }
    return out;
}

int ListCatalogue() {
    ComApartment com;
    TProgramList programs;
    IProgramList* list = nullptr;
    try {
        list = ConnectCatalogue(programs);
    } catch (const UserError& error) {
        WriteStdout(error.message() + L"\n");
        return 1;
    }
    std::wstring out;
    int position = 0;  // where the program stands in this listing
    for (const ProgramRow& row : ReadProgramRows(list, RowIcons::Skip)) {
        out += Format(L"%d\t%ld\t", position++, row.kind) + OneLineField(row.displayName) + L'\t' + OneLineField(row.keyName) +
               L'\t' + OneLineField(row.publisher) + L'\t' + OneLineField(row.installLocation) + L'\t' +
               OneLineField(row.uninstallString) + L'\t' + OneLineField(row.keyPath) + L'\n';
    }
    for (const ScreenSaverRow& row : ReadScreenSaverRows(list, RowIcons::Skip)) {
        out += Format(L"scr%d\t\t", row.index) + OneLineField(row.title.empty() ? row.fileName : row.title) + L'\t' +
               OneLineField(row.fileName) + L'\t' + OneLineField(row.publisher) + L'\t' + OneLineField(row.directory) + L"\t\t\n";
    }
    WriteStdout(out);
    return 0;
}

void AppendNodes(const std::vector<remains::ScanNode>& nodes, std::wstring& out) {
    for (const remains::ScanNode& node : nodes) {
        out += OneLineField(node.text) + L'\n';
        AppendNodes(node.children, out);
    }
}

// The entry a command line names: KEYNAME is a key name, or a full key path as /list prints it.
// A key name that several sources hold (the machine's, its 32-bit view's, the user's) is told
// apart by the install location; when that does not tell them apart either, the command stops:
// taking one of them could clean up another program's entry.
std::optional<size_t> NamedRow(const std::vector<ProgramRow>& rows, const std::wstring& keyName,
                               const std::wstring& installLocation) {
    const bool isPath = keyName.find(L'\\') != std::wstring::npos;
    std::vector<size_t> named;
    for (size_t i = 0; i < rows.size(); ++i)
        if (isPath ? EqualsNoCase(rows[i].keyPath, keyName) : rows[i].keyName == keyName) named.push_back(i);
    if (named.size() <= 1) return named.empty() ? std::nullopt : std::optional<size_t>(named[0]);
    const std::wstring location = ExcludeTrailingBackslash(remains::CleanInstallLocation(installLocation));
    std::vector<size_t> placed;
    for (size_t i : named)
        if (EqualsNoCase(ExcludeTrailingBackslash(remains::CleanInstallLocation(rows[i].installLocation)), location))
            placed.push_back(i);
    if (placed.size() == 1) return placed[0];
    std::wstring paths;
    for (size_t i : named) paths += L"\n  " + rows[i].keyPath;
    throw UserError(Format(L"%s is the key of %d programs; name the one meant by its key path:%s", keyName.c_str(),
                           static_cast<int>(named.size()), paths.c_str()));
}

// The scan's terms for a program named on the command line, completed from the catalogue as the
// window has them: where its entry lives, its publisher, the other programs' folders.
remains::ScanRequest RequestFor(const std::wstring& keyName, const std::wstring& installLocation) {
    remains::ScanRequest request{keyName, remains::CleanInstallLocation(installLocation)};
    TProgramList programs;
    // Without the catalogue the other programs' folders are unknown, and nothing could tell them
    // from this program's remains: the error ends the command.
    const std::vector<ProgramRow> rows = ReadProgramRows(ConnectCatalogue(programs), RowIcons::Skip);
    const std::optional<size_t> own = NamedRow(rows, keyName, request.installLocation);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (own && i == *own) {
            request.keyName = rows[i].keyName;
            request.uninstallKeyPath = rows[i].keyPath;
            request.publisher = rows[i].publisher;
            continue;
        }
        request.otherInstallLocations.push_back(rows[i].installLocation);
    }
    return request;
}

// What a remains scan would offer for a program, registry nodes first, then files. Nothing is
// deleted: the same scanner and protection rules as the scan window, without the window.
int ListRemains(const std::wstring& keyName, const std::wstring& installLocation) {
    ComApartment com;
    const remains::ScanFindings findings = remains::ScanRemains(RequestFor(keyName, installLocation));
    std::wstring out;
    AppendNodes(findings.keys, out);
    AppendNodes(findings.files, out);
    WriteStdout(out);
    return 0;
}

}  // namespace

void WriteStdout(const std::wstring& text) {
    HANDLE out = StdoutHandle();
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    std::string bytes = ToUtf8(text);
    DWORD written = 0;
    WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int RunCommandLineMode(const std::vector<std::wstring>& args) {
    if (args.size() < 2) return -1;
    const std::wstring& mode = args[1];
    try {
        if (EqualsNoCase(mode, L"/list") || EqualsNoCase(mode, L"-list")) return ListCatalogue();
        if (EqualsNoCase(mode, L"/uninstall") || EqualsNoCase(mode, L"-uninstall"))
            return RunUninstallMode(std::vector<std::wstring>(args.begin() + 2, args.end()));
        if (EqualsNoCase(mode, L"/scan") || EqualsNoCase(mode, L"-scan")) {
            if (args.size() < 3 || args[2].empty()) {
                WriteStdout(L"usage: Purgeon.exe /scan KEYNAME [LOCATION]\n");
                return 2;
            }
            return ListRemains(args[2], args.size() > 3 ? args[3] : std::wstring());
        }
        const cleanup::LineOutput print = [](const std::wstring& line) { WriteStdout(line); };
        if (EqualsNoCase(mode, L"/clean") || EqualsNoCase(mode, L"-clean")) {
            if (args.size() != 4 || args[2].empty()) {
                WriteStdout(L"usage: Purgeon.exe /clean KEYNAME LOCATION\n");
                return cleanup::kExitError;
            }
            ComApartment com;
            return cleanup::RunCleanCommand(RequestFor(args[2], args[3]),
                                            cleanup::CleanupsFolderOf(ExtractFilePath(ModuleFileName(nullptr))), print);
        }
        if (EqualsNoCase(mode, L"/restore") || EqualsNoCase(mode, L"-restore")) {
            if (args.size() != 3 || args[2].empty()) {
                WriteStdout(L"usage: Purgeon.exe /restore FOLDER\n");
                return cleanup::kExitSomethingStayed;
            }
            return cleanup::RunRestoreCommand(args[2], print);
        }
        if (EqualsNoCase(mode, L"/backup") || EqualsNoCase(mode, L"-backup") || EqualsNoCase(mode, L"/report") ||
            EqualsNoCase(mode, L"-report")) {
            std::wstring out;  // one write at the end: a thousand lines cost a thousand calls otherwise
            auto writeLine = [&out](const std::wstring& line) { out += line + L"\n"; };
            const std::wstring argument = args.size() > 2 ? args[2] : std::wstring();
            const int code = EqualsNoCase(mode.substr(1), L"backup") ? backup::RunBackupMode(argument, writeLine)
                                                                     : report::RunReportMode(argument, writeLine);
            WriteStdout(out);
            return code;
        }
        if (EqualsNoCase(mode, L"/startup") || EqualsNoCase(mode, L"-startup")) {
            WriteStdout(FormatStartupListing(LoadStartupItems()));
            return 0;
        }
    } catch (const UserError& error) {
        WriteStdout(error.message() + L"\n");
        return 1;
    }
    return -1;
}

}  // namespace purgeon
