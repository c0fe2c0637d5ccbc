#include "catalogue/ProgramList.h"

#include "common/funUtils.h"
#include "common/globals.h"

namespace purgeon {

void CheckCom(HRESULT hr, const wchar_t* what) {
    if (FAILED(hr))
        throw UserError(Format(L"%s: %s", what, SystemErrorText(static_cast<DWORD>(hr)).c_str()));
}

IProgramList* TProgramList::Get() {
    if (list_) return list_.get();
    ComPtr<IUnknown> running;
    if (SUCCEEDED(GetActiveObject(CLSID_ProgramList, nullptr, running.put())) && running)
        running->QueryInterface(IID_IProgramList, list_.put_void());
    if (!list_)
        CheckCom(CoCreateInstance(CLSID_ProgramList, nullptr, CLSCTX_INPROC_SERVER, IID_IProgramList,
                                  list_.put_void()),
                 L"Doffkit.ProgramList");
    return list_.get();
}

namespace {

// Calls a getter that hands back a BSTR and returns its text.
template <typename Getter>
std::wstring ReadText(Getter&& getter) {
    UniqueBstr text;
    CheckCom(getter(text.put()), L"Doffkit");
    return text.str();
}

}  // namespace

std::vector<ProgramRow> ReadProgramRows(IProgramList* list, RowIcons icons) {
    CheckCom(list->RefreshPrograms(), L"Doffkit");
    long count = 0;
    CheckCom(list->GetProgramCount(&count), L"Doffkit");
    std::vector<ProgramRow> rows;
    rows.reserve(static_cast<size_t>(count));
    for (long i = 0; i < count; ++i) {
        ComPtr<IProgramEntry> entry;
        CheckCom(list->GetProgram(i, entry.put()), L"Doffkit");
        if (!entry) break;
        ProgramRow row;
        row.index = static_cast<int>(i);
        CheckCom(entry->GetKind(&row.kind), L"Doffkit");
        row.displayName = ReadText([&](BSTR* out) { return entry->GetDisplayName(out); });
        row.keyName = ReadText([&](BSTR* out) { return entry->GetKeyName(out); });
        row.publisher = ReadText([&](BSTR* out) { return entry->GetPublisher(out); });
        row.installLocation = ReadText([&](BSTR* out) { return entry->GetInstallLocation(out); });
        row.uninstallString = ReadText([&](BSTR* out) { return entry->GetUninstallString(out); });
        if (icons == RowIcons::Read) CheckCom(entry->GetIconIndex(&row.iconIndex), L"Doffkit");
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<ScreenSaverRow> ReadScreenSaverRows(IProgramList* list, RowIcons icons) {
    CheckCom(list->RefreshScreenSavers(), L"Doffkit");
    long count = 0;
    CheckCom(list->GetScreenSaverCount(&count), L"Doffkit");
    std::vector<ScreenSaverRow> rows;
    for (long i = 0; i < count; ++i) {
        ScreenSaverRow row;
        row.index = static_cast<int>(i);
        row.fileName = ReadText([&](BSTR* out) { return list->GetScreenSaverFileName(i, out); });
        row.title = ReadText([&](BSTR* out) { return list->GetScreenSaverTitle(i, out); });
        row.publisher = ReadText([&](BSTR* out) { return list->GetScreenSaverPublisher(i, out); });
        row.directory = ReadText([&](BSTR* out) { return list->GetScreenSaverDirectory(i, out); });
        row.lastUsed = ReadText([&](BSTR* out) { return list->GetScreenSaverLastUsed(i, out); });
        if (icons == RowIcons::Read) CheckCom(list->GetScreenSaverIconIndex(i, &row.iconIndex), L"Doffkit");
        CheckCom(list->GetScreenSaverSize(i, &row.size), L"Doffkit");
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace purgeon
