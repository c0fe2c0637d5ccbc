#include "catalogue/ProgramList.h"

#include <algorithm>

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

// The text of an entry's getter, or of a screen saver's getter for an index.
template <typename Interface>
std::wstring Text(Interface* entry, HRESULT (STDMETHODCALLTYPE Interface::*getter)(BSTR*)) {
    return ComText([&](BSTR* out) { return (entry->*getter)(out); });
}
std::wstring Text(IProgramList* list, HRESULT (STDMETHODCALLTYPE IProgramList::*getter)(long, BSTR*), long index) {
    return ComText([&](BSTR* out) { return (list->*getter)(index, out); });
}

// Refreshes one of the component's lists and gives how many it holds now.
long RefreshedCount(IProgramList* list, HRESULT (STDMETHODCALLTYPE IProgramList::*refresh)(),
                    HRESULT (STDMETHODCALLTYPE IProgramList::*count)(long*)) {
    CheckCom((list->*refresh)(), kComponentName);
    long n = 0;
    CheckCom((list->*count)(&n), kComponentName);
    return n;
}

using EntryGetter = HRESULT (STDMETHODCALLTYPE IProgramEntry::*)(BSTR*);
using SaverGetter = HRESULT (STDMETHODCALLTYPE IProgramList::*)(long, BSTR*);
const std::pair<std::wstring ProgramRow::*, EntryGetter> kProgramTexts[] = {
    {&ProgramRow::displayName, &IProgramEntry::GetDisplayName},
    {&ProgramRow::keyName, &IProgramEntry::GetKeyName},
    {&ProgramRow::publisher, &IProgramEntry::GetPublisher},
    {&ProgramRow::installLocation, &IProgramEntry::GetInstallLocation},
    {&ProgramRow::uninstallString, &IProgramEntry::GetUninstallString},
};
const std::pair<std::wstring ScreenSaverRow::*, SaverGetter> kScreenSaverTexts[] = {
    {&ScreenSaverRow::fileName, &IProgramList::GetScreenSaverFileName},
    {&ScreenSaverRow::title, &IProgramList::GetScreenSaverTitle},
    {&ScreenSaverRow::publisher, &IProgramList::GetScreenSaverPublisher},
    {&ScreenSaverRow::directory, &IProgramList::GetScreenSaverDirectory},
    {&ScreenSaverRow::lastUsed, &IProgramList::GetScreenSaverLastUsed},
};

}  // namespace

namespace {

// Reads the entry's fields into `row` in the table's order, so a failure leaves what came before.
void ReadEntryInto(IProgramEntry* entry, RowIcons icons, ProgramRow& row) {
    for (auto [field, getter] : kProgramTexts) row.*field = Text(entry, getter);
    CheckCom(entry->GetKind(&row.kind), kComponentName);
    ComPtr<IProgramEntry2> where;
    CheckCom(entry->QueryInterface(IID_IProgramEntry2, where.put_void()), kComponentName);
    row.keyPath = Text(where.get(), &IProgramEntry2::GetKeyPath);
    row.uninstallCommand = Text(where.get(), &IProgramEntry2::GetUninstallCommand);
    long source = 0;
    CheckCom(where->GetSource(&source), kComponentName);
    row.source = static_cast<ProgramSource>(source);
    if (icons == RowIcons::Read) CheckCom(entry->GetIconIndex(&row.iconIndex), kComponentName);
}

}  // namespace

bool ReadProgramRowsInto(IProgramList* list, RowIcons icons, std::vector<ProgramRow>& out) {
    out.clear();
    const long count = RefreshedCount(list, &IProgramList::RefreshPrograms, &IProgramList::GetProgramCount);
    out.reserve(static_cast<size_t>(std::max(count, 0L)));
    for (long i = 0; i < count; ++i) {
        ComPtr<IProgramEntry> entry;
        CheckCom(list->GetProgram(i, entry.put()), kComponentName);
        if (!entry) return false;
        ReadEntryInto(entry.get(), icons, out.emplace_back());
    }
    return true;
}

std::vector<ProgramRow> ReadProgramRows(IProgramList* list, RowIcons icons) {
    std::vector<ProgramRow> rows;
    ReadProgramRowsInto(list, icons, rows);
    return rows;
}

ComPtr<IProgramEntry> EntryAtKey(IProgramList* list, const std::wstring& keyPath) {
    ComPtr<IProgramEntry> entry;
    UniqueBstr key(keyPath.c_str(), keyPath.size());
    CheckCom(list->GetProgramByKeyPath(key.get(), entry.put()), kComponentName);
    return entry;
}

std::optional<ProgramRow> ReadProgramAtKey(IProgramList* list, const std::wstring& keyPath, RowIcons icons) {
    ComPtr<IProgramEntry> entry = EntryAtKey(list, keyPath);
    if (!entry) return std::nullopt;
    ProgramRow row;
    ReadEntryInto(entry.get(), icons, row);
    return row;
}

long ReadIconAtKey(IProgramList* list, const std::wstring& keyPath) {
    long icon = 0;
    if (ComPtr<IProgramEntry> entry = EntryAtKey(list, keyPath)) CheckCom(entry->GetIconIndex(&icon), kComponentName);
    return icon;
}

std::optional<long> ScreenSaverIndexOf(IProgramList* list, const std::wstring& path) {
    long count = 0;
    CheckCom(list->GetScreenSaverCount(&count), kComponentName);
    for (long i = 0; i < count; ++i)
        if (EqualsNoCase(Text(list, &IProgramList::GetScreenSaverDirectory, i) +
                             Text(list, &IProgramList::GetScreenSaverFileName, i),
                         path))
            return i;
    return std::nullopt;
}

std::vector<ScreenSaverRow> ReadScreenSaverRows(IProgramList* list, RowIcons icons) {
    const long count =
        RefreshedCount(list, &IProgramList::RefreshScreenSavers, &IProgramList::GetScreenSaverCount);
    std::vector<ScreenSaverRow> rows;
    for (long i = 0; i < count; ++i) {
        ScreenSaverRow row;
        row.index = static_cast<int>(i);
        for (auto [field, getter] : kScreenSaverTexts) row.*field = Text(list, getter, i);
        if (icons == RowIcons::Read) CheckCom(list->GetScreenSaverIconIndex(i, &row.iconIndex), kComponentName);
        CheckCom(list->GetScreenSaverSize(i, &row.size), kComponentName);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace purgeon
