#include "report/reportCommand.h"

#include "catalogue/componentRegistration.h"
#include "config/config.h"
#include "catalogue/ProgramList.h"
#include "catalogue/programRows.h"
#include "report/reportRows.h"
#include "common/exitCodes.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"

namespace purgeon::report {

void WriteProgramReport(IProgramList* list, bool hideSysPatch, bool hideScreenSaver, const std::wstring& path,
                        ReportFormat format) {
    ProgramListFill fill;
    ReadProgramListFill(list, hideSysPatch, hideScreenSaver, fill);
    const ReportHeader header = CurrentReportHeader(fill.countsText);
    const ReportTexts texts = ReportTexts::FromTable();
    std::wstring text;
    if (format == ReportFormat::Text) {
        std::vector<std::wstring> captions;
        for (const ListRow& row : fill.rows) captions.push_back(row.caption);
        text = JoinLines(ReportLines(header, captions, texts));
    } else {
        const std::vector<ReportProgram> programs = ReadReportPrograms(list, fill.rows);
        text = format == ReportFormat::Csv ? CsvText(programs, ReportColumns())
                                           : HtmlText(header, texts, programs, ReportColumns());
    }
    if (const DWORD error = WriteUtf8File(path, text))
        throw UserError(Format(LangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed).c_str(), path.c_str()) + L" " +
                        SystemErrorText(error));
}

int RunReportMode(const std::wstring& path, const std::function<void(const std::wstring& line)>& writeLine) {
    const std::optional<ReportFormat> format = ReportFormatOfFile(path);
    if (path.empty() || !format) {
        writeLine(L"usage: Purgeon.exe /report FILE.txt|FILE.csv|FILE.html");
        return kExitNothingDone;
    }
    try {
        // The saved filters and language, as the window would start with them; nothing is created.
        const std::wstring programDir = ExtractFilePath(ModuleFileName(nullptr));
        const std::wstring configPath = programDir + L"Config.ini";
        bool hideSysPatch = HideSysPatch, hideScreenSaver = HideScreenSaver;
        if (FileExists(configPath)) {
            hideSysPatch = ReadStoredOption(configPath, kKeyHideSysPatch, hideSysPatch);
            hideScreenSaver = ReadStoredOption(configPath, kKeyHideScreenSaver, hideScreenSaver);
            wchar_t language[2048] = L"";
            GetPrivateProfileStringW(kConfigSection, kKeyLanguageFile, L"", language, 2048, configPath.c_str());
            const std::wstring languagePath = programDir + L"Langs\\" + language;
            if (language[0] && FileExists(languagePath)) LoadLanguage(languagePath, [](const std::wstring&) {});
        }
        ComApartment com;
        TProgramList programs;
        WriteProgramReport(ConnectCatalogue(programs), hideSysPatch, hideScreenSaver, FullPathName(path), *format);
    } catch (const UserError& error) {
        writeLine(error.message());
        return kExitNothingDone;
    }
    return kExitDone;
}

}  // namespace purgeon::report
