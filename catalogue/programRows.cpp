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

// Null when the component has no entry for the index (a null entry is not an error).
ComPtr<IProgramEntry> GetEntry(IProgramList* list, int programIndex) {
    ComPtr<IProgramEntry> entry;
    CheckCom(list->GetProgram(programIndex, entry.put()), kComponentName);
    return entry;
}

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

void ReadProgramListFill(IProgramList* list, bool hideSysPatch, bool hideScreenSaver, ProgramListFill& out) {
    out = ProgramListFill{};
    CheckCom(list->RefreshPrograms(), kComponentName);
    long programCount = 0;
    CheckCom(list->GetProgramCount(&programCount), kComponentName);
    out.rows.reserve(static_cast<size_t>(std::max(programCount, 0L)));

    for (long i = 0; i < programCount; ++i) {
        ComPtr<IProgramEntry> entry = GetEntry(list, static_cast<int>(i));
        // A null entry ends the whole fill: no screen savers, and the counts stay as they were.
        if (!entry) return;
        long kind = 0;
        CheckCom(entry->GetKind(&kind), kComponentName);
        if (kind == 1) {
            ++out.sysPatchCount;
            if (hideSysPatch) continue;
        }
        std::wstring caption = ComText([&](BSTR* text) { return entry->GetDisplayName(text); });
        if (caption.empty()) caption = KeyName(entry.get());
        // The row exists from here on, so a later failure leaves it with what was read.
        ListRow& row = out.rows.emplace_back();
        row.kind = RowKind::Program;
        row.caption = caption;
        row.index = static_cast<int>(i);
        ChooserItem& item = out.chooser.emplace_back();
        item.caption = std::move(caption);
        item.programIndex = static_cast<int>(i);
        row.publisher = ComText([&](BSTR* text) { return entry->GetPublisher(text); });
        row.directory = ComText([&](BSTR* text) { return entry->GetInstallLocation(text); });
        long image = 0;
        CheckCom(entry->GetIconIndex(&image), kComponentName);
        row.image = item.image = static_cast<int>(image);
    }

    CheckCom(list->RefreshScreenSavers(), kComponentName);
    long saverCount = 0;
    CheckCom(list->GetScreenSaverCount(&saverCount), kComponentName);
    if (!hideScreenSaver) {
        for (long j = 0; j < saverCount; ++j) {
            ListRow& row = out.rows.emplace_back();
            row.kind = RowKind::ScreenSaver;
            row.index = static_cast<int>(j);
            std::wstring fileName = ComText([&](BSTR* text) { return list->GetScreenSaverFileName(j, text); });
            if (!fileName.empty()) {
                std::wstring title = ComText([&](BSTR* text) { return list->GetScreenSaverTitle(j, text); });
                row.caption = Format(L"[%s]%s", LangText(IDS_MAINFORM_ScreenSaver).c_str(),
                                     (title.empty() ? fileName : title).c_str());
            }
            long image = 0;
            CheckCom(list->GetScreenSaverIconIndex(j, &image), kComponentName);
            row.image = static_cast<int>(image);
            row.publisher = ComText([&](BSTR* text) { return list->GetScreenSaverPublisher(j, text); });
            row.directory = ComText([&](BSTR* text) { return list->GetScreenSaverDirectory(j, text); });
        }
    }

    // The counts cover every entry, whatever the filters hide.
    out.countsText = Format(L"%d (%s: %d, %s: %d)", static_cast<int>(programCount + saverCount),
                            LangText(kSystemPatchCountLabel).c_str(), out.sysPatchCount,
                            LangText(IDS_MAINFORM_ScreenSaver).c_str(), static_cast<int>(saverCount));
    out.complete = true;
}

std::optional<StatusBarInfo> ReadStatusBarInfo(IProgramList* list, int programIndex) {
    ComPtr<IProgramEntry> entry = GetEntry(list, programIndex);
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
            const long j = row.index;
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
        ComPtr<IProgramEntry> entry = GetEntry(list, row.index);
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

bool ReadProgramDetailsInto(IProgramList* list, int programIndex, ProgramDetails& out) {
    out = ProgramDetails{};
    ComPtr<IProgramEntry> entry = GetEntry(list, programIndex);
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

std::optional<ProgramDetails> ReadProgramDetails(IProgramList* list, int programIndex) {
    ProgramDetails details;
    if (!ReadProgramDetailsInto(list, programIndex, details)) return std::nullopt;
    return details;
}

}  // namespace purgeon
