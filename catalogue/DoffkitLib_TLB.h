#pragma once
// The program's view of the catalogue component: its interfaces, class id and type library,
// generated from doffkit/Doffkit.idl.
#include <windows.h>
#include <ole2.h>

#include "Doffkit_h.h"

namespace purgeon {
inline constexpr wchar_t kDoffkitDllName[] = L"Doffkit.dll";
}
