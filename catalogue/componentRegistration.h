#pragma once
#include <optional>
#include <string>

#include "catalogue/ProgramList.h"

namespace purgeon {

// Registers the catalogue component through its own DllRegisterServer, loading the DLL by its
// bare name so the program folder is searched first. Returns the text to report on failure:
// "<system error text>: Doffkit.dll" when the DLL cannot be loaded.
std::optional<std::wstring> RegisterCatalogueComponent();

// The catalogue, registered first when this machine does not know it yet. Throws UserError with
// the reason when it cannot be reached.
IProgramList* ConnectCatalogue(TProgramList& programs);

}  // namespace purgeon
