#pragma once
// The remains room: finding what a program left behind, and what of it is checked before the
// user looks. Plain data out, no window and no deletion.
//   remainsScan       the registry walks and the install folder's listing, as trees of findings,
//                     and the places a scan never offers (protectedFolders.cpp)
//   defaultMarks      which findings surely belong to the program, and why the rest is unchecked
//   checkTree         the trees' three-state check marks
//   leftovers         what no installed program claims: the leftovers of programs already gone
#include "remains/checkTree.h"
#include "remains/defaultMarks.h"
#include "remains/leftovers.h"
#include "remains/remainsScan.h"
