#include "app/listCommand.h"

#include <windows.h>

#include "app/component.h"
#include "catalogue/ProgramList.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
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

// Tabs and line breaks inside a field would break the one-line-per-entry format.
std::wstring Field(std::wstring text) {
    for (wchar_t& c : text)
        if (c == L'\t' || c == L'\r' || c == L'\n') c = L' ';
    return text;
}

int ListCatalogue() {
    ComApartment com;
    TProgramList programs;
    IProgramList* list = nullptr;
    try {
        list = programs.Get();
    } catch (const UserError&) {
        // Not registered yet on this machine: register, then connect again.
        if (auto error = RegisterCatalogueComponent()) {
            WriteStdout(*error + L"\n");
            return 1;
        }
        list = programs.Get();
    }
    std::wstring out;
    for (const ProgramRow& row : ReadProgramRows(list, RowIcons::Skip)) {
        out += Format(L"%d\t%ld\t", row.index, row.kind) + Field(row.displayName) + L'\t' + Field(row.keyName) +
               L'\t' + Field(row.publisher) + L'\t' + Field(row.installLocation) + L'\t' +
               Field(row.uninstallString) + L'\n';
    }
    for (const ScreenSaverRow& row : ReadScreenSaverRows(list, RowIcons::Skip)) {
        out += Format(L"scr%d\t\t", row.index) + Field(row.title.empty() ? row.fileName : row.title) + L'\t' +
               Field(row.fileName) + L'\t' + Field(row.publisher) + L'\t' + Field(row.directory) + L"\t\n";
    }
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
