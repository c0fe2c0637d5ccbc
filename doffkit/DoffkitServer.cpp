// The COM server: module state, the class factory and the exported entry points.
#include <windows.h>
#include <ole2.h>

#include "Doffkit_h.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "doffkit/DoffkitModule.h"
#include "doffkit/ProgramListObject.h"

namespace doffkit {

namespace {

HMODULE g_module = nullptr;
LONG g_objects = 0;
LONG g_locks = 0;

// Loaded on first dispatch, kept while the module is in use. Held by a never-destroyed
// object so no Release runs under the loader lock at process exit.
struct TypeInfoCache {
    SRWLOCK lock = SRWLOCK_INIT;
    purgeon::ComPtr<ITypeLib> library;
    purgeon::ComPtr<ITypeInfo> list;
    purgeon::ComPtr<ITypeInfo> entry;
    purgeon::ComPtr<ITypeInfo> entry2;
};
TypeInfoCache& TypeCache() {
    static TypeInfoCache* cache = new TypeInfoCache;
    return *cache;
}

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static; a client holding it must still keep the DLL loaded.
    ULONG STDMETHODCALLTYPE AddRef() override { LockModule(true); return 2; }
    ULONG STDMETHODCALLTYPE Release() override { LockModule(false); return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return Guarded([&] { return CreateProgramList(iid, out); });
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        LockModule(lock != FALSE);
        return S_OK;
    }
};

ClassFactory g_factory;

}  // namespace

HMODULE ThisModule() { return g_module; }
void ObjectCreated() { InterlockedIncrement(&g_objects); }
void ObjectDestroyed() { InterlockedDecrement(&g_objects); }
void LockModule(bool lock) {
    if (lock)
        InterlockedIncrement(&g_locks);
    else
        InterlockedDecrement(&g_locks);
}
bool ModuleInUse() { return InterlockedCompareExchange(&g_objects, 0, 0) > 0 || InterlockedCompareExchange(&g_locks, 0, 0) > 0; }

HRESULT GetInterfaceTypeInfo(REFIID iid, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    TypeInfoCache& cache = TypeCache();
    AcquireSRWLockExclusive(&cache.lock);
    HRESULT hr = S_OK;
    if (!cache.library)
        hr = LoadTypeLibEx(purgeon::ModuleFileName(g_module).c_str(), REGKIND_NONE, cache.library.put());
    purgeon::ComPtr<ITypeInfo>* slot = IsEqualIID(iid, IID_IProgramList)    ? &cache.list
                                       : IsEqualIID(iid, IID_IProgramEntry) ? &cache.entry
                                       : IsEqualIID(iid, IID_IProgramEntry2) ? &cache.entry2
                                                                             : nullptr;
    if (SUCCEEDED(hr) && !slot) hr = TYPE_E_ELEMENTNOTFOUND;
    if (SUCCEEDED(hr) && !*slot) hr = cache.library->GetTypeInfoOfGuid(iid, slot->put());
    if (SUCCEEDED(hr)) {
        *info = slot->get();
        (*info)->AddRef();
    }
    ReleaseSRWLockExclusive(&cache.lock);
    return hr;
}

void ReleaseTypeInfoCache() {
    TypeInfoCache& cache = TypeCache();
    AcquireSRWLockExclusive(&cache.lock);
    cache.list.reset();
    cache.entry.reset();
    cache.entry2.reset();
    cache.library.reset();
    ReleaseSRWLockExclusive(&cache.lock);
}

}  // namespace doffkit

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        doffkit::g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_ProgramList)) return CLASS_E_CLASSNOTAVAILABLE;
    return doffkit::g_factory.QueryInterface(iid, out);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    if (doffkit::ModuleInUse()) return S_FALSE;
    // Nothing of ours is alive: nothing can dispatch through the cached type library.
    doffkit::ReleaseTypeInfoCache();
    return S_OK;
}

}  // extern "C"
