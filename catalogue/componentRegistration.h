#pragma once
#include <optional>
#include <string>

namespace purgeon {

// Registers the catalogue component through its own DllRegisterServer, loading the DLL by its
// bare name so the program folder is searched first. Returns the text to report on failure:
// "<system error text>: Doffkit.dll" when the DLL cannot be loaded.
std::optional<std::wstring> RegisterCatalogueComponent();

}  // namespace purgeon
