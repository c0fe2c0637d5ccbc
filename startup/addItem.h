#pragma once
// Adding a program to the startup list: a shortcut in one of the two Startup folders, or a
// value in one of the two Run keys. The add window hands its choice over as plain data.
#include <windows.h>

#include <string>
#include <string_view>

namespace purgeon {

// In the order of the add window's section list.
enum class AddItemSection { CurrentUserFolder = 0, AllUsersFolder = 1, CurrentUserRun = 2, MachineRun = 3 };
inline constexpr int kAddItemSectionCount = 4;

struct AddItemRequest {
    std::wstring target;  // the file to start, taken as typed
    AddItemSection section = AddItemSection::CurrentUserRun;
};

enum class AddItemResult {
    Added,          // the shortcut was saved or the value written
    TargetMissing,  // no file at the target: nothing written, the user must choose again
    NotWritten,     // the folder or key refused: `error` of the outcome says why
};

struct AddItemOutcome {
    AddItemResult result = AddItemResult::NotWritten;
    DWORD error = ERROR_SUCCESS;  // NotWritten: the system's reason (an HRESULT for a shortcut)
};

extern const wchar_t kRunKeyPath[];  // "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"

// Creates a shell link to `target` with the target's folder as working directory, saved at
// `linkPath` with its extension changed to ".lnk". An existing file there is replaced. True
// when the link was saved.
bool CreateShortcut(const std::wstring& target, const std::wstring& linkPath);
// The same, with the reason when it fails.
HRESULT SaveShortcut(const std::wstring& target, const std::wstring& linkPath);

// The entry names a target gets: its file name without extension ("app.exe" -> "app"), and
// that name + ".lnk" for a shortcut. A name without extension is kept whole.
std::wstring RunValueNameFor(std::wstring_view target);
std::wstring ShortcutNameFor(std::wstring_view target);

// What a Run value holds for a target: the path in quotes when it has a blank, or Windows would
// first try "C:\Program.exe" for "C:\Program Files\App\app.exe"; else the path as it is.
std::wstring RunCommandFor(std::wstring_view target);

// The shortcut's full path for a folder section; empty for a Run section or when the shell
// knows no such folder.
std::wstring ShortcutPathFor(const AddItemRequest& request);

// Adds the entry, replacing one of the same name without asking. The Run key is opened, never
// created.
AddItemOutcome AddStartupItem(const AddItemRequest& request);

// What the user is told when the entry could not be added: the place it was meant for and why.
// Empty when it was added (a missing target has the add window's own message).
std::wstring AddItemFailureMessage(const AddItemRequest& request, const AddItemOutcome& outcome);

}  // namespace purgeon
