// Where the main window's start goes: the catalogue reads (with and without icons), the
// program list filled with those rows, and the details chooser filled with them. Run in a
// prefix seeded with many programs (bench/run.sh does); prints milliseconds per phase.
#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>

#include "catalogue/componentRegistration.h"
#include "catalogue/ProgramList.h"
#include "catalogue/programRows.h"
#include "common/handles.h"
#include "ui/frmDetails.h"
#include "ui/uiCommon.h"

using namespace purgeon;

namespace {

template <typename Work>
double TimeMs(Work&& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int wmain() {
    ComApartment com;
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_USEREX_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    if (auto error = RegisterCatalogueComponent()) {
        wprintf(L"%ls\n", error->c_str());
        return 1;
    }
    TProgramList programs;
    IProgramList* list = programs.Get();

    ProgramListFill fill;
    double withoutIcons = TimeMs([&] { ReadProgramRows(list, RowIcons::Skip); });
    double withIcons = TimeMs([&] { ReadProgramListFill(list, false, true, fill); });

    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    HWND view = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 600, 400, owner,
                                nullptr, nullptr, nullptr);
    for (int column = 0; column < 3; ++column) AddListColumn(view, column, L"", 150);
    double listView = TimeMs([&] {
        SendMessageW(view, WM_SETREDRAW, FALSE, 0);
        for (size_t i = 0; i < fill.rows.size(); ++i) {
            LVITEMW item{};
            item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
            item.iItem = static_cast<int>(i);
            item.pszText = fill.rows[i].caption.data();
            int at = ListView_InsertItem(view, &item);
            ListView_SetItemText(view, at, 1, fill.rows[i].publisher.data());
            ListView_SetItemText(view, at, 2, fill.rows[i].directory.data());
        }
        SendMessageW(view, WM_SETREDRAW, TRUE, 0);
    });
    TDetailsForm details;
    details.Create(owner, GetModuleHandleW(nullptr));
    double chooser = TimeMs([&] {
        details.SetChooser(fill.chooser);
        details.Chooser();  // filled when first needed
    });

    wprintf(L"  %zu programs\n", fill.rows.size());
    wprintf(L"  catalogue reads, no icons   %8.1f ms\n", withoutIcons);
    wprintf(L"  catalogue reads with icons  %8.1f ms\n", withIcons);
    wprintf(L"  list view filled            %8.1f ms\n", listView);
    wprintf(L"  details chooser filled      %8.1f ms\n", chooser);
    DestroyWindow(owner);
    return 0;
}
