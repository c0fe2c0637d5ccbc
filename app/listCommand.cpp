#include "app/listCommand.h"

#include "app/uninstallCommand.h"

#include <windows.h>

#include <algorithm>
#include <optional>

#include "catalogue/componentRegistration.h"
#include "backup/fullBackup.h"
#include "report/report.h"
#include "catalogue/ProgramList.h"
#include "common/exitCodes.h"
#include "common/funUtils.h"
#include "common/textParse.h"
#include "common/globals.h"
#include "common/handles.h"
#include "common/outputRows.h"
#include "cleanup/cleanup.h"
#include "remains/remains.h"
#include "startup/startupItems.h"
#include "uninstall/uninstall.h"

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

// One row of "/list", programs and screen savers alike.
OutputRow ListingRow(std::wstring place, std::wstring kind, std::wstring displayName, std::wstring keyName,
                     std::wstring publisher, std::wstring installLocation, std::wstring uninstallCommand,
                     std::wstring keyPath) {
    return {{L"place", std::move(place)},
            {L"kind", std::move(kind)},
            {L"displayName", std::move(displayName)},
            {L"keyName", std::move(keyName)},
            {L"publisher", std::move(publisher)},
            {L"installLocation", std::move(installLocation)},
            {L"uninstallCommand", std::move(uninstallCommand)},
            {L"keyPath", std::move(keyPath)}};
}

int ListCatalogue(const RowOutput& out) {
    ComApartment com;
    TProgramList programs;
    IProgramList* list = ConnectCatalogue(programs);
    int position = 0;  // where the program stands in this listing
    for (const ProgramRow& row : ReadProgramRows(list, RowIcons::Skip))
        out(ListingRow(Format(L"%d", position++), Format(L"%ld", row.kind), row.displayName, row.keyName, row.publisher,
                       row.installLocation, row.uninstallString, row.keyPath));
    for (const ScreenSaverRow& row : ReadScreenSaverRows(list, RowIcons::Skip))
        out(ListingRow(Format(L"scr%d", row.index), L"", row.title.empty() ? row.fileName : row.title, row.fileName,
                       row.publisher, row.directory, L"", L""));
    return kExitDone;
}

