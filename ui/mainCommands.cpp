// The main window's command table and the rules that turn it into menus and control states.
#include "ui/mainCommands.h"

#include <algorithm>

#include "ui/frmMain.h"

namespace purgeon {

namespace {

using P = CommandPlace;

bool OnProgramPage(const CommandState& s) { return s.page == 0; }
bool ProgramRowSelected(const CommandState& s) { return s.programRow == SelectedRowKind::Program; }
bool ProgramRowOnProgramPage(const CommandState& s) { return s.page == 0 && ProgramRowSelected(s); }
// Several rows selected: Uninstall takes them all into a batch.
bool AnyRowSelected(const CommandState& s) { return s.programRow != SelectedRowKind::None || s.selectedRows > 1; }
bool ProgramsSelected(const CommandState& s) {
    return s.page == 0 && (s.programRow == SelectedRowKind::Program || s.selectedRows > 1);
}
bool ScreenSaverRowSelected(const CommandState& s) { return s.programRow == SelectedRowKind::ScreenSaver; }
bool NotOnProgramPage(const CommandState& s) { return s.page != 0; }
bool NotOnStartupPage(const CommandState& s) { return s.page != 1; }
bool StartupRowSelected(const CommandState& s) { return s.page == 1 && s.startupRowSelected; }
bool AllDisabledLast(const CommandState& s) { return !s.allEnabled; }

bool GridShown(const CommandState& s) { return s.grid; }
bool TipsShown(const CommandState& s) { return s.tips; }
bool IconView(const CommandState& s) { return s.viewMode == ActionViewIcon; }
bool ListView(const CommandState& s) { return s.viewMode == ActionViewList; }
bool ReportView(const CommandState& s) { return s.viewMode == ActionViewReport; }
bool SysPatchHidden(const CommandState& s) { return s.hideSysPatch; }
bool ScreenSaverHidden(const CommandState& s) { return s.hideScreenSaver; }

PlacementText Text(TextKey key) { return PlacementText{key}; }
// Title-bar glyph buttons keep their own caption.
const PlacementText kOwnCaption{};

}  // namespace

const std::vector<Command>& MainCommands() {
    using F = TMainForm;
    static const std::vector<Command> commands = {
        {ActionAddNew, L"ActionAddNew", {{P::FileMenu, 0, Text(IDS_MAINFORM_MENU_FILE_NewProgram)}},
         nullptr, nullptr, &F::ActionAddNewExecute},
        {ActionExportReg, L"ActionExportReg",
         {{P::FileMenu, 3, Text(IDS_MAINFORM_MENU_FILE_ExportRegInfo), OnProgramPage},
          {P::ProgramRowMenu, 4, Text(IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo)}},
         ProgramRowSelected, nullptr, &F::ActionExportRegExecute},
        {ActionReloadReg, L"ActionReloadReg", {{P::FileMenu, 4, Text(IDS_MAINFORM_MENU_FILE_ReloadRegInfo)}},
         nullptr, nullptr, &F::ActionReloadRegExecute},
        {ActionCreateBackup, L"ActionCreateBackup", {{P::FileMenu, 5, Text(IDS_MAINFORM_MENU_FILE_CreateBackup)}},
         nullptr, nullptr, &F::ActionCreateBackupExecute},
        {ActionExporetList, L"ActionExporetList", {{P::FileMenu, 6, Text(IDS_MAINFORM_MENU_FILE_ExportPrmList)}},
         nullptr, nullptr, &F::ActionExporetListExecute},
        {ActionUndoCleanup, L"ActionUndoCleanup", {{P::FileMenu, 7, Text(IDS_MAINFORM_MENU_FILE_UndoCleanup)}},
         nullptr, nullptr, &F::ActionUndoCleanupExecute},
        {ActionExit, L"ActionExit", {{P::FileMenu, 9, Text(IDS_MAINFORM_MENU_FILE_Exit)}, {P::Button, 0, kOwnCaption}},
         nullptr, nullptr, &F::ActionExitExecute},
        {ActionGrid, L"ActionGrid", {{P::ViewMenu, 0, Text(IDS_MAINFORM_MENU_VIEW_Grid)}}, nullptr, GridShown,
         &F::ActionGridExecute},
        {ActionInfoTips, L"ActionInfoTips", {{P::ViewMenu, 1, Text(IDS_MAINFORM_MENU_VIEW_Tips)}}, nullptr, TipsShown,
         &F::ActionInfoTipsExecute},
        {ActionViewIcon, L"ActionViewIcon",
         {{P::ViewMenu, 3, Text(IDS_MAINFORM_MENU_VIEW_Icon), OnProgramPage},
          {P::RowViewMenu, 0, Text(IDS_LISTVIEW_RIGHTCLICK_ViewIcon)}},
         nullptr, IconView, &F::ActionViewIconExecute},
        {ActionViewList, L"ActionViewList",
         {{P::ViewMenu, 4, Text(IDS_MAINFORM_MENU_VIEW_List), OnProgramPage},
          {P::RowViewMenu, 1, Text(IDS_LISTVIEW_RIGHTCLICK_ViewList)}},
         nullptr, ListView, &F::ActionViewListExecute},
        {ActionViewReport, L"ActionViewReport",
         {{P::ViewMenu, 5, Text(IDS_MAINFORM_MENU_VIEW_Report), OnProgramPage},
          {P::RowViewMenu, 2, Text(IDS_LISTVIEW_RIGHTCLICK_ViewReport)}},
         nullptr, ReportView, &F::ActionViewReportExecute},
        {ActionRefresh, L"ActionRefresh",
         {{P::ViewMenu, 7, Text(IDS_MAINFORM_MENU_VIEW_Refresh)},
          {P::StartupRowMenu, 2, Text(IDS_LISTVIEW_RIGHTCLICK_Refresh)},
          {P::Button, 0, Text(IDS_SIDEBAR_BUTTON_Refresh)}},
         nullptr, nullptr, &F::ActionRefreshExecute, Trigger::F5},
        {ActionComment, L"ActionComment",
         {{P::ToolsMenu, 0, Text(IDS_MAINFORM_MENU_TOOLS_CommentEntry)},
          {P::ProgramRowMenu, 2, Text(IDS_LISTVIEW_RIGHTCLICK_CommentEntry)}},
         ProgramRowOnProgramPage, nullptr, &F::ActionCommentExecute},
        {ActionRegedit, L"ActionRegedit",
         {{P::ToolsMenu, 1, Text(IDS_MAINFORM_MENU_TOOLS_Regedit)},
          {P::ProgramRowMenu, 3, Text(IDS_LISTVIEW_RIGHTCLICK_RegistryEditor)}},
         ProgramRowOnProgramPage, nullptr, &F::ActionRegeditExecute},
        {ActionWinUpdate, L"ActionWinUpdate", {{P::ToolsMenu, 3, Text(IDS_MAINFORM_MENU_TOOLS_WindowsUpdate)}},
         nullptr, nullptr, &F::ActionWinUpdateExecute},
        {ActionWinServices, L"ActionWinServices", {{P::ToolsMenu, 4, Text(IDS_MAINFORM_MENU_TOOLS_WindowsServices)}},
         nullptr, nullptr, &F::ActionWinServicesExecute},
        {ActionWinComponents, L"ActionWinComponents",
         {{P::ToolsMenu, 5, Text(IDS_MAINFORM_MENU_TOOLS_WindowsComponents)}}, nullptr, nullptr,
         &F::ActionWinComponentsExecute},
        {ActionFindLeftovers, L"ActionFindLeftovers", {{P::ToolsMenu, 7, Text(IDS_MAINFORM_MENU_TOOLS_FindLeftovers)}},
         nullptr, nullptr, &F::ActionFindLeftoversExecute},
        {ActionHelpContent, L"ActionHelpContent",
         {{P::HelpMenu, 0, Text(IDS_MAINFORM_MENU_HELP_HelpContent)}, {P::Button, 0, kOwnCaption}}, nullptr,
         nullptr, &F::ActionHelpContentExecute, Trigger::F1},
        {ActionOnlineRes, L"ActionOnlineRes", {{P::HelpMenu, 2, Text(IDS_MAINFORM_MENU_HELP_OnlineRes)}}, nullptr,
         nullptr, &F::ActionOnlineResExecute},
        {ActionContact, L"ActionContact", {{P::HelpMenu, 3, Text(IDS_MAINFORM_MENU_HELP_Contact)}}, nullptr, nullptr,
         &F::ActionContactExecute},
        {ActionAbout, L"ActionAbout", {{P::HelpMenu, 5, Text(IDS_MAINFORM_MENU_HELP_About)}}, nullptr, nullptr,
         &F::ActionAboutExecute},
        // For a screen saver row the Uninstall places read "Delete" and hand over to ActionDeleteScr.
        {ActionUninstall, L"ActionUninstall",
         {{P::ProgramRowMenu, 0,
           {IDS_LISTVIEW_RIGHTCLICK_Uninstall, IDS_SIDEBAR_BUTTON_DeleteScr, ScreenSaverRowSelected}},
          {P::Button, 0, {IDS_SIDEBAR_BUTTON_Uninstall, IDS_SIDEBAR_BUTTON_DeleteScr, ScreenSaverRowSelected}}},
         AnyRowSelected, nullptr, &F::ActionUninstallExecute, Trigger::DoubleClick},
        {ActionUninstallSelected, L"ActionUninstallSelected",
         {{P::FileMenu, 1, Text(IDS_MAINFORM_MENU_FILE_UninstallSelected), OnProgramPage},
          {P::ProgramRowMenu, 1, Text(IDS_LISTVIEW_RIGHTCLICK_UninstallSelected)}},
         ProgramsSelected, nullptr, &F::ActionUninstallSelectedExecute},
        {ActionDeleteScr, L"ActionDeleteScr", {}, ScreenSaverRowSelected, nullptr, &F::ActionDeleteScrExecute},
        {ActionShowDetails, L"ActionShowDetails",
         {{P::ProgramRowMenu, 6, Text(IDS_LISTVIEW_RIGHTCLICK_ShowDetails)},
          {P::Button, 0, Text(IDS_SIDEBAR_BUTTON_SHOWDETAILS)}},
         ProgramRowSelected, nullptr, &F::ActionShowDetailsExecute},
        {ActionSearch, L"ActionSearch", {{P::Button, 0, Text(IDS_SIDEBAR_GROUPBOX_BUTTON_Search)}}, nullptr, nullptr,
         &F::ActionSearchExecute},
        {ActionHideSysPatch, L"ActionHideSysPatch", {{P::CheckBox, 0, Text(IDS_SIDEBAR_CHECKBOX_HideSysPatch)}},
         nullptr, SysPatchHidden, &F::ActionHideSysPatchExecute},
        {ActionHideScr, L"ActionHideScr", {{P::CheckBox, 0, Text(IDS_SIDEBAR_CHECKBOX_HideScr)}}, nullptr,
         ScreenSaverHidden, &F::ActionHideScrExecute},
        {ActionTabProgramList, L"ActionTabProgramList", {{P::Button, 0, Text(IDS_PAGECONTROL_TABSHEETPL_Title)}},
         NotOnProgramPage, nullptr, &F::ActionTabProgramListExecute},
        {ActionTabStartupItems, L"ActionTabStartupItems", {{P::Button, 0, Text(IDS_PAGECONTROL_TABSHEETSIL_Title)}},
         NotOnStartupPage, nullptr, &F::ActionTabStartupItemsExecute},
        {ActionMin, L"ActionMin", {{P::Button, 0, kOwnCaption}}, nullptr, nullptr, &F::ActionMinExecute},
        {ActionApply, L"ActionApply", {{P::Button, 0, Text(IDS_SIDEBAR_BUTTON_Apply)}}, nullptr, nullptr,
         &F::ActionApplyExecute},
        {ActionSelectAll, L"ActionSelectAll",
         {{P::Button, 0, {IDS_SIDEBAR_BUTTON_UnSelectAll, IDS_SIDEBAR_BUTTON_SelectAll, AllDisabledLast}}}, nullptr,
         nullptr, &F::ActionSelectAllExecute},
        {ActionDelete, L"ActionDelete",
         {{P::StartupRowMenu, 1, Text(IDS_LISTVIEW_RIGHTCLICK_DeleteItem)}, {P::Button, 0, Text(IDS_SIDEBAR_BUTTON_Delete)}},
         StartupRowSelected, nullptr, &F::ActionDeleteExecute},
        {ActionAddItem, L"ActionAddItem", {{P::StartupRowMenu, 0, Text(IDS_LISTVIEW_RIGHTCLICK_AddItem)}}, nullptr,
         nullptr, &F::ActionAddItemExecute},
    };
    return commands;
}

const std::vector<SubmenuItem>& MainSubmenus() {
    static const std::vector<SubmenuItem> submenus = {
        {P::ViewMenu, 8, IDS_MAINFORM_MENU_VIEW_Languages, P::LanguagesMenu},
        {P::ProgramRowMenu, 8, IDS_LISTVIEW_RIGHTCLICK_View, P::RowViewMenu},
    };
    return submenus;
}

const Command* FindCommand(ActionId id) {
    for (const Command& command : MainCommands())
        if (command.id == id) return &command;
    return nullptr;
}

bool CommandEnabled(const Command& command, const CommandState& state) {
    return command.execute && (!command.enabled || command.enabled(state));
}

bool CommandChecked(const Command& command, const CommandState& state) {
    return command.checked && command.checked(state);
}

namespace {

std::optional<TextKey> TextIn(const PlacementText& text, const CommandState& state) {
    if (text.alternate && text.useAlternate && text.useAlternate(state)) return text.alternate;
    return text.normal;
}

}  // namespace

std::vector<MenuItemUi> MenuLayout(CommandPlace menu, const CommandState& state) {
    struct Placed {
        int position;
        MenuItemUi item;
    };
    std::vector<Placed> placed;
    for (const Command& command : MainCommands()) {
        for (const Placement& placement : command.placements) {
            if (placement.place != menu || (placement.shown && !placement.shown(state))) continue;
            MenuItemUi item;
            item.id = command.id;
            item.text = TextIn(placement.text, state).value_or(TextKey{});
            item.enabled = CommandEnabled(command, state);
            item.checked = CommandChecked(command, state);
            placed.push_back({placement.position, item});
        }
    }
    for (const SubmenuItem& submenu : MainSubmenus()) {
        if (submenu.parent != menu) continue;
        MenuItemUi item;
        item.kind = MenuItemUi::Kind::Submenu;
        item.text = submenu.text;
        item.submenu = submenu.submenu;
        placed.push_back({submenu.position, item});
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Placed& a, const Placed& b) { return a.position < b.position; });
    std::vector<MenuItemUi> items;
    for (size_t i = 0; i < placed.size(); ++i) {
        if (i > 0 && placed[i].position > placed[i - 1].position + 1) {
            MenuItemUi separator;
            separator.kind = MenuItemUi::Kind::Separator;
            items.push_back(separator);
        }
        items.push_back(placed[i].item);
    }
    return items;
}

std::optional<ControlUi> ControlLayout(ActionId id, const CommandState& state) {
    const Command* command = FindCommand(id);
    if (!command) return std::nullopt;
    for (const Placement& placement : command->placements) {
        if (placement.place != CommandPlace::Button && placement.place != CommandPlace::CheckBox) continue;
        ControlUi control;
        control.enabled = CommandEnabled(*command, state);
        control.checked = CommandChecked(*command, state);
        control.text = TextIn(placement.text, state);
        return control;
    }
    return std::nullopt;
}

const Command* CommandOfTrigger(Trigger trigger) {
    for (const Command& command : MainCommands())
        if (command.trigger == trigger) return &command;
    return nullptr;
}

}  // namespace purgeon
