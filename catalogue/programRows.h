#pragma once
// The program page's data, read from the catalogue component as plain rows: the list and the
// details chooser, the status-bar link, info tips, the sort order, the search, the details.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/DoffkitLib_TLB.h"
#include "catalogue/ProgramList.h"

namespace purgeon {

// One row of the program list. Its kind is data: a program whose name begins with "[" is a
// program all the same, although screen saver captions are "[...]..." too. A row names what it
// shows by its key path or file, never by a place in a listing, so a command on it reaches that
// program or nothing, however the catalogue changed since the list was filled.
enum class RowKind { Program, ScreenSaver };
// A program row's icon before it was looked up: the window reads the icons of the rows it shows.
inline constexpr int kIconNotRead = -1;
struct ListRow {
    RowKind kind = RowKind::Program;
    std::wstring keyPath;    // a program row's uninstall key, as the registry editor names it
    std::wstring saverPath;  // a screen saver row's file
    std::wstring caption, publisher, directory;
    int image = 0;
};

// One entry of the details window's program chooser.
struct ChooserItem {
    std::wstring caption;
    std::wstring keyPath;
    int image = 0;
};

struct ProgramListFill {
    std::vector<ListRow> rows;          // programs first, then screen savers
    std::vector<ChooserItem> chooser;   // the program rows only
    std::vector<ProgramRow> programs;   // every program read, shown or hidden by a filter
    int sysPatchCount = 0;              // system patches met, hidden or not
    bool complete = false;              // false when a null entry ended the fill early
    std::wstring countsText;            // empty when the fill ended early (the label keeps its text)
};

// Refreshes the catalogue and builds everything a fill of the program list needs from one
// reading of it, applying the two filters. Throws UserError on a failed component call; `out`
// then holds the rows read so far.
// With RowIcons::Skip the program rows' icons are kIconNotRead (screen savers' are read).
void ReadProgramListFill(IProgramList* list, bool hideSysPatch, bool hideScreenSaver, ProgramListFill& out,
                         RowIcons icons = RowIcons::Read);

// The status bar of a selected program row: its key name and its web link (about, else help,
// else update link; may be empty). nullopt when the program's entry is gone.
struct StatusBarInfo {
    std::wstring keyName;
    std::wstring link;
};
std::optional<StatusBarInfo> ReadStatusBarInfo(IProgramList* list, const std::wstring& keyPath);

// Registry text is never handed to the shell as it stands: only web and mail addresses are
// opened as links, and only existing folders from the Directory column.
bool IsOpenableWebLink(std::wstring_view target);
bool IsOpenableFolder(const std::wstring& path);
// The folder to hand to the shell (enclosing blanks and quotes removed); nullopt unless
// IsOpenableFolder holds.
std::optional<std::wstring> OpenableFolderPath(const std::wstring& path);

// "Rarely" (0-2), "Occasionally" (3-10), "Frequently" (11 and more), from the text table.
std::wstring FrequencyText(unsigned long useCount);

// The comment an entry shows among its values (the user's note on the program); empty without one.
std::wstring ReadEntryComment(IProgramEntry* entry);
// The entry's estimated size in bytes, exactly (0 when it has none).
ULONGLONG ReadEntrySizeBytes(IProgramEntry* entry);

// The info tip of a row; nullopt leaves the tip as the list offers it.
std::optional<std::wstring> BuildInfoTip(IProgramList* list, const ListRow& row);

// Sort comparison of two rows for a column: 0 compares captions, 1 and 2 the sub-items
// formatted with "%10s"; case-insensitive for ASCII letters; negated when descending.
int CompareRows(const ListRow& a, const ListRow& b, int column, bool ascending);

// The next row at or after `start` whose caption contains `text` (ASCII case-insensitive).
std::optional<int> FindNextRow(const std::vector<std::wstring>& captions, std::wstring_view text, int start);

// The details window's two tabs for one program.
struct DetailsRow {
    std::wstring name, value;
};
struct ProgramDetails {
    std::vector<DetailsRow> properties;  // Program Properties, rows present by their conditions
    std::vector<DetailsRow> registry;    // Registry Values, in the component's order
    bool loaded = false;                 // the entry was found and its key loaded
};
// nullopt when the program's entry is gone. Throws UserError on a failed call.
std::optional<ProgramDetails> ReadProgramDetails(IProgramList* list, const std::wstring& keyPath);
// The same into `out`: false when there is no entry. When it throws, `out` holds the rows read
// so far, and `loaded` tells whether the program's key was reached at all.
bool ReadProgramDetailsInto(IProgramList* list, const std::wstring& keyPath, ProgramDetails& out);
// Bytes as "%.2f MB" in megabytes (bytes / 1048576), with the user's decimal separator.
std::wstring FormatMegabytes(double bytes);

}  // namespace purgeon
