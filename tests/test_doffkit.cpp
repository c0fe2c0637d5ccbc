// The catalogue component as a COM server: registration, creation, lifetime and dispatch.
#include "tests/test_doffkit_support.h"

#include <sddl.h>

#include <chrono>
#include <memory>

#include "tests/support/testSupport.h"

namespace doffkit_test {

namespace {

UniqueModule g_component;

using EntryPoint = HRESULT(STDAPICALLTYPE*)();
HRESULT CallExport(const char* name) {
    auto function = reinterpret_cast<EntryPoint>(reinterpret_cast<void*>(GetProcAddress(Component(), name)));
    return function ? function() : HRESULT_FROM_WIN32(GetLastError());
}

class ComponentEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        g_component.reset(LoadLibraryW((purgeon::test::BinDir() + L"Doffkit.dll").c_str()));
        ASSERT_TRUE(g_component) << "Doffkit.dll not beside the test";
        auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(S_OK, CallExport("DllRegisterServer"));
        auto took = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        printf("DllRegisterServer (first): %.1f ms\n", took);
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);


std::wstring Guid(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

// The default (or named) value of HKLM\Software\Classes\<path>; nullopt when the key is missing.
std::optional<std::wstring> ClassesValue(const std::wstring& path, const wchar_t* name = nullptr) {
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (L"Software\\Classes\\" + path).c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return std::nullopt;
    return ReadRegString(key.get(), name).value_or(L"");
}

}  // namespace

HMODULE Component() { return g_component.get(); }
std::wstring ComponentPath() { return ModuleFileName(Component()); }

ComPtr<IProgramList> CreateList() {
    ComPtr<IProgramList> list;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_ProgramList, nullptr, CLSCTX_INPROC_SERVER, IID_IProgramList, list.put_void()));
    return list;
}

SeededKey::SeededKey(std::wstring name, Source source)
    : name_(std::move(name)),
      root_(source == Source::User ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE),
      view_(source == Source::Machine32 ? KEY_WOW64_32KEY : source == Source::Machine ? KEY_WOW64_64KEY : 0) {
    std::wstring path = std::wstring(kUninstall) + L"\\" + name_;
    RegDeleteKeyExW(root_, path.c_str(), view_, 0);
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(root_, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr,
                                             key_.put(), nullptr));
}

SeededKey::~SeededKey() {
    if (protected_) Protect(L"D:P(A;CI;KA;;;WD)");
    RegDeleteTreeW(key_.get(), nullptr);  // its subkeys, in its own view
    key_.reset();
    RegDeleteKeyExW(root_, (std::wstring(kUninstall) + L"\\" + name_).c_str(), view_, 0);
}

SeededKey& SeededKey::Raw(const wchar_t* name, DWORD type, const void* data, size_t size) {
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key_.get(), name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)));
    return *this;
}

SeededKey& SeededKey::Text(const wchar_t* name, const std::wstring& text, DWORD type) {
    return Raw(name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

bool SeededKey::Protect(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR raw = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &raw, nullptr)) return false;
    UniqueLocal<void> descriptor(raw);
    protected_ = true;
    return RegSetKeySecurity(key_.get(), DACL_SECURITY_INFORMATION, descriptor.get()) == ERROR_SUCCESS;
}

ComPtr<IProgramEntry> FindEntry(IProgramList* list, const std::wstring& keyName, long* index) {
    long count = 0;
    EXPECT_EQ(S_OK, list->GetProgramCount(&count));
    for (long i = 0; i < count; ++i) {
        ComPtr<IProgramEntry> entry;
        if (FAILED(list->GetProgram(i, entry.put()))) continue;
        if (Read(entry.get(), &IProgramEntry::GetKeyName) == keyName) {
            if (index) *index = i;
            return entry;
        }
    }
    return {};
}

std::vector<std::pair<std::wstring, std::wstring>> ValueRows(IProgramEntry* entry) {
    std::vector<std::pair<std::wstring, std::wstring>> rows;
    long count = 0;
    EXPECT_EQ(S_OK, entry->GetValueCount(&count));
    for (long i = 0; i < count; ++i)
        rows.emplace_back(ReadAt(entry, &IProgramEntry::GetValueName, i),
                          ReadAt(entry, &IProgramEntry::GetValueData, i));
    return rows;
}

