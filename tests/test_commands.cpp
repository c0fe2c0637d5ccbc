// The main window's command table against the window's design: every action where it belongs,
// with its text key, enabled and checked exactly when the design says; and the layout arithmetic
// of the side panels and the status bar.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "ui/frmMain.h"
#include "ui/mainCommands.h"
#include "ui/mainLayout.h"

using namespace purgeon;

namespace {

using Kind = MenuItemUi::Kind;
using P = CommandPlace;

// One expected menu item: a command with its text key, a separator, or a submenu.
struct Item {
    Kind kind;
    int id = 0;
    TextKey text{};
    P submenu = P::FileMenu;
};
Item Cmd(ActionId id, TextKey text) { return {Kind::Command, id, text}; }
const Item Sep{Kind::Separator};
Item Sub(TextKey text, P submenu) { return {Kind::Submenu, 0, text, submenu}; }

void ExpectMenu(P menu, const CommandState& state, const std::vector<Item>& expected, const char* what) {
    const std::vector<MenuItemUi> items = MenuLayout(menu, state);
    ASSERT_EQ(items.size(), expected.size()) << what;
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].kind, expected[i].kind) << what << " item " << i;
        if (expected[i].kind == Kind::Separator) continue;
        EXPECT_EQ(items[i].text, expected[i].text) << what << " item " << i;
        if (expected[i].kind == Kind::Command) {
            EXPECT_EQ(items[i].id, expected[i].id) << what << " item " << i;
        }
        if (expected[i].kind == Kind::Submenu) {
            EXPECT_EQ(items[i].submenu, expected[i].submenu) << what << " item " << i;
        }
    }
}

CommandState ProgramSelected() {
    CommandState state;
    state.programRow = SelectedRowKind::Program;
    return state;
}

// Commands whose work later changes bring; until then they are offered disabled.
const std::set<int> kNotYetBuilt = {};

// When each action may run, as the window's design puts it.
bool DesignEnables(ActionId id, const CommandState& s) {
    const bool program = s.programRow == SelectedRowKind::Program;
    switch (id) {
        case ActionExportReg:
        case ActionShowDetails: return program;
        case ActionComment:
        case ActionRegedit: return program && s.page == 0;  // the startup page disables both
        case ActionUninstall: return s.programRow != SelectedRowKind::None || s.selectedRows > 1;
        // Several rows, or one program, on the program page.
        case ActionUninstallSelected:
            return s.page == 0 && (program || s.selectedRows > 1);
        case ActionDeleteScr: return s.programRow == SelectedRowKind::ScreenSaver;
        case ActionTabProgramList: return s.page != 0;
        case ActionTabStartupItems: return s.page != 1;
        case ActionDelete: return s.page == 1 && s.startupRowSelected;
        default: return true;
    }
}

}  // namespace

