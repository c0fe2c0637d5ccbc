#include "ui/frmDetails.h"
#include "ui/uiCommon.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "common/funUtils.h"
#include "common/globals.h"
#include "i18n/multiLangs.h"
#include "ui/frmMain.h"

namespace purgeon {

namespace {

enum ControlId { IDC_LABEL = 100, IDC_PROGRAMS = TDetailsForm::kChooserId, IDC_PAGES, IDC_PROPERTIES, IDC_REGISTRY };
static_assert(IDC_REGISTRY == TDetailsForm::kRegistryListId, "the registry list's id, as tests find it");

// Designed places, in client pixels.
constexpr RECT kLabelRect{8, 14, 92, 30};  // right-aligned: its text ends 4 pixels before the chooser
constexpr int kChooserLeft = 96, kChooserTop = 8, kChooserWidth = 321;
constexpr int kChooserVisibleItems = 8, kChooserItemHeight = 16;
constexpr RECT kPagesRect{8, 48, 8 + 425, 48 + 289};

void SetTabText(HWND tabs, int index, const std::wstring& text) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    TabCtrl_SetItem(tabs, index, &item);
}

void FillList(HWND list, const std::vector<DetailsRow>& rows) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    int at = 0;
    for (const DetailsRow& row : rows) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = at;
        item.pszText = const_cast<wchar_t*>(row.name.c_str());
        int inserted = ListView_InsertItem(list, &item);
        if (inserted < 0) continue;
        ListView_SetItemText(list, inserted, 1, const_cast<wchar_t*>(row.value.c_str()));
        ++at;
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

}  // namespace

TDetailsForm::~TDetailsForm() {
    modalOwner_.reset();
    DestroyFormWindow();
}

bool TDetailsForm::Create(HWND owner, HINSTANCE instance) {
    INITCOMMONCONTROLSEX classes{sizeof(classes), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&classes);
    return CreateForm(owner, instance, kClassName, L"", kClientWidth, kClientHeight, FormSize::Client);
}

void TDetailsForm::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDC_PROGRAMS && code == CBN_SELCHANGE)
        cmbProgramsChange();
    else if (id == IDCANCEL)
        Close();  // Esc, through the dialog keys of the modal loop
}

void TDetailsForm::OnNotify(const NMHDR& header) {
    if (header.hwndFrom == pcProgramDetails_ && header.code == TCN_SELCHANGE)
        ShowPage(TabCtrl_GetCurSel(pcProgramDetails_));
}

