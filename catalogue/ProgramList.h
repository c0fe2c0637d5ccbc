#pragma once
// TProgramList: the program's one connection to the catalogue component, and the plain rows
// every caller reads from it.
#include <optional>
#include <string>
#include <vector>

#include "catalogue/DoffkitLib_TLB.h"
#include "common/handles.h"
#include "common/registryKeys.h"  // ProgramSource, the Uninstall key an entry comes from

namespace purgeon {

// Throws UserError with the system's text for a failed component call.
void CheckCom(HRESULT hr, const wchar_t* what);
// The component as failures name it.
inline constexpr wchar_t kComponentName[] = L"Doffkit";
// The text a component getter hands out as a BSTR: ComText([&](BSTR* out) { return entry->GetX(out); }).
template <typename Getter>
std::wstring ComText(Getter&& getter) {
    UniqueBstr text;
    CheckCom(getter(text.put()), kComponentName);
    return text.str();
}

class TProgramList {
public:
    // Connects on first use: the running object when one is registered, else a new instance.
    IProgramList* Get();
    bool Connected() const { return static_cast<bool>(list_); }

private:
    ComPtr<IProgramList> list_;
};

// One program as the catalogue reports it: what the listing prints and what the commands on a
// program work with, read once. The component is asked again only for what few callers need: the
// report's version, date and size, the name the comment window shows, a screen saver's file.
// A program is named by its key path (which also tells its source), never by its place in a
// listing: places shift whenever an entry comes or goes.
struct ProgramRow {
    long kind = 0;  // 1 = system patch
    std::wstring displayName, keyName, publisher, installLocation, uninstallString;
    // Where its uninstall key lives, as the registry editor names it, and which of the three
    // Uninstall keys that is.
    std::wstring keyPath;
    ProgramSource source = ProgramSource::Machine;
    // What Uninstall runs: what Windows' own program list would run for the entry.
    std::wstring uninstallCommand;
    long iconIndex = 0;
    // The caption the list shows: the display name, else the key name.
    const std::wstring& Caption() const { return displayName.empty() ? keyName : displayName; }
};

struct ScreenSaverRow {
    int index = 0;  // its place in the component's last screen saver refresh
    std::wstring fileName, title, publisher, directory, lastUsed;
    long iconIndex = 0;
    unsigned long size = 0;
    // What names a screen saver across refreshes: its file.
    std::wstring Path() const { return directory + fileName; }
};

// Icon lookups cost a file system and shell call each, so callers that show no icons leave them out.
enum class RowIcons { Read, Skip };
// Refreshes the component and reads every program into `out`, in listing order. False when a
// null entry ended the listing early. When a call fails it throws UserError, and `out` holds the
// rows read so far, the last one with the fields read before the failure.
bool ReadProgramRowsInto(IProgramList* list, RowIcons icons, std::vector<ProgramRow>& out);
std::vector<ProgramRow> ReadProgramRows(IProgramList* list, RowIcons icons = RowIcons::Read);
// The entry at a key path, read from the registry now; null when it is gone.
ComPtr<IProgramEntry> EntryAtKey(IProgramList* list, const std::wstring& keyPath);
// The program at a key path as it is now; nothing when its entry is gone.
std::optional<ProgramRow> ReadProgramAtKey(IProgramList* list, const std::wstring& keyPath,
                                           RowIcons icons = RowIcons::Skip);
// Refreshes the component's screen savers and reads them all.
// The icon of the program at that key, in the system image list; 0 (the generic icon) when
// the key has gone.
long ReadIconAtKey(IProgramList* list, const std::wstring& keyPath);
std::vector<ScreenSaverRow> ReadScreenSaverRows(IProgramList* list, RowIcons icons = RowIcons::Read);
// The screen saver whose file this is, among those of the component's last refresh.
std::optional<long> ScreenSaverIndexOf(IProgramList* list, const std::wstring& path);

}  // namespace purgeon
