#pragma once
#include <windows.h>

namespace doffkit {

// A new ProgramList object (the component's one creatable class), queried for `iid`.
HRESULT CreateProgramList(REFIID iid, void** out);

}  // namespace doffkit
