#pragma once
// TProgramList: the program's one connection to the catalogue component, and plain-data
// readings of it.
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
struct ProgramRow {
    int index = 0;  // program index in the component's enumeration
    long kind = 0;  // 1 = system patch
    std::wstring displayName, keyName, publisher, installLocation, uninstallString;
    // Where its uninstall key lives, as the registry editor names it, and which of the three
    // Uninstall keys that is.
    std::wstring keyPath;
    ProgramSource source = ProgramSource::Machine;
    // What Uninstall runs: what Windows' own program list would run for the entry.
    std::wstring uninstallCommand;
    long iconIndex = 0;
};

struct ScreenSaverRow {
    int index = 0;
    std::wstring fileName, title, publisher, directory, lastUsed;
    long iconIndex = 0;
    unsigned long size = 0;
};

// Refreshes the component and reads every program / screen saver. Icon lookups cost a file
// system and shell call each, so callers that show no icons leave them out.
enum class RowIcons { Read, Skip };
std::vector<ProgramRow> ReadProgramRows(IProgramList* list, RowIcons icons = RowIcons::Read);
// One program of the last refresh; nothing when the component has no entry for the index.
std::optional<ProgramRow> ReadProgram(IProgramList* list, int index, RowIcons icons = RowIcons::Skip);
std::vector<ScreenSaverRow> ReadScreenSaverRows(IProgramList* list, RowIcons icons = RowIcons::Read);

}  // namespace purgeon
