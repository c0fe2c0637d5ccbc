#pragma once
// Reference counting, QueryInterface and a real IDispatch (driven by the embedded type
// library) for one dual interface. Derived classes implement the interface's own methods.
#include <windows.h>
#include <oleauto.h>

#include "common/handles.h"
#include "doffkit/DoffkitModule.h"

namespace doffkit {

template <typename Interface, const IID* InterfaceId>
class DualObject : public Interface {
public:
    DualObject() { ObjectCreated(); }
    virtual ~DualObject() { ObjectDestroyed(); }
    DualObject(const DualObject&) = delete;
    DualObject& operator=(const DualObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, *InterfaceId)) {
            *out = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return GetInterfaceTypeInfo(*InterfaceId, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        purgeon::ComPtr<ITypeInfo> info;
        HRESULT hr = GetInterfaceTypeInfo(*InterfaceId, info.put());
        if (FAILED(hr)) return hr;
        return DispGetIDsOfNames(info.get(), names, count, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        purgeon::ComPtr<ITypeInfo> info;
        HRESULT hr = GetInterfaceTypeInfo(*InterfaceId, info.put());
        if (FAILED(hr)) return hr;
        // The vtable handed over must be the one the type information describes.
        return DispInvoke(static_cast<Interface*>(this), info.get(), id, flags, params, result, exception,
                          argError);
    }

private:
    LONG refs_ = 1;  // the creator owns the first reference
};

}  // namespace doffkit