TEST(CommandTable, HoldsEveryActionOnceByItsName) {
    const std::map<int, std::wstring> names = {
        {ActionAddNew, L"ActionAddNew"}, {ActionExportReg, L"ActionExportReg"}, {ActionReloadReg, L"ActionReloadReg"},
        {ActionCreateBackup, L"ActionCreateBackup"}, {ActionExporetList, L"ActionExporetList"},
        {ActionExit, L"ActionExit"}, {ActionGrid, L"ActionGrid"}, {ActionInfoTips, L"ActionInfoTips"},
        {ActionViewIcon, L"ActionViewIcon"}, {ActionViewList, L"ActionViewList"},
        {ActionViewReport, L"ActionViewReport"}, {ActionRefresh, L"ActionRefresh"}, {ActionComment, L"ActionComment"},
        {ActionRegedit, L"ActionRegedit"}, {ActionWinUpdate, L"ActionWinUpdate"},
        {ActionWinServices, L"ActionWinServices"}, {ActionWinComponents, L"ActionWinComponents"},
        {ActionHelpContent, L"ActionHelpContent"}, {ActionOnlineRes, L"ActionOnlineRes"},
        {ActionContact, L"ActionContact"}, {ActionAbout, L"ActionAbout"}, {ActionUninstall, L"ActionUninstall"},
        {ActionDeleteScr, L"ActionDeleteScr"}, {ActionShowDetails, L"ActionShowDetails"},
        {ActionSearch, L"ActionSearch"}, {ActionHideSysPatch, L"ActionHideSysPatch"},
        {ActionHideScr, L"ActionHideScr"}, {ActionTabProgramList, L"ActionTabProgramList"},
        {ActionTabStartupItems, L"ActionTabStartupItems"}, {ActionMin, L"ActionMin"}, {ActionApply, L"ActionApply"},
        {ActionSelectAll, L"ActionSelectAll"}, {ActionDelete, L"ActionDelete"}, {ActionAddItem, L"ActionAddItem"},
        {ActionUndoCleanup, L"ActionUndoCleanup"}, {ActionUninstallSelected, L"ActionUninstallSelected"},
        {ActionFindLeftovers, L"ActionFindLeftovers"}};
    std::set<int> seen;
    for (const Command& command : MainCommands()) {
        EXPECT_TRUE(seen.insert(command.id).second) << "twice: " << command.id;
        auto name = names.find(command.id);
        ASSERT_NE(name, names.end()) << "not an action of the window: " << command.id;
        EXPECT_EQ(name->second, command.name);
        EXPECT_EQ(command.execute == nullptr, kNotYetBuilt.count(command.id) == 1) << name->first;
    }
    EXPECT_EQ(seen.size(), names.size());
    // No two items claim the same place in a menu.
    std::set<std::pair<P, int>> places;
    for (const Command& command : MainCommands())
        for (const Placement& placement : command.placements)
            if (placement.place != P::Button && placement.place != P::CheckBox) {
                EXPECT_TRUE(places.insert({placement.place, placement.position}).second) << command.id;
            }
    for (const SubmenuItem& submenu : MainSubmenus())
        EXPECT_TRUE(places.insert({submenu.parent, submenu.position}).second);
}

