#include "catalogue/programRows.h"

#include <algorithm>

#include "catalogue/ProgramList.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"
#include "i18n/multiLangs.h"

namespace purgeon {

namespace {

constexpr wchar_t kLineBreak[] = L"\r\n";
constexpr double kBytesPerMegabyte = 1048576.0;
// System patches are counted under the Tools menu's "Windows Updates" text: the text table has no
// key of its own for the count, and language files translate that one.
constexpr TextKey kSystemPatchCountLabel = IDS_MAINFORM_MENU_TOOLS_WindowsUpdate;

std::wstring KeyName(IProgramEntry* entry) {
    return ComText([&](BSTR* out) { return entry->GetKeyName(out); });
}

// Only ASCII letters fold, so the order does not depend on the user's locale.
wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - (L'a' - L'A')) : c; }

std::wstring AsciiUpper(std::wstring_view text) {
    std::wstring out(text);
    for (wchar_t& c : out) c = AsciiUpper(c);
    return out;
}

int CompareAsciiNoCase(std::wstring_view a, std::wstring_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const wchar_t x = AsciiUpper(a[i]), y = AsciiUpper(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// "%10s": right-aligned in ten characters; longer texts stay as they are.
std::wstring PadTo10(const std::wstring& text) {
    return text.size() >= 10 ? text : std::wstring(10 - text.size(), L' ') + text;
}

bool HasControlCharacter(std::wstring_view text) {
    return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x20 || c == 0x7F; });
}

std::wstring UserDecimalSeparator() {
    wchar_t separator[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 1) return separator;
    return L".";
}

}  // namespace

namespace {

ListRow ProgramListRow(const ProgramRow& program, RowIcons icons) {
    ListRow row;
    row.kind = RowKind::Program;
    row.keyPath = program.keyPath;
    row.caption = program.Caption();
    row.publisher = program.publisher;
    row.directory = program.installLocation;
    row.image = icons == RowIcons::Read ? static_cast<int>(program.iconIndex) : kIconNotRead;
    return row;
}

ListRow ScreenSaverListRow(const ScreenSaverRow& saver) {
    ListRow row;
    row.kind = RowKind::ScreenSaver;
    row.saverPath = saver.Path();
    // A saver without a file name keeps an empty caption.
    if (!saver.fileName.empty())
        row.caption = Format(L"[%s]%s", LangText(IDS_MAINFORM_ScreenSaver).c_str(),
                             (saver.title.empty() ? saver.fileName : saver.title).c_str());
    row.publisher = saver.publisher;
    row.directory = saver.directory;
    row.image = static_cast<int>(saver.iconIndex);
    return row;
}

// The shown rows and chooser items of the programs read so far.
void AddProgramRows(bool hideSysPatch, RowIcons icons, ProgramListFill& out) {
    for (const ProgramRow& program : out.programs) {
        if (program.kind == 1) {
            ++out.sysPatchCount;
            if (hideSysPatch) continue;
        }
        const ListRow& row = out.rows.emplace_back(ProgramListRow(program, icons));
        out.chooser.push_back({row.caption, row.keyPath, row.image});
    }
}

}  // namespace

void ReadProgramListFill(IProgramList* list, bool hideSysPatch, bool hideScreenSaver, ProgramListFill& out,
                         RowIcons icons) {
    out = ProgramListFill{};
    bool allPrograms = false;
    try {
        allPrograms = ReadProgramRowsInto(list, icons, out.programs);
    } catch (...) {
        AddProgramRows(hideSysPatch, icons, out);  // the rows read before the failure stay
        throw;
    }
    AddProgramRows(hideSysPatch, icons, out);
    // A null entry ends the whole fill: no screen savers, and the counts stay as they were.
    if (!allPrograms) return;

    const std::vector<ScreenSaverRow> savers = ReadScreenSaverRows(list, RowIcons::Read);
    if (!hideScreenSaver)
        for (const ScreenSaverRow& saver : savers) out.rows.push_back(ScreenSaverListRow(saver));

    // The counts cover every entry, whatever the filters hide.
    out.countsText = Format(L"%d (%s: %d, %s: %d)", static_cast<int>(out.programs.size() + savers.size()),
                            LangText(kSystemPatchCountLabel).c_str(), out.sysPatchCount,
                            LangText(IDS_MAINFORM_ScreenSaver).c_str(), static_cast<int>(savers.size()));
    out.complete = true;
}

