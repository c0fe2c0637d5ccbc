#pragma once
// The main window's commands as data: one entry per command says where it appears (menu and
// position, row menu, side-panel button), which text it shows there, when it is enabled or
// checked, and which handler runs it. Menus, texts, enabling and the page-dependent items are
// all worked out from the table by the pure functions below, so they can be tested without a
// window; the window only applies their results to its controls.
#include <windows.h>

#include <optional>
#include <vector>

#include "i18n/multiLangs.h"

namespace purgeon {

class TMainForm;

// Command ids: every button and menu item carries the id of the command it runs.
enum ActionId : int {
    ActionAddNew = 1001,
    ActionExportReg,
    ActionReloadReg,
    ActionCreateBackup,
    ActionExporetList,
    ActionExit,
    ActionGrid,
    ActionInfoTips,
    ActionViewIcon,
    ActionViewList,
    ActionViewReport,
    ActionRefresh,
    ActionComment,
    ActionRegedit,
    ActionWinUpdate,
    ActionWinServices,
    ActionWinComponents,
    ActionHelpContent,
    ActionOnlineRes,
    ActionContact,
    ActionAbout,
    ActionUninstall,
    ActionDeleteScr,
    ActionShowDetails,
    ActionSearch,
    ActionHideSysPatch,
    ActionHideScr,
    ActionTabProgramList,
    ActionTabStartupItems,
    ActionMin,
    ActionApply,
    ActionSelectAll,
    ActionDelete,
    ActionAddItem,
    ActionUndoCleanup,
    ActionUninstallSelected,
    ActionFindLeftovers,
    kLanguageItemFirst = 1500,  // Languages submenu items, one per file
};

// The window's menus, and the controls that run a command.
enum class CommandPlace {
    FileMenu,
    ViewMenu,
    ToolsMenu,
    HelpMenu,
    ProgramRowMenu,
    RowViewMenu,     // the program row menu's View submenu
    StartupRowMenu,
    LanguagesMenu,   // the View menu's Languages submenu: its items come from the language files
    Button,          // a button or page button with the command's id
    CheckBox,        // a check box with the command's id; shows the command's check mark
};

enum class SelectedRowKind { None, Program, ScreenSaver };

// Everything the availability and check rules look at.
struct CommandState {
    int page = 0;  // 0 program list, 1 startup items
    // The selected row's kind while exactly one row is selected; None for none or several, so a
    // command on one program never picks one of several.
    SelectedRowKind programRow = SelectedRowKind::None;
    int selectedRows = 0;  // rows of the program list selected, programs and screen savers
    bool startupRowSelected = false;
    bool allEnabled = true;  // the startup page's Disable All / Enable All toggle
    bool grid = false;
    bool tips = true;
    ActionId viewMode = ActionViewReport;
    bool hideSysPatch = false;
    bool hideScreenSaver = true;
};

using StateRule = bool (*)(const CommandState&);

// The text a placement shows: `alternate` instead of `normal` while `useAlternate` holds.
struct PlacementText {
    std::optional<TextKey> normal;  // none: the control keeps its own caption (title-bar glyphs)
    std::optional<TextKey> alternate = std::nullopt;
    StateRule useAlternate = nullptr;
};

struct Placement {
    CommandPlace place;
    int position;  // in its menu, separators counted; 0 for controls
    PlacementText text;
    StateRule shown = nullptr;  // null: always there; else taken out of its menu while false
};

// What starts a command besides its menu items and controls.
enum class Trigger { None, F1, F5, DoubleClick };

struct Command {
    ActionId id;
    const wchar_t* name;  // the action's name, as error reports and tests call it
    std::vector<Placement> placements;
    StateRule enabled;  // null: always enabled
    StateRule checked;  // null: never checked
    void (TMainForm::*execute)();  // what it runs; every command has one
    Trigger trigger = Trigger::None;
};

// A submenu item of a menu.
struct SubmenuItem {
    CommandPlace parent;
    int position;
    TextKey text;
    CommandPlace submenu;
};

// The window's table, in the order of the action list.
const std::vector<Command>& MainCommands();
const std::vector<SubmenuItem>& MainSubmenus();
const Command* FindCommand(ActionId id);

// One item of a menu as the state wants it.
struct MenuItemUi {
    enum class Kind { Command, Separator, Submenu } kind = Kind::Command;
    int id = 0;  // ActionId of a command item
    TextKey text{};
    bool enabled = true;
    bool checked = false;
    CommandPlace submenu = CommandPlace::FileMenu;  // of a submenu item
};

// A menu's items in order: the commands and submenus placed in it and shown in this state, with
// one separator wherever the positions leave a gap (so a removed item never leaves two).
std::vector<MenuItemUi> MenuLayout(CommandPlace menu, const CommandState& state);

// A command's button or check box as the state wants it.
struct ControlUi {
    bool enabled = true;
    bool checked = false;
    std::optional<TextKey> text;
};
std::optional<ControlUi> ControlLayout(ActionId id, const CommandState& state);

bool CommandEnabled(const Command& command, const CommandState& state);
bool CommandChecked(const Command& command, const CommandState& state);

// The command a trigger starts, if any.
const Command* CommandOfTrigger(Trigger trigger);

}  // namespace purgeon