TEST(CommandTable, MenusHoldTheirItemsInTheirOrderWithTheirTexts) {
    const CommandState page0 = ProgramSelected();
    ExpectMenu(P::FileMenu, page0,
               {Cmd(ActionAddNew, IDS_MAINFORM_MENU_FILE_NewProgram),
                Cmd(ActionUninstallSelected, IDS_MAINFORM_MENU_FILE_UninstallSelected), Sep,
                Cmd(ActionExportReg, IDS_MAINFORM_MENU_FILE_ExportRegInfo),
                Cmd(ActionReloadReg, IDS_MAINFORM_MENU_FILE_ReloadRegInfo),
                Cmd(ActionCreateBackup, IDS_MAINFORM_MENU_FILE_CreateBackup),
                Cmd(ActionExporetList, IDS_MAINFORM_MENU_FILE_ExportPrmList),
                Cmd(ActionUndoCleanup, IDS_MAINFORM_MENU_FILE_UndoCleanup), Sep,
                Cmd(ActionExit, IDS_MAINFORM_MENU_FILE_Exit)},
               "File");
    ExpectMenu(P::ViewMenu, page0,
               {Cmd(ActionGrid, IDS_MAINFORM_MENU_VIEW_Grid), Cmd(ActionInfoTips, IDS_MAINFORM_MENU_VIEW_Tips), Sep,
                Cmd(ActionViewIcon, IDS_MAINFORM_MENU_VIEW_Icon), Cmd(ActionViewList, IDS_MAINFORM_MENU_VIEW_List),
                Cmd(ActionViewReport, IDS_MAINFORM_MENU_VIEW_Report), Sep,
                Cmd(ActionRefresh, IDS_MAINFORM_MENU_VIEW_Refresh),
                Sub(IDS_MAINFORM_MENU_VIEW_Languages, P::LanguagesMenu)},
               "View");
    ExpectMenu(P::ToolsMenu, page0,
               {Cmd(ActionComment, IDS_MAINFORM_MENU_TOOLS_CommentEntry),
                Cmd(ActionRegedit, IDS_MAINFORM_MENU_TOOLS_Regedit), Sep,
                Cmd(ActionWinUpdate, IDS_MAINFORM_MENU_TOOLS_WindowsUpdate),
                Cmd(ActionWinServices, IDS_MAINFORM_MENU_TOOLS_WindowsServices),
                Cmd(ActionWinComponents, IDS_MAINFORM_MENU_TOOLS_WindowsComponents), Sep,
                Cmd(ActionFindLeftovers, IDS_MAINFORM_MENU_TOOLS_FindLeftovers)},
               "Tools");
    ExpectMenu(P::HelpMenu, page0,
               {Cmd(ActionHelpContent, IDS_MAINFORM_MENU_HELP_HelpContent), Sep,
                Cmd(ActionOnlineRes, IDS_MAINFORM_MENU_HELP_OnlineRes),
                Cmd(ActionContact, IDS_MAINFORM_MENU_HELP_Contact), Sep,
                Cmd(ActionAbout, IDS_MAINFORM_MENU_HELP_About)},
               "Help");
    ExpectMenu(P::ProgramRowMenu, page0,
               {Cmd(ActionUninstall, IDS_LISTVIEW_RIGHTCLICK_Uninstall),
                Cmd(ActionUninstallSelected, IDS_LISTVIEW_RIGHTCLICK_UninstallSelected),
                Cmd(ActionComment, IDS_LISTVIEW_RIGHTCLICK_CommentEntry),
                Cmd(ActionRegedit, IDS_LISTVIEW_RIGHTCLICK_RegistryEditor),
                Cmd(ActionExportReg, IDS_LISTVIEW_RIGHTCLICK_ExportRegInfo), Sep,
                Cmd(ActionShowDetails, IDS_LISTVIEW_RIGHTCLICK_ShowDetails), Sep,
                Sub(IDS_LISTVIEW_RIGHTCLICK_View, P::RowViewMenu)},
               "program row");
    ExpectMenu(P::RowViewMenu, page0,
               {Cmd(ActionViewIcon, IDS_LISTVIEW_RIGHTCLICK_ViewIcon),
                Cmd(ActionViewList, IDS_LISTVIEW_RIGHTCLICK_ViewList),
                Cmd(ActionViewReport, IDS_LISTVIEW_RIGHTCLICK_ViewReport)},
               "row view");
    ExpectMenu(P::StartupRowMenu, page0,
               {Cmd(ActionAddItem, IDS_LISTVIEW_RIGHTCLICK_AddItem), Cmd(ActionDelete, IDS_LISTVIEW_RIGHTCLICK_DeleteItem),
                Cmd(ActionRefresh, IDS_LISTVIEW_RIGHTCLICK_Refresh)},
               "startup row");

    // The startup page takes the view modes, Uninstall Selected and Export Registry Info out,
    // leaving one separator.
    CommandState page1;
    page1.page = 1;
    ExpectMenu(P::FileMenu, page1,
               {Cmd(ActionAddNew, IDS_MAINFORM_MENU_FILE_NewProgram), Sep,
                Cmd(ActionReloadReg, IDS_MAINFORM_MENU_FILE_ReloadRegInfo),
                Cmd(ActionCreateBackup, IDS_MAINFORM_MENU_FILE_CreateBackup),
                Cmd(ActionExporetList, IDS_MAINFORM_MENU_FILE_ExportPrmList),
                Cmd(ActionUndoCleanup, IDS_MAINFORM_MENU_FILE_UndoCleanup), Sep,
                Cmd(ActionExit, IDS_MAINFORM_MENU_FILE_Exit)},
               "File on the startup page");
    ExpectMenu(P::ViewMenu, page1,
               {Cmd(ActionGrid, IDS_MAINFORM_MENU_VIEW_Grid), Cmd(ActionInfoTips, IDS_MAINFORM_MENU_VIEW_Tips), Sep,
                Cmd(ActionRefresh, IDS_MAINFORM_MENU_VIEW_Refresh),
                Sub(IDS_MAINFORM_MENU_VIEW_Languages, P::LanguagesMenu)},
               "View on the startup page");

    // For a screen saver row, Uninstall's places read "Delete".
    CommandState saver;
    saver.programRow = SelectedRowKind::ScreenSaver;
    EXPECT_EQ(MenuLayout(P::ProgramRowMenu, saver).front().text, IDS_SIDEBAR_BUTTON_DeleteScr);
    EXPECT_EQ(ControlLayout(ActionUninstall, saver)->text, IDS_SIDEBAR_BUTTON_DeleteScr);
    EXPECT_EQ(ControlLayout(ActionUninstall, page0)->text, IDS_SIDEBAR_BUTTON_Uninstall);
}