void ListNodes(const std::vector<remains::ScanNode>& nodes, const RowOutput& out) {
    for (const remains::ScanNode& node : nodes) {
        out({{L"path", node.text}});
        ListNodes(node.children, out);
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
    if (!own && request.installLocation.empty()) {
        // Gone, and no folder named: the terms recorded when its uninstaller was started.
        const std::optional<uninstall::BatchProgram> record = uninstall::ReadUninstallRecord(
            uninstall::UninstallRecordsFolderOf(ExtractFilePath(ModuleFileName(nullptr))), keyName);
        if (!record)
            throw UserError(Format(L"%s names no installed program, and no uninstall of it was recorded; name its "
                                   L"install folder too",
                                   keyName.c_str()));
        request.keyName = record->keyName;
        request.installLocation = remains::CleanInstallLocation(record->installLocation);
        request.uninstallKeyPath = record->keyPath;
        request.publisher = record->publisher;
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        if (own && i == *own) {
            request.keyName = rows[i].keyName;
            request.uninstallKeyPath = rows[i].keyPath;
            request.publisher = rows[i].publisher;
            if (request.installLocation.empty()) request.installLocation = remains::CleanInstallLocation(rows[i].installLocation);
            continue;
        }
        request.otherInstallLocations.push_back(rows[i].installLocation);
    }
    return request;
}

// What a remains scan would offer for a program, registry nodes first, then files. Nothing is
// deleted: the same scanner and protection rules as the scan window, without the window.
int ListRemains(const std::wstring& keyName, const std::wstring& installLocation, const RowOutput& out) {
    ComApartment com;
    const remains::ScanFindings findings = remains::ScanRemains(RequestFor(keyName, installLocation));
    ListNodes(findings.keys, out);
    ListNodes(findings.files, out);
    return kExitDone;
}

// How a mode prints: tab-separated lines, or with "/json" one JSON array of objects. Rows that
// stream are written as each comes (a batch's programs end minutes apart).
enum ModeForm : unsigned { kTextOnly = 0, kJson = 1, kStreams = 2 };

// What a mode prints, kept until the mode ends (one write for a thousand lines) unless it
// streams; what was printed before an error is still printed, before the error. The JSON
// document stays whole whatever the mode ends with.
class ModeOutput {
public:
    ModeOutput(bool json, bool streams) : json_(json), streams_(streams) {}
    ~ModeOutput() {
        if (json_) text_ += rows_ == 0 ? L"[]\n" : L"\n]\n";
        Flush();
    }
    ModeOutput(const ModeOutput&) = delete;
    ModeOutput& operator=(const ModeOutput&) = delete;

    void Row(const OutputRow& row) {
        if (json_)
            text_ += (rows_ == 0 ? L"[\n" : L",\n") + JsonObject(row);
        else
            text_ += RowLine(row);
        ++rows_;
        if (streams_) Flush();
    }
    RowOutput Rows() {
        return [this](const OutputRow& row) { Row(row); };
    }
    // Text as it stands, one line or several: a text-only mode's lines, or the usage or error a
    // mode ends with, which in JSON is an error row.
    void Message(std::wstring text) {
        if (!text.empty() && text.back() == L'\n') text.pop_back();
        if (json_) return Row(ErrorRow(text));
        text_ += text + L'\n';
    }
    void Flush() {
        if (!text_.empty()) WriteStdout(text_);
        text_.clear();
    }

private:
    const bool json_, streams_;
    size_t rows_ = 0;
    std::wstring text_;
};

using Arguments = std::vector<std::wstring>;  // what follows the mode's name, without "/json"

// One command-line mode: its name after the slash or dash, its arguments as its usage shows them,
// how many it takes (a required one may not be empty), what runs it, and its forms.
struct CommandLineMode {
    const wchar_t* name;
    const wchar_t* usage;
    size_t required;
    size_t optional;
    int (*handler)(const Arguments& arguments, ModeOutput& out);
    unsigned forms = kTextOnly;
};

const std::vector<CommandLineMode>& Modes();

std::wstring UsageLine(const CommandLineMode& mode) {
    return Format(L"usage: Purgeon.exe /%s", mode.name) + (*mode.usage ? std::wstring(L" ") + mode.usage : L"") +
           (mode.forms & kJson ? L" [/json]" : L"") + L"\n";
}

std::wstring AllUsages() {
    std::wstring text;
    for (const CommandLineMode& mode : Modes()) text += UsageLine(mode);
    return text;
}

std::wstring Optional(const Arguments& arguments, size_t index) {
    return index < arguments.size() ? arguments[index] : std::wstring();
}

int RunClean(const Arguments& arguments, ModeOutput& out) {
    ComApartment com;
    return cleanup::RunCleanCommand(RequestFor(arguments[0], Optional(arguments, 1)),
                                    cleanup::CleanupsFolderOf(ExtractFilePath(ModuleFileName(nullptr))), out.Rows());
}

// "/leftovers [/clean]": what no installed program claims, from every installed program and the
// records of the programs this one uninstalled. Without the catalogue nothing could be told from
// an installed program's: its error ends the command.
int RunLeftovers(const Arguments& arguments, ModeOutput& out) {
    const std::wstring option = Optional(arguments, 0);
    const bool clean = EqualsNoCase(option, L"/clean") || EqualsNoCase(option, L"-clean");
    if (!option.empty() && !clean) throw BadArguments{};
    ComApartment com;
    TProgramList programs;
    const std::vector<ProgramRow> rows = ReadProgramRows(ConnectCatalogue(programs), RowIcons::Skip);
    const std::wstring programDir = ExtractFilePath(ModuleFileName(nullptr));
    const std::vector<remains::Leftover> leftovers =
        remains::FindLeftovers(uninstall::MachineLeftoverSearch(rows, programDir));
    return uninstall::RunLeftoversCommand(leftovers, clean, cleanup::CleanupsFolderOf(programDir), out.Rows());
}

int RunRestore(const Arguments& arguments, ModeOutput& out) {
    return cleanup::RunRestoreCommand(arguments[0], out.Rows());
}

int RunBackup(const Arguments& arguments, ModeOutput& out) {
    return backup::RunBackupMode(Optional(arguments, 0), [&out](const std::wstring& line) { out.Message(line); });
}

int RunReport(const Arguments& arguments, ModeOutput& out) {
    if (!report::ReportFormatOfFile(arguments[0])) throw BadArguments{};
    return report::RunReportMode(arguments[0], [&out](const std::wstring& line) { out.Message(line); });
}

int RunStartupListing(const Arguments&, ModeOutput& out) {
    for (const StartupRow& row : LoadStartupItems()) out.Row(StartupListingRow(row));
    return kExitDone;
}

int PrintUsages(const Arguments&, ModeOutput& out) {
    out.Message(AllUsages());
    return kExitDone;
}

const std::vector<CommandLineMode>& Modes() {
    static const std::vector<CommandLineMode> modes = {
        {L"list", L"", 0, 0, [](const Arguments&, ModeOutput& out) { return ListCatalogue(out.Rows()); }, kJson},
        {L"scan", L"KEYNAME [LOCATION]", 1, 1,
         [](const Arguments& a, ModeOutput& out) { return ListRemains(a[0], Optional(a, 1), out.Rows()); }, kJson},
        {L"clean", L"KEYNAME [LOCATION]", 1, 1, RunClean, kJson},
        {L"restore", L"FOLDER", 1, 0, RunRestore, kJson},
        {L"leftovers", L"[/clean]", 0, 1, RunLeftovers, kJson},
        {L"backup", L"[FOLDER]", 0, 1, RunBackup},
        {L"report", L"FILE.txt|FILE.csv|FILE.html", 1, 0, RunReport},
        {L"startup", L"", 0, 0, RunStartupListing, kJson},
        {L"uninstall", L"[/quiet] [/timeout=SECONDS] KEY...", 1, 10000,
         [](const Arguments& a, ModeOutput& out) { return RunUninstallMode(a, out.Rows()); }, kJson | kStreams},
        {L"?", L"", 0, 0, PrintUsages},
    };
    return modes;
}

bool IsJsonSwitch(const std::wstring& argument) {
    return EqualsNoCase(argument, L"/json") || EqualsNoCase(argument, L"-json");
}

// The one place a mode ends: its exit code, or 1 after its usage or its error was printed on
// one line. Nothing a mode throws leaves it.
int RunMode(const CommandLineMode& mode, Arguments arguments) {
    const bool asked = std::any_of(arguments.begin(), arguments.end(), IsJsonSwitch);
    arguments.erase(std::remove_if(arguments.begin(), arguments.end(), IsJsonSwitch), arguments.end());
    const bool json = asked && (mode.forms & kJson);
    ModeOutput out(json, mode.forms & kStreams);
    try {
        if (asked && !json) throw BadArguments{};
        bool fits = arguments.size() >= mode.required && arguments.size() <= mode.required + mode.optional;
        for (size_t i = 0; fits && i < mode.required; ++i) fits = !arguments[i].empty();
        if (!fits) throw BadArguments{};
        return mode.handler(arguments, out);
    } catch (const BadArguments&) {
        out.Message(UsageLine(mode));
    } catch (const UserError& error) {
        out.Message(error.message());
    } catch (const std::exception& error) {
        out.Row(ErrorRow(FromUtf8(error.what())));
    } catch (...) {
        out.Row(ErrorRow(L"unexpected error"));
    }
    return kExitNothingDone;
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
    const std::wstring& name = args[1];
    // Anything else (a file dropped on the program, say) opens the window.
    if (name.size() < 2 || (name[0] != L'/' && name[0] != L'-')) return -1;
    const Arguments arguments(args.begin() + 2, args.end());
    for (const CommandLineMode& mode : Modes())
        if (EqualsNoCase(name.substr(1), mode.name)) return RunMode(mode, arguments);
    // A switch that names no mode is a typing error, not a request for the window.
    WriteStdout(Format(L"unknown mode %s\n", OneLineField(name).c_str()) + AllUsages());
    return kExitNothingDone;
}

}  // namespace purgeon