std::wstring UniqueName(const std::wstring& label) {
    static int counter = 0;
    return Format(L"PurgeonDoffkit-%s-%lu-%d", label.c_str(), GetCurrentProcessId(), ++counter);
}

int CachedImageIndex(const std::wstring& path, int index) {
    using Fn = int(WINAPI*)(const wchar_t*, int, UINT);
    HMODULE shell = LoadLibraryW(L"shell32.dll");
    auto function = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(shell, MAKEINTRESOURCEA(72))));
    return function ? function(path.c_str(), index, 0) : -1;
}

// --- registration -----------------------------------------------------------------------

TEST(DoffkitRegistration, WritesTheClassProgIdInterfacesAndTypeLibraryMachineWide) {
    ComApartment com;
    const std::wstring clsid = L"CLSID\\" + Guid(CLSID_ProgramList);
    EXPECT_EQ(L"Doffkit program catalogue", ClassesValue(clsid).value_or(L"-"));
    EXPECT_EQ(ComponentPath(), ClassesValue(clsid + L"\\InprocServer32").value_or(L"-"));
    EXPECT_EQ(L"Apartment", ClassesValue(clsid + L"\\InprocServer32", L"ThreadingModel").value_or(L"-"));
    EXPECT_EQ(L"Doffkit.ProgramList", ClassesValue(clsid + L"\\ProgID").value_or(L"-"));
    EXPECT_EQ(L"Doffkit.ProgramList", ClassesValue(clsid + L"\\VersionIndependentProgID").value_or(L"-"));
    EXPECT_EQ(Guid(LIBID_DoffkitLib), ClassesValue(clsid + L"\\TypeLib").value_or(L"-"));
    EXPECT_EQ(ComponentPath(), ClassesValue(L"TypeLib\\" + Guid(LIBID_DoffkitLib) + L"\\1.0\\0\\win64").value_or(L"-"));
    for (REFIID iid : {IID_IProgramList, IID_IProgramEntry})
        EXPECT_TRUE(ClassesValue(L"Interface\\" + Guid(iid) + L"\\ProxyStubClsid32")) << ToUtf8(Guid(iid));

    CLSID fromProgId = {};
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"Doffkit.ProgramList", &fromProgId));
    EXPECT_TRUE(IsEqualCLSID(CLSID_ProgramList, fromProgId));
    ComPtr<ITypeLib> library;
    EXPECT_EQ(S_OK, LoadRegTypeLib(LIBID_DoffkitLib, 1, 0, LOCALE_NEUTRAL, library.put()));
    EXPECT_TRUE(CreateList());
}

TEST(DoffkitRegistration, RegisteringAgainIsHarmlessAndUnregisteringRemovesEverything) {
    ComApartment com;
    auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(S_OK, CallExport("DllRegisterServer"));
    printf("DllRegisterServer (again): %.1f ms\n",
           std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    EXPECT_TRUE(CreateList());

    ASSERT_EQ(S_OK, CallExport("DllUnregisterServer"));
    const std::wstring clsid = L"CLSID\\" + Guid(CLSID_ProgramList);
    EXPECT_FALSE(ClassesValue(clsid));
    EXPECT_FALSE(ClassesValue(L"Doffkit.ProgramList"));
    EXPECT_FALSE(ClassesValue(L"TypeLib\\" + Guid(LIBID_DoffkitLib)));
    EXPECT_FALSE(ClassesValue(L"Interface\\" + Guid(IID_IProgramList)));
    EXPECT_FALSE(ClassesValue(L"Interface\\" + Guid(IID_IProgramEntry)));
    ComPtr<IProgramList> list;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_ProgramList, nullptr, CLSCTX_INPROC_SERVER, IID_IProgramList,
                                                    list.put_void()));
    EXPECT_EQ(S_OK, CallExport("DllUnregisterServer")) << "a second unregister finds nothing to remove";

    ASSERT_EQ(S_OK, CallExport("DllRegisterServer"));  // for the tests after this one
    EXPECT_TRUE(CreateList());
}