TEST(CommandTable, ControlsShowTheirTexts) {
    const std::pair<ActionId, std::optional<TextKey>> controls[] = {
        {ActionShowDetails, IDS_SIDEBAR_BUTTON_SHOWDETAILS},
        {ActionRefresh, IDS_SIDEBAR_BUTTON_Refresh},
        {ActionSearch, IDS_SIDEBAR_GROUPBOX_BUTTON_Search},
        {ActionHideSysPatch, IDS_SIDEBAR_CHECKBOX_HideSysPatch},
        {ActionHideScr, IDS_SIDEBAR_CHECKBOX_HideScr},
        {ActionTabProgramList, IDS_PAGECONTROL_TABSHEETPL_Title},
        {ActionTabStartupItems, IDS_PAGECONTROL_TABSHEETSIL_Title},
        {ActionApply, IDS_SIDEBAR_BUTTON_Apply},
        {ActionSelectAll, IDS_SIDEBAR_BUTTON_UnSelectAll},
        {ActionDelete, IDS_SIDEBAR_BUTTON_Delete},
        {ActionMin, std::nullopt},  // the title-bar glyphs keep their own captions
        {ActionHelpContent, std::nullopt},
        {ActionExit, std::nullopt},
    };
    for (const auto& [id, text] : controls) {
        std::optional<ControlUi> control = ControlLayout(id, CommandState{});
        ASSERT_TRUE(control) << id;
        EXPECT_EQ(control->text, text) << id;
    }
    // The toggle reads "Enable All" once the last row was unchecked.
    CommandState allDisabled;
    allDisabled.allEnabled = false;
    EXPECT_EQ(ControlLayout(ActionSelectAll, allDisabled)->text, IDS_SIDEBAR_BUTTON_SelectAll);
    EXPECT_FALSE(ControlLayout(ActionGrid, CommandState{}));  // a menu command only
}

TEST(CommandTable, EnablesEachCommandExactlyWhenTheDesignSays) {
    for (int page : {0, 1})
        for (SelectedRowKind row : {SelectedRowKind::None, SelectedRowKind::Program, SelectedRowKind::ScreenSaver})
            for (bool startupRow : {false, true})
                for (int selected : {0, 1, 3}) {
                    if ((row == SelectedRowKind::None) != (selected != 1)) continue;  // one row has a kind, several none
                    CommandState state;
                    state.page = page;
                    state.programRow = row;
                    state.selectedRows = selected;
                    state.startupRowSelected = startupRow;
                    for (const Command& command : MainCommands()) {
                        const bool expected = DesignEnables(command.id, state) && !kNotYetBuilt.count(command.id);
                        EXPECT_EQ(CommandEnabled(command, state), expected)
                            << command.id << " page " << page << " row " << static_cast<int>(row) << " startup "
                            << startupRow << " selected " << selected;
                        // Menu items and controls agree with the command.
                        for (P menu : {P::FileMenu, P::ViewMenu, P::ToolsMenu, P::HelpMenu, P::ProgramRowMenu,
                                       P::RowViewMenu, P::StartupRowMenu})
                            for (const MenuItemUi& item : MenuLayout(menu, state))
                                if (item.kind == Kind::Command && item.id == command.id) {
                                    EXPECT_EQ(item.enabled, expected) << command.id;
                                }
                        if (auto control = ControlLayout(command.id, state)) {
                            EXPECT_EQ(control->enabled, expected);
                        }
                    }
                }
}

