#include "catalogue/componentRegistration.h"

#include <windows.h>

#include "catalogue/DoffkitLib_TLB.h"
#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"

namespace purgeon {

std::optional<std::wstring> RegisterCatalogueComponent() {
    UniqueModule module(LoadLibraryW(kDoffkitDllName));
    if (!module) return Format(L"%s: %s", SystemErrorText(GetLastError()).c_str(), kDoffkitDllName);

    using RegisterFn = HRESULT(STDAPICALLTYPE*)();
    auto registerServer = reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(GetProcAddress(module.get(), "DllRegisterServer")));
    if (!registerServer) return Format(L"%s: %s", SystemErrorText(GetLastError()).c_str(), kDoffkitDllName);

    HRESULT hr = registerServer();
    if (FAILED(hr)) return Format(L"%s: %s", SystemErrorText(static_cast<DWORD>(hr)).c_str(), kDoffkitDllName);
    return std::nullopt;
}

IProgramList* ConnectCatalogue(TProgramList& programs) {
    try {
        return programs.Get();
    } catch (const UserError&) {
        if (auto error = RegisterCatalogueComponent()) throw UserError(*error);
        return programs.Get();
    }
}

}  // namespace purgeon