// Machine-wide class registration refused: no new subkeys under HKLM\Software\Classes
// (Wine enforces registry access lists, though it runs everything as an administrator).
TEST(DoffkitRegistration, FallsBackToPerUserClassesWhenMachineWideIsRefused) {
    ComApartment com;
    ASSERT_EQ(S_OK, CallExport("DllUnregisterServer"));
    UniqueHKey classes;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, READ_CONTROL | WRITE_DAC,
                                           classes.put()));
    DWORD size = 0;
    RegGetKeySecurity(classes.get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<BYTE> original(size);
    ASSERT_EQ(ERROR_SUCCESS, RegGetKeySecurity(classes.get(), DACL_SECURITY_INFORMATION, original.data(), &size));
    PSECURITY_DESCRIPTOR raw = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(D;;0x4;;;WD)(A;CI;KA;;;WD)", SDDL_REVISION_1,
                                                                     &raw, nullptr));
    UniqueLocal<void> denying(raw);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeySecurity(classes.get(), DACL_SECURITY_INFORMATION, denying.get()));
    const HRESULT registered = CallExport("DllRegisterServer");
    RegSetKeySecurity(classes.get(), DACL_SECURITY_INFORMATION, original.data());

    EXPECT_EQ(S_OK, registered);
    EXPECT_FALSE(ClassesValue(L"CLSID\\" + Guid(CLSID_ProgramList)));
    UniqueHKey server;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER,
                                           (L"Software\\Classes\\CLSID\\" + Guid(CLSID_ProgramList) + L"\\InprocServer32").c_str(),
                                           0, KEY_READ, server.put()));
    EXPECT_EQ(ComponentPath(), ReadRegString(server.get(), nullptr).value_or(L"-"));
    server.reset();

    EXPECT_EQ(S_OK, CallExport("DllUnregisterServer"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER,
                                                  (L"Software\\Classes\\CLSID\\" + Guid(CLSID_ProgramList)).c_str(), 0,
                                                  KEY_READ, server.put()));
    ASSERT_EQ(S_OK, CallExport("DllRegisterServer"));  // machine-wide again for the tests after this one
    EXPECT_TRUE(CreateList());
}

// --- the objects ----------------------------------------------------------------------

TEST(DoffkitObjects, AnswerTheirInterfacesAndKeepTheModuleLoadedWhileAlive) {
    ComApartment com;
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(Component(), "DllGetClassObject")));
    ASSERT_TRUE(getClassObject);
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(IID_IProgramList, IID_IClassFactory, factory.put_void()));
    ASSERT_EQ(S_OK, getClassObject(CLSID_ProgramList, IID_IClassFactory, factory.put_void()));
    EXPECT_EQ(S_FALSE, CallExport("DllCanUnloadNow")) << "a held factory keeps the module";

    ComPtr<IUnknown> aggregated;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(reinterpret_cast<IUnknown*>(factory.get()), IID_IUnknown,
                                                             aggregated.put_void()));
    ComPtr<IProgramList> list;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IProgramList, list.put_void()));
    factory.reset();
    EXPECT_EQ(S_FALSE, CallExport("DllCanUnloadNow")) << "a live object keeps the module";

    ComPtr<IUnknown> unknown;
    ComPtr<IDispatch> dispatch;
    ComPtr<IProgramEntry> wrong;
    EXPECT_EQ(S_OK, list->QueryInterface(IID_IUnknown, unknown.put_void()));
    EXPECT_EQ(S_OK, list->QueryInterface(IID_IDispatch, dispatch.put_void()));
    EXPECT_EQ(E_NOINTERFACE, list->QueryInterface(IID_IProgramEntry, wrong.put_void()));
    EXPECT_FALSE(wrong);

    SeededKey seeded(UniqueName(L"Qi"));
    ComPtr<IProgramEntry> entry = FindEntry(list.get(), seeded.name());
    ASSERT_TRUE(entry);
    ComPtr<IDispatch> entryDispatch;
    EXPECT_EQ(S_OK, entry->QueryInterface(IID_IDispatch, entryDispatch.put_void()));
    ComPtr<IProgramList> notAList;
    EXPECT_EQ(E_NOINTERFACE, entry->QueryInterface(IID_IProgramList, notAList.put_void()));

    list.reset(); unknown.reset(); dispatch.reset();
    EXPECT_EQ(S_FALSE, CallExport("DllCanUnloadNow")) << "an entry outlives its list";
    entry.reset(); entryDispatch.reset();
    EXPECT_EQ(S_OK, CallExport("DllCanUnloadNow"));
}