TEST(CommandTable, ChecksFollowTheViewAndFilterState) {
    CommandState state;
    EXPECT_TRUE(CommandChecked(*FindCommand(ActionInfoTips), state));  // Tips on and Report at start
    EXPECT_TRUE(CommandChecked(*FindCommand(ActionViewReport), state));
    EXPECT_FALSE(CommandChecked(*FindCommand(ActionGrid), state));
    EXPECT_TRUE(CommandChecked(*FindCommand(ActionHideScr), state));
    EXPECT_FALSE(CommandChecked(*FindCommand(ActionHideSysPatch), state));
    state.viewMode = ActionViewIcon;
    state.grid = true;
    state.hideSysPatch = true;
    // Both menus that offer the view modes show the same one checked.
    for (P menu : {P::ViewMenu, P::RowViewMenu})
        for (const MenuItemUi& item : MenuLayout(menu, state))
            if (item.id == ActionViewIcon || item.id == ActionViewList || item.id == ActionViewReport) {
                EXPECT_EQ(item.checked, item.id == ActionViewIcon) << item.id;
            }
    EXPECT_TRUE(ControlLayout(ActionHideSysPatch, state)->checked);
    EXPECT_EQ(CommandOfTrigger(Trigger::F5)->id, ActionRefresh);
    EXPECT_EQ(CommandOfTrigger(Trigger::F1)->id, ActionHelpContent);
    EXPECT_EQ(CommandOfTrigger(Trigger::DoubleClick)->id, ActionUninstall);
}

TEST(MainLayout, SidePanelsFoldToTheirSizeBar) {
    const SkinRect panel{582, 0, 169, 394}, list{0, 0, 582, 394}, full{0, 0, 742, 394};
    SidePanelLayout open = LayOutSidePanel(panel, list, true);
    EXPECT_EQ(open.panel, panel);
    EXPECT_EQ(open.list, list);
    SidePanelLayout folded = LayOutSidePanel(panel, full, false);
    EXPECT_EQ(folded.panel, (SkinRect{743, 0, 8, 394}));
    EXPECT_EQ(folded.list, (SkinRect{0, 0, 742, 394}));
    // A list wider than the room never runs under the panel, open or folded.
    EXPECT_EQ(LayOutSidePanel(panel, full, true).list.width, 582);
    EXPECT_EQ(LayOutSidePanel(panel, SkinRect{0, 0, 900, 394}, false).list.width, 743);
    // A list that starts right of the panel gets no width; a panel narrower than a bar stays.
    EXPECT_EQ(LayOutSidePanel(panel, SkinRect{600, 0, 100, 10}, true).list.width, 0);
    EXPECT_EQ(LayOutSidePanel(SkinRect{100, 0, 5, 10}, list, false).panel, (SkinRect{100, 0, 5, 10}));
}

TEST(MainLayout, StatusBarLabelsFollowEachOtherAndTheLinkTakesTheRest) {
    RowLayout row = LayOutRow(12, 508, 26, {{60, 0}, {100, 5}, {0, 10, false}, {50, 5}});
    ASSERT_EQ(row.labels.size(), 4u);
    EXPECT_EQ(row.labels[0], (SkinRect{12, 508, 60, 26}));
    EXPECT_EQ(row.labels[1], (SkinRect{77, 508, 100, 26}));
    EXPECT_EQ(row.labels[2], SkinRect{});  // not placed: no room taken
    EXPECT_EQ(row.labels[3], (SkinRect{182, 508, 50, 26}));
    EXPECT_EQ(row.end, 232);
    EXPECT_EQ(RestOfRow(row.end + 10, 508, 26, 763, 12), (SkinRect{242, 508, 509, 26}));
    EXPECT_EQ(RestOfRow(800, 508, 26, 763, 12).width, 0);  // never negative
    EXPECT_EQ(LayOutRow(5, 0, 1, {{-4, 3}}).labels[0].width, 0);
    EXPECT_EQ(LayOutRow(5, 0, 1, {}).end, 5);
}