void TDetailsForm::FormCreate() {
    HWND hwnd = hwnd_.get();
    font_ = CreateMessageFont(FontLook::Regular, dpi_);
    HFONT font = font_.get();

    lblPrograms_ = MakeControl(hwnd, WC_STATICW, SS_RIGHT | SS_CENTERIMAGE | SS_NOPREFIX, Scaled(kLabelRect), IDC_LABEL,
                               instance_, font);
    // The height of a drop-down combo is its dropped height.
    const RECT chooser = Scaled(RECT{kChooserLeft, kChooserTop, kChooserLeft + kChooserWidth,
                                     kChooserTop + 24 + kChooserVisibleItems * kChooserItemHeight + 2});
    cmbPrograms_ = MakeControl(hwnd, WC_COMBOBOXEXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, chooser, IDC_PROGRAMS,
                               instance_, font);
    // Icon indexes from the catalogue index the system's small-icon list.
    SHFILEINFOW info{};
    const std::wstring windowsRoot = ExtractFilePath(ExcludeTrailingBackslash(ExtractFilePath(ExcludeTrailingBackslash(SystemDirectory()))));
    auto icons = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(windowsRoot.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    SendMessageW(cmbPrograms_, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(icons));
    SendMessageW(cmbPrograms_, CB_SETITEMHEIGHT, 0, Scaled(kChooserItemHeight));

    // The label sits on the chooser's middle line, whatever height the font gives the chooser.
    if (HWND combo = reinterpret_cast<HWND>(SendMessageW(cmbPrograms_, CBEM_GETCOMBOCONTROL, 0, 0))) {
        RECT closed{};
        GetWindowRect(combo, &closed);
        const int height = closed.bottom - closed.top;
        if (height > 0)
            MoveWindow(lblPrograms_, Scaled(kLabelRect.left), Scaled(kChooserTop),
                       Scaled(kLabelRect.right - kLabelRect.left), height, FALSE);
    }

    pcProgramDetails_ = MakeControl(hwnd, WC_TABCONTROLW, WS_CLIPSIBLINGS | WS_TABSTOP, Scaled(kPagesRect), IDC_PAGES,
                                    instance_, font);
    for (int page = 0; page < 2; ++page) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(L"");
        TabCtrl_InsertItem(pcProgramDetails_, page, &item);
    }
    // Each page's list fills the tab's display area; siblings above the tab control.
    RECT page = Scaled(kPagesRect);
    TabCtrl_AdjustRect(pcProgramDetails_, FALSE, &page);
    InflateRect(&page, 1, 1);
    const DWORD listStyle = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP;
    lsvProgramInfo_ = MakeControl(hwnd, WC_LISTVIEWW, listStyle, page, IDC_PROPERTIES, instance_, font, WS_EX_CLIENTEDGE);
    lsvRegistryInfo_ = MakeControl(hwnd, WC_LISTVIEWW, listStyle, page, IDC_REGISTRY, instance_, font, WS_EX_CLIENTEDGE);
    for (HWND list : {lsvProgramInfo_, lsvRegistryInfo_}) {
        // Long values (command lines, links) show whole in a tip.
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP | LVS_EX_DOUBLEBUFFER);
        SetWindowPos(list, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    AddListColumn(lsvProgramInfo_, 0, L"", Scaled(100));
    AddListColumn(lsvProgramInfo_, 1, L"", Scaled(240));
    AddListColumn(lsvRegistryInfo_, 0, L"", Scaled(160));
    AddListColumn(lsvRegistryInfo_, 1, L"", Scaled(240));
    TabCtrl_SetCurSel(pcProgramDetails_, 0);
    ShowPage(0);
}

void TDetailsForm::FormShow() {
    SetWindowTextW(hwnd_.get(), LangText(IDS_DETAILSFORM_Title).c_str());
    SetWindowTextW(lblPrograms_, LangText(IDS_DETAILSFORM_LABEL_Programs).c_str());
    SetTabText(pcProgramDetails_, 0, LangText(IDS_DETAILSFORM_TABSHEETPP_TITLE));
    SetTabText(pcProgramDetails_, 1, LangText(IDS_DETAILSFORM_TABSHEETRV_TITLE));
    SetListColumnText(lsvProgramInfo_, 0, LangText(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Name));
    SetListColumnText(lsvProgramInfo_, 1, LangText(IDS_DETAILSFORM_TABSHEETPP_LISTVIEW_COLUMNS_Value));
    SetListColumnText(lsvRegistryInfo_, 0, LangText(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Key));
    SetListColumnText(lsvRegistryInfo_, 1, LangText(IDS_DETAILSFORM_TABSHEETRV_LISTVIEW_COLUMNS_Value));
}

void TDetailsForm::ShowPage(int page) {
    ShowWindow(lsvProgramInfo_, page == 1 ? SW_HIDE : SW_SHOW);
    ShowWindow(lsvRegistryInfo_, page == 1 ? SW_SHOW : SW_HIDE);
}

void TDetailsForm::SetChooser(const std::vector<ChooserItem>& items) {
    chooserItems_ = items;
    chooserStale_ = true;
    if (IsWindowVisible(hwnd_.get())) PopulateChooser();
}

void TDetailsForm::PopulateChooser() {
    if (!chooserStale_) return;
    chooserStale_ = false;
    SendMessageW(cmbPrograms_, CB_RESETCONTENT, 0, 0);
    int at = 0;
    for (const ChooserItem& entry : chooserItems_) {
        COMBOBOXEXITEMW item{};
        item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE | CBEIF_LPARAM;
        item.iItem = at++;
        item.pszText = const_cast<wchar_t*>(entry.caption.c_str());
        item.iImage = item.iSelectedImage =
            entry.image != kIconNotRead ? entry.image : iconOf ? iconOf(entry.keyPath) : 0;
        item.lParam = at - 1;  // its place in chooserItems_, which the combo box mirrors
        SendMessageW(cmbPrograms_, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void TDetailsForm::SelectChooser(const std::wstring& keyPath) {
    PopulateChooser();
    // CB_SETCURSEL sends no CBN_SELCHANGE: selecting here does not refill.
    int found = -1;
    for (size_t k = 0; k < chooserItems_.size() && found < 0; ++k)
        if (chooserItems_[k].keyPath == keyPath) found = static_cast<int>(k);
    SendMessageW(cmbPrograms_, CB_SETCURSEL, found, 0);
}

void TDetailsForm::ShowRows(const ProgramDetails& details) {
    FillList(lsvProgramInfo_, details.properties);
    FillList(lsvRegistryInfo_, details.registry);
}

bool TDetailsForm::FillDetails(IProgramList* list, const std::wstring& keyPath) {
    list_ = list;
    if (!list) return true;
    ProgramDetails details;
    try {
        if (!ReadProgramDetailsInto(list, keyPath, details)) {
            // Gone since the list was filled: said, and nothing else is shown in its place.
            const auto item = std::find_if(chooserItems_.begin(), chooserItems_.end(),
                                           [&](const ChooserItem& chosen) { return chosen.keyPath == keyPath; });
            const std::wstring& name = item != chooserItems_.end() ? item->caption : keyPath;
            ShowErrorReport(IsWindowVisible(hwnd_.get()) ? hwnd_.get() : owner_,
                            Format(LangText(IDS_MESSAGEBOX_WARNING_NoLongerInstalled).c_str(), name.c_str()));
            return false;
        }
        SelectChooser(keyPath);
        ShowRows(details);
        return true;
    } catch (const UserError& error) {
        if (details.loaded) {
            SelectChooser(keyPath);
            ShowRows(details);
        }
        ShowErrorReport(IsWindowVisible(hwnd_.get()) ? hwnd_.get() : owner_, error.message());
    } catch (const std::exception& error) {
        ShowErrorReport(IsWindowVisible(hwnd_.get()) ? hwnd_.get() : owner_, FromUtf8(error.what()));
    }
    return false;
}

void TDetailsForm::cmbProgramsChange() {
    const LRESULT selected = SendMessageW(cmbPrograms_, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR || !list_) return;
    COMBOBOXEXITEMW item{};
    item.mask = CBEIF_LPARAM;
    item.iItem = selected;
    if (!SendMessageW(cmbPrograms_, CBEM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return;
    if (item.lParam < 0 || static_cast<size_t>(item.lParam) >= chooserItems_.size()) return;
    FillDetails(list_, chooserItems_[static_cast<size_t>(item.lParam)].keyPath);
}

void TDetailsForm::ShowModal() {
    HWND hwnd = hwnd_.get();
    if (!hwnd || modalOwner_) return;
    FormShow();
    CentreOnOwner(hwnd, owner_);
    modalOwner_.emplace(owner_);
    ShowWindow(hwnd, SW_SHOW);
    SetFocus(cmbPrograms_);
    RunModalLoop(hwnd, [&] { return modalOwner_ && hwnd_ && IsWindowVisible(hwnd); });
    if (modalOwner_) Close();
}

void TDetailsForm::Close() {
    // The owner is enabled before the window hides, so activation goes back to it.
    modalOwner_.reset();
    if (hwnd_) ShowWindow(hwnd_.get(), SW_HIDE);
}

}  // namespace purgeon