std::optional<StatusBarInfo> ReadStatusBarInfo(IProgramList* list, const std::wstring& keyPath) {
    ComPtr<IProgramEntry> entry = EntryAtKey(list, keyPath);
    if (!entry) return std::nullopt;
    StatusBarInfo info;
    info.keyName = KeyName(entry.get());
    info.link = ComText([&](BSTR* text) { return entry->GetAboutLink(text); });
    if (info.link.empty()) info.link = ComText([&](BSTR* text) { return entry->GetHelpLink(text); });
    if (info.link.empty()) info.link = ComText([&](BSTR* text) { return entry->GetUpdateLink(text); });
    return info;
}

bool IsOpenableWebLink(std::wstring_view target) {
    // A quote could end the argument of the browser's command line; URLs carry it escaped.
    if (HasControlCharacter(target) || target.find(L'"') != std::wstring_view::npos) return false;
    for (std::wstring_view scheme : {L"http://", L"https://", L"ftp://", L"mailto:"}) {
        if (!StartsWithNoCase(target, scheme)) continue;
        std::wstring_view rest = target.substr(scheme.size());
        return !Trim(rest).empty();
    }
    return false;
}

std::optional<std::wstring> OpenableFolderPath(const std::wstring& path) {
    std::wstring folder = Trim(path);
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') folder = folder.substr(1, folder.size() - 2);
    if (folder.empty() || HasControlCharacter(folder) || folder.find(L'"') != std::wstring::npos) return std::nullopt;
    auto isLetter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
    auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    const bool drivePath = folder.size() >= 3 && isLetter(folder[0]) && folder[1] == L':' && isSlash(folder[2]);
    // "\\server\share...", but not the "\\?\" and "\\.\" device forms.
    const bool uncPath = folder.size() >= 5 && isSlash(folder[0]) && isSlash(folder[1]) && folder[2] != L'?' &&
                         folder[2] != L'.' && !isSlash(folder[2]);
    if (!drivePath && !uncPath) return std::nullopt;
    if (!DirectoryExists(folder)) return std::nullopt;
    return folder;
}

bool IsOpenableFolder(const std::wstring& path) { return OpenableFolderPath(path).has_value(); }

std::wstring FrequencyText(unsigned long useCount) {
    if (useCount < 3) return LangText(IDS_ListView_Tips_UsedFrequency_Rarely);
    if (useCount <= 10) return LangText(IDS_ListView_Tips_UsedFrequency_Occasionally);
    return LangText(IDS_ListView_Tips_UsedFrequency_Frequently);
}

std::wstring ReadEntryComment(IProgramEntry* entry) {
    long count = 0;
    CheckCom(entry->GetValueCount(&count), kComponentName);
    for (long j = 0; j < count; ++j) {
        if (!EqualsNoCase(ComText([&](BSTR* out) { return entry->GetValueName(j, out); }), L"Comments")) continue;
        return ComText([&](BSTR* out) { return entry->GetValueData(j, out); });
    }
    return L"";
}

ULONGLONG ReadEntrySizeBytes(IProgramEntry* entry) {
    ComPtr<IProgramEntry2> where;
    CheckCom(entry->QueryInterface(IID_IProgramEntry2, where.put_void()), kComponentName);
    hyper bytes = 0;
    CheckCom(where->GetSizeBytes(&bytes), kComponentName);
    return bytes > 0 ? static_cast<ULONGLONG>(bytes) : 0;
}