namespace {

DISPID DispatchId(IDispatch* object, const wchar_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(S_OK, object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << ToUtf8(name);
    return id;
}

HRESULT CallByName(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args, VARIANT* result) {
    DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    EXCEPINFO exception = {};
    UINT argError = 0;
    HRESULT hr = object->Invoke(DispatchId(object, name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                result, &exception, &argError);
    UniqueBstr owned[3];  // filled only on failure
    *owned[0].put() = exception.bstrSource;
    *owned[1].put() = exception.bstrDescription;
    *owned[2].put() = exception.bstrHelpFile;
    return hr;
}

VARIANT Long(long value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

}  // namespace

TEST(DoffkitObjects, WorkThroughLateBoundDispatch) {
    ComApartment com;
    SeededKey seeded(UniqueName(L"Dispatch"));
    seeded.Text(L"DisplayName", L"Late Bound Ünïcode 程序");
    ComPtr<IProgramList> list = CreateList();
    ASSERT_TRUE(list);
    long index = -1;
    ASSERT_TRUE(FindEntry(list.get(), seeded.name(), &index));
    long direct = 0;
    ASSERT_EQ(S_OK, list->GetProgramCount(&direct));

    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, list->QueryInterface(IID_IDispatch, dispatch.put_void()));
    UINT infoCount = 0;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&infoCount));
    EXPECT_EQ(1u, infoCount);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.put()));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attributes));
    EXPECT_TRUE(IsEqualIID(IID_IProgramList, attributes->guid));
    info->ReleaseTypeAttr(attributes);

    UniqueVariant count;
    ASSERT_EQ(S_OK, CallByName(dispatch.get(), L"GetProgramCount", {}, count.get()));
    EXPECT_EQ(VT_I4, count.get()->vt);
    EXPECT_EQ(direct, count.get()->lVal);

    UniqueVariant entry;
    ASSERT_EQ(S_OK, CallByName(dispatch.get(), L"GetProgram", {Long(index)}, entry.get()));
    ASSERT_EQ(VT_DISPATCH, entry.get()->vt);
    ASSERT_TRUE(entry.get()->pdispVal);
    UniqueVariant name, keyName;
    ASSERT_EQ(S_OK, CallByName(entry.get()->pdispVal, L"GetDisplayName", {}, name.get()));
    ASSERT_EQ(VT_BSTR, name.get()->vt);
    EXPECT_EQ(L"Late Bound Ünïcode 程序", std::wstring(name.get()->bstrVal));
    ASSERT_EQ(S_OK, CallByName(entry.get()->pdispVal, L"GetKeyName", {}, keyName.get()));
    EXPECT_EQ(seeded.name(), std::wstring(keyName.get()->bstrVal));

    // The entry's second interface dispatches through its own type information.
    ComPtr<IProgramEntry2> where;
    ASSERT_EQ(S_OK, entry.get()->pdispVal->QueryInterface(IID_IProgramEntry2, where.put_void()));
    UniqueVariant keyPath;
    ASSERT_EQ(S_OK, CallByName(where.get(), L"GetKeyPath", {}, keyPath.get()));
    ASSERT_EQ(VT_BSTR, keyPath.get()->vt);
    EXPECT_EQ(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + seeded.name(),
              std::wstring(keyPath.get()->bstrVal));

    UniqueVariant none;
    EXPECT_TRUE(FAILED(CallByName(dispatch.get(), L"GetProgram", {Long(direct)}, none.get())));
    DISPID id = 0;
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMethod")};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id));
}

}  // namespace doffkit_test
