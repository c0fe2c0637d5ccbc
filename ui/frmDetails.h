#pragma once
// TDetailsForm: the details window. Everything the catalogue knows about one program, with a
// chooser to step from program to program. Created once, hidden, by the main window; shown
// modally and hidden again, its content kept until the next fill.
#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "catalogue/programRows.h"
#include "ui/formBase.h"

namespace purgeon {

class TDetailsForm : public TFormBase {
public:
    TDetailsForm() = default;
    ~TDetailsForm();

    // Creates the window hidden, owned by `owner` (FormCreate).
    bool Create(HWND owner, HINSTANCE instance);
    // The programs of the main list, refilled with it; no entry stays selected. The combo box
    // itself is filled when it is next needed: filling it costs far more than the list does.
    void SetChooser(const std::vector<ChooserItem>& items);
    // Gives the icon of a chooser item whose icon was not read with it (kIconNotRead).
    std::function<int(const std::wstring& keyPath)> iconOf;
    // Fills both tabs for a program and selects it in the chooser without a change event. A
    // program gone since the fill is said so and the previous content stays; a component error
    // is reported and the rows read so far are shown. False in both cases, so the caller does not
    // open the window.
    bool FillDetails(IProgramList* list, const std::wstring& keyPath);
    // Shows the window with the current language's texts and the owner disabled, until it is
    // closed (Esc or the close box). The window stays alive for the next use.
    void ShowModal();

    // The controls, for the owner's tests.
    HWND Chooser() {
        PopulateChooser();
        return cmbPrograms_;
    }
    HWND PropertyList() const { return lsvProgramInfo_; }
    HWND RegistryList() const { return lsvRegistryInfo_; }
    HWND Tabs() const { return pcProgramDetails_; }
    HWND ProgramsLabel() const { return lblPrograms_; }
    bool IsModal() const { return modalOwner_.has_value(); }

    static constexpr wchar_t kClassName[] = L"TDetailsForm";
    static constexpr int kClientWidth = 444;
    static constexpr int kClientHeight = 346;
    static constexpr int kChooserId = 101;
    static constexpr int kRegistryListId = kChooserId + 3;

private:
    void FormCreate() override;
    void FormShow() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void OnNotify(const NMHDR& header) override;
    void OnClose() override { Close(); }
    void cmbProgramsChange();
    void ShowPage(int page);
    void SelectChooser(const std::wstring& keyPath);
    void PopulateChooser();
    void ShowRows(const ProgramDetails& details);
    void Close();

    HWND lblPrograms_ = nullptr;
    HWND cmbPrograms_ = nullptr;
    HWND pcProgramDetails_ = nullptr;
    HWND lsvProgramInfo_ = nullptr;
    HWND lsvRegistryInfo_ = nullptr;
    // Not owned: the main window's catalogue connection, which lives as long as the process.
    IProgramList* list_ = nullptr;
    std::optional<ModalOwner> modalOwner_;  // while shown modally
    std::vector<ChooserItem> chooserItems_;
    bool chooserStale_ = false;
};

}  // namespace purgeon