std::optional<std::wstring> BuildInfoTip(IProgramList* list, const ListRow& row) {
    try {
        std::wstring tip;
        if (row.kind == RowKind::ScreenSaver) {
            // A screen saver without a file name has nothing to tell.
            if (row.caption.empty()) return std::nullopt;
            std::optional<long> index = ScreenSaverIndexOf(list, row.saverPath);
            if (!index) {
                // The rows may come from another connection's reading (the start-up's), which
                // this one's last refresh does not know.
                CheckCom(list->RefreshScreenSavers(), kComponentName);
                index = ScreenSaverIndexOf(list, row.saverPath);
            }
            if (!index) return std::nullopt;
            const long j = *index;
            unsigned long size = 0;
            CheckCom(list->GetScreenSaverSize(j, &size), kComponentName);
            tip += Format(LangText(IDS_LISTVIEW_TIPS_Size).c_str(), size / kBytesPerMegabyte) + kLineBreak;
            tip += Format(LangText(IDS_LISTVIEW_TIPS_ScrName).c_str(),
                          ComText([&](BSTR* text) { return list->GetScreenSaverFileName(j, text); }).c_str()) +
                   kLineBreak;
            tip += Format(LangText(IDS_LISTVIEW_TIPS_LastUsed).c_str(),
                          ComText([&](BSTR* text) { return list->GetScreenSaverLastUsed(j, text); }).c_str()) +
                   kLineBreak;
            return tip;
        }
        ComPtr<IProgramEntry> entry = EntryAtKey(list, row.keyPath);
        if (!entry) return std::nullopt;
        const ULONGLONG size = ReadEntrySizeBytes(entry.get());
        if (size != 0)
            tip += Format(LangText(IDS_LISTVIEW_TIPS_Size).c_str(), static_cast<double>(size) / kBytesPerMegabyte) + kLineBreak;
        unsigned long useCount = 0;
        CheckCom(entry->GetUsedFrequency(&useCount), kComponentName);
        // 0 is the component's "not known": a grade from it would be a claim about nothing.
        if (useCount != 0)
            tip += Format(LangText(IDS_LISTVIEW_TIPS_UsedFrequency).c_str(), FrequencyText(useCount).c_str()) + kLineBreak;
        std::wstring lastUsed = ComText([&](BSTR* text) { return entry->GetLastUsed(text); });
        if (!lastUsed.empty()) tip += Format(LangText(IDS_LISTVIEW_TIPS_LastUsed).c_str(), lastUsed.c_str()) + kLineBreak;
        const std::wstring comment = ReadEntryComment(entry.get());
        if (!comment.empty()) tip += Format(LangText(IDS_LISTVIEW_TIPS_Comment).c_str(), comment.c_str()) + kLineBreak;
        tip += Format(LangText(IDS_LISTVIEW_TIPS_UninstallString).c_str(),
                      ComText([&](BSTR* text) { return entry->GetUninstallString(text); }).c_str());
        return tip;
    } catch (...) {
        // A tip is a nicety: whatever failed, the list shows its own.
        return std::nullopt;
    }
}

int CompareRows(const ListRow& a, const ListRow& b, int column, bool ascending) {
    int result = 0;
    switch (column) {
        case 0: result = CompareAsciiNoCase(a.caption, b.caption); break;
        case 1: result = CompareAsciiNoCase(PadTo10(a.publisher), PadTo10(b.publisher)); break;
        case 2: result = CompareAsciiNoCase(PadTo10(a.directory), PadTo10(b.directory)); break;
        default: return 0;
    }
    return ascending ? result : -result;
}

std::optional<int> FindNextRow(const std::vector<std::wstring>& captions, std::wstring_view text, int start) {
    if (text.empty()) return std::nullopt;
    const std::wstring wanted = AsciiUpper(text);
    for (size_t k = static_cast<size_t>(std::max(start, 0)); k < captions.size(); ++k)
        if (AsciiUpper(captions[k]).find(wanted) != std::wstring::npos) return static_cast<int>(k);
    return std::nullopt;
}

