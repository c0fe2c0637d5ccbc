#pragma once
// The remains room: finding what a program left behind, and what of it is checked before the
// user looks. Plain data out, no window and no deletion.
//   remainsScan       the registry walks and the install folder's listing, as trees of findings,
//                     and the places a scan never offers (protectedFolders.cpp)
//   defaultMarks      which findings surely belong to the program, and why the rest is unchecked
//   checkTree         the trees' three-state check marks
#include "remains/checkTree.h"
#include "remains/defaultMarks.h"
#include "remains/remainsScan.h"
