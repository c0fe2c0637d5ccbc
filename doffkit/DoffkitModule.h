#pragma once
// State shared by every object of the component: the module handle, the counts that
// DllCanUnloadNow reports, and the type information the dual interfaces dispatch through.
#include <windows.h>
#include <oleauto.h>

#include <new>

namespace doffkit {

HMODULE ThisModule();

// Live objects and LockServer locks; the DLL may unload only when both are zero.
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);
bool ModuleInUse();

// Type information of one of our interfaces, from the type library embedded in this
// DLL. Returns a new reference (the caller releases it) or an error.
HRESULT GetInterfaceTypeInfo(REFIID iid, ITypeInfo** info);
// Drops the cached type library once nothing uses the module any more.
void ReleaseTypeInfoCache();

// Runs a COM method body: no exception may cross the interface boundary.
template <typename Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace doffkit
