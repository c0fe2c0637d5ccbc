// DllRegisterServer / DllUnregisterServer.
//
// Machine-wide under HKLM\Software\Classes (the only place Wine creates classes from);
// when that write is refused, per user under HKCU\Software\Classes. ThreadingModel is
// "Apartment": the objects keep per-refresh caches (icon indexes, open keys) without
// locks and the shell image list they query is itself apartment-bound, so every call
// should arrive on the creating apartment's thread; other apartments get a proxy
// through the type-library marshaler that RegisterTypeLib sets up for the interfaces.
#include <windows.h>
#include <ole2.h>

#include <string>
#include <vector>

#include "Doffkit_h.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "doffkit/DoffkitModule.h"

// In liboleaut32.a but not declared by the mingw-w64 headers.
extern "C" HRESULT WINAPI RegisterTypeLibForUser(ITypeLib* library, OLECHAR* path, OLECHAR* helpDir);
extern "C" HRESULT WINAPI UnRegisterTypeLibForUser(REFGUID libraryId, WORD major, WORD minor, LCID lcid,
                                                   SYSKIND kind);

namespace doffkit {

namespace {

using purgeon::UniqueHKey;

constexpr wchar_t kDescription[] = L"Doffkit program catalogue";
constexpr wchar_t kProgId[] = L"Doffkit.ProgramList";
constexpr wchar_t kThreadingModel[] = L"Apartment";
constexpr WORD kLibMajor = 1, kLibMinor = 0;

std::wstring GuidText(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, static_cast<int>(std::size(text)));
    return text;
}

struct RegEntry {
    std::wstring key;    // below ...\Software\Classes
    std::wstring name;   // empty: the default value
    std::wstring value;
};

std::vector<RegEntry> ClassEntries(const std::wstring& dllPath) {
    const std::wstring clsidKey = L"CLSID\\" + GuidText(CLSID_ProgramList);
    return {
        {clsidKey, L"", kDescription},
        {clsidKey + L"\\InprocServer32", L"", dllPath},
        {clsidKey + L"\\InprocServer32", L"ThreadingModel", kThreadingModel},
        {clsidKey + L"\\ProgID", L"", kProgId},
        {clsidKey + L"\\VersionIndependentProgID", L"", kProgId},
        {clsidKey + L"\\TypeLib", L"", GuidText(LIBID_DoffkitLib)},
        {clsidKey + L"\\Version", L"", purgeon::Format(L"%u.%u", kLibMajor, kLibMinor)},
        {kProgId, L"", kDescription},
        {std::wstring(kProgId) + L"\\CLSID", L"", GuidText(CLSID_ProgramList)},
    };
}

LSTATUS OpenClassesRoot(HKEY hive, REGSAM access, UniqueHKey& root) {
    return RegCreateKeyExW(hive, L"Software\\Classes", 0, nullptr, 0, access | KEY_WOW64_64KEY, nullptr,
                           root.put(), nullptr);
}

LSTATUS WriteEntries(HKEY hive, const std::vector<RegEntry>& entries) {
    UniqueHKey root;
    LSTATUS status = OpenClassesRoot(hive, KEY_CREATE_SUB_KEY, root);
    if (status != ERROR_SUCCESS) return status;
    for (const RegEntry& entry : entries) {
        UniqueHKey key;
        status = RegCreateKeyExW(root.get(), entry.key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                                 nullptr, key.put(), nullptr);
        if (status != ERROR_SUCCESS) return status;
        status = RegSetValueExW(key.get(), entry.name.empty() ? nullptr : entry.name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(entry.value.c_str()),
                                static_cast<DWORD>((entry.value.size() + 1) * sizeof(wchar_t)));
        if (status != ERROR_SUCCESS) return status;
    }
    return ERROR_SUCCESS;
}

bool IsDeniedStatus(LSTATUS status) { return status == ERROR_ACCESS_DENIED || status == ERROR_PRIVILEGE_NOT_HELD; }

bool IsDeniedResult(HRESULT hr) {
    return hr == E_ACCESSDENIED || hr == TYPE_E_REGISTRYACCESS || hr == HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
}

// Removes our class and ProgID from one hive; a hive without them is fine.
LSTATUS DeleteClassKeys(HKEY hive) {
    UniqueHKey root;
    LSTATUS status = RegOpenKeyExW(hive, L"Software\\Classes", 0, DELETE | KEY_READ | KEY_SET_VALUE | KEY_WOW64_64KEY,
                                   root.put());
    if (status == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (status != ERROR_SUCCESS) return status;
    LSTATUS result = ERROR_SUCCESS;
    for (const std::wstring& key : {L"CLSID\\" + GuidText(CLSID_ProgramList), std::wstring(kProgId)}) {
        status = RegDeleteTreeW(root.get(), key.c_str());  // the key itself too
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && result == ERROR_SUCCESS) result = status;
    }
    return result;
}

bool TypeLibRegisteredIn(HKEY hive) {
    UniqueHKey key;
    std::wstring path = L"Software\\Classes\\TypeLib\\" + GuidText(LIBID_DoffkitLib);
    return RegOpenKeyExW(hive, path.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS;
}

HRESULT RegisterServer() {
    const std::wstring dllPath = purgeon::ModuleFileName(ThisModule());
    bool perUser = false;
    LSTATUS status = WriteEntries(HKEY_LOCAL_MACHINE, ClassEntries(dllPath));
    if (IsDeniedStatus(status)) {
        perUser = true;
        status = WriteEntries(HKEY_CURRENT_USER, ClassEntries(dllPath));
    }
    if (status != ERROR_SUCCESS) return HRESULT_FROM_WIN32(status);

    // The type library also registers both interfaces (with the type-library marshaler).
    purgeon::ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(dllPath.c_str(), REGKIND_NONE, library.put());
    if (FAILED(hr)) return hr;
    std::wstring pathCopy = dllPath;  // the OLECHAR* parameters are not const
    if (!perUser) {
        hr = RegisterTypeLib(library.get(), pathCopy.data(), nullptr);
        if (!IsDeniedResult(hr)) return hr;
    }
    return RegisterTypeLibForUser(library.get(), pathCopy.data(), nullptr);
}

HRESULT UnregisterServer() {
    HRESULT result = S_OK;
    auto keep = [&](HRESULT hr) { if (FAILED(hr) && SUCCEEDED(result)) result = hr; };
    // The type library first: unregistering it finds the interfaces through its entries.
    if (TypeLibRegisteredIn(HKEY_LOCAL_MACHINE))
        keep(UnRegisterTypeLib(LIBID_DoffkitLib, kLibMajor, kLibMinor, LOCALE_NEUTRAL, SYS_WIN64));
    if (TypeLibRegisteredIn(HKEY_CURRENT_USER))
        keep(UnRegisterTypeLibForUser(LIBID_DoffkitLib, kLibMajor, kLibMinor, LOCALE_NEUTRAL, SYS_WIN64));
    LSTATUS status = DeleteClassKeys(HKEY_LOCAL_MACHINE);
    if (status != ERROR_SUCCESS) keep(HRESULT_FROM_WIN32(status));
    status = DeleteClassKeys(HKEY_CURRENT_USER);
    if (status != ERROR_SUCCESS) keep(HRESULT_FROM_WIN32(status));
    return result;
}

}  // namespace

}  // namespace doffkit

extern "C" {

HRESULT STDAPICALLTYPE DllRegisterServer() { return doffkit::Guarded([] { return doffkit::RegisterServer(); }); }

HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return doffkit::Guarded([] { return doffkit::UnregisterServer(); });
}

}  // extern "C"
