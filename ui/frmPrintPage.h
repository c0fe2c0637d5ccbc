#pragma once
// TPrintListForm: the "Save/Print" window of the program-list report. The report's text stands in
// an editable box; Save writes it (or the list as CSV or HTML) to a file the user picks, Print
// prints the box's lines as they are displayed.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "report/report.h"
#include "common/handles.h"
#include "ui/formBase.h"

namespace purgeon {

// What the window is opened with: the report and the plain data for the other formats.
struct ReportData {
    report::ReportHeader header;
    report::ReportTexts texts;
    std::vector<std::wstring> lines;
    std::vector<report::ReportProgram> programs;
};

class TPrintListForm : public TFormBase {
public:
    TPrintListForm() = default;
    ~TPrintListForm() { DestroyFormWindow(); }  // the window goes before the font of its box

    // A file picked for saving, with the format its filter or extension names.
    struct SaveChoice {
        std::wstring path;
        report::ReportFormat format = report::ReportFormat::Text;
    };
    // The printer picked in the print dialog, as a device context; nullopt when cancelled. A
    // dialog that fails sets `error` (0 when it was only cancelled).
    using PrinterChooser = std::function<std::optional<UniqueDc>(HWND window, DWORD& error)>;
    using SaveChooser = std::function<std::optional<SaveChoice>(HWND window)>;
    using MessageSink = std::function<void(HWND window, const std::wstring& text, UINT icon)>;

    // Hooks for tests; the defaults are the system's dialogs and message boxes.
    struct Hooks {
        SaveChooser chooseSaveFile;
        PrinterChooser choosePrinter;
        MessageSink showMessage;
        std::function<void(TPrintListForm& form)> onShown;
    };

    // Shows a window for one use, centred on the screen, until it is closed.
    static void Run(HWND owner, HINSTANCE instance, const ReportData& data, const Hooks& hooks = {});

    // The buttons' work, callable from tests while the window is up.
    void Save();
    void Print();
    // The box's lines as displayed (a wrapped line gives its pieces), and its whole text.
    std::vector<std::wstring> DisplayedLines() const;
    std::wstring MemoText() const;

    HWND Memo() const { return memoList_; }
    HWND SaveButton() const { return btnSave_; }
    HWND PrintButton() const { return btnPrint_; }

    static constexpr wchar_t kClassName[] = L"TPrintListForm";
    static constexpr int kClientWidth = 512;
    static constexpr int kClientHeight = 386;

private:
    void FormCreate() override;
    void FormShow() override;
    void OnCommand(WORD id, WORD code, HWND control) override;
    void Tell(const std::wstring& text, UINT icon);

    const ReportData* data_ = nullptr;
    Hooks hooks_;
    UniqueFont memoFont_;
    HWND memoList_ = nullptr;
    HWND btnSave_ = nullptr;
    HWND btnPrint_ = nullptr;
};

// The system's save dialog for the report: text, CSV or HTML, overwrite question, "txt" default.
std::optional<TPrintListForm::SaveChoice> ChooseReportFile(HWND owner);
// The system's print dialog, warning when no printer is installed.
std::optional<UniqueDc> ChoosePrinter(HWND owner, DWORD& error);

}  // namespace purgeon