std::wstring FormatMegabytes(double bytes) {
    std::wstring text = Format(L"%.2f MB", bytes / kBytesPerMegabyte);
    const size_t point = text.find(L'.');
    if (point != std::wstring::npos) text.replace(point, 1, UserDecimalSeparator());
    return text;
}

bool ReadProgramDetailsInto(IProgramList* list, const std::wstring& keyPath, ProgramDetails& out) {
    out = ProgramDetails{};
    ComPtr<IProgramEntry> entry = EntryAtKey(list, keyPath);
    if (!entry) return false;
    // The entry prepares its detail values from its key before any of them is read.
    const std::wstring keyName = KeyName(entry.get());
    UniqueBstr key(keyName.c_str(), keyName.size());
    CheckCom(entry->LoadKey(key.get()), kComponentName);
    out.loaded = true;

    auto addText = [&](TextKey caption, HRESULT (STDMETHODCALLTYPE IProgramEntry::*getter)(BSTR*)) {
        std::wstring value = ComText([&](BSTR* text) { return (entry.get()->*getter)(text); });
        if (!value.empty()) out.properties.push_back({LangText(caption), std::move(value)});
    };
    const ULONGLONG size = ReadEntrySizeBytes(entry.get());
    if (size != 0) out.properties.push_back({LangText(IDS_DETAILSFORM_LISTVIEW_Items_ProgramSize), FormatMegabytes(static_cast<double>(size))});
    addText(IDS_DETAILSFORM_LISTVIEW_Items_InstallDate, &IProgramEntry::GetInstallDate);
    unsigned long useCount = 0;
    CheckCom(entry->GetUsedFrequency(&useCount), kComponentName);
    if (useCount != 0)  // as in the tip: an unknown count is left out
        out.properties.push_back({LangText(IDS_DETAILSFORM_LISTVIEW_Items_UsedFrequency), FrequencyText(useCount)});
    addText(IDS_DETAILSFORM_LISTVIEW_Items_LastAccessDate, &IProgramEntry::GetLastUsed);
    addText(IDS_DETAILSFORM_LISTVIEW_Items_InstallLocation, &IProgramEntry::GetInstallLocation);
    addText(IDS_DETAILSFORM_LISTVIEW_Items_ProgramVersion, &IProgramEntry::GetVersion);
    addText(IDS_DETAILSFORM_LISTVIEW_Items_Publisher, &IProgramEntry::GetPublisher);
    addText(IDS_DETAILSFORM_LISTVIEW_Items_HelpInfo, &IProgramEntry::GetHelpLink);
    addText(IDS_DETAILSFORM_LISTVIEW_Items_AboutLink, &IProgramEntry::GetAboutLink);
    addText(IDS_DETAILSFORM_LISTVIEW_Items_UpdateLink, &IProgramEntry::GetUpdateLink);
    const std::wstring comment = ReadEntryComment(entry.get());
    if (!comment.empty()) out.properties.push_back({LangText(IDS_DETAILSFORM_LISTVIEW_Items_Comment), comment});

    long valueCount = 0;
    CheckCom(entry->GetValueCount(&valueCount), kComponentName);
    for (long j = 0; j < valueCount; ++j) {
        DetailsRow row;
        row.name = ComText([&](BSTR* text) { return entry->GetValueName(j, text); });
        row.value = ComText([&](BSTR* text) { return entry->GetValueData(j, text); });
        out.registry.push_back(std::move(row));
    }
    return true;
}

std::optional<ProgramDetails> ReadProgramDetails(IProgramList* list, const std::wstring& keyPath) {
    ProgramDetails details;
    if (!ReadProgramDetailsInto(list, keyPath, details)) return std::nullopt;
    return details;
}

}  // namespace purgeon
