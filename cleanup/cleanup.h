#pragma once
// The clean-up room: taking away the findings the user left checked, so that every one of them
// can be given back, and saying truthfully what went and what stayed.
//   remainsDelete   deletes the checked keys and values, sets the checked files aside
//   safeFiles       file moves that never act through a link
//   cleanupBackup   each clean-up's own backup folder and its manifest
//   regBackup       the registry part of that backup, as the registry editor's file
//   cleanupUndo     the list of past clean-ups, restoring one, deleting its backup
//   itemOutcome     what became of each item, and cleanupReport, the messages built from them
//   cleanCommand    the command-line clean-up and restore
#include "cleanup/cleanCommand.h"
#include "cleanup/cleanupBackup.h"
#include "cleanup/cleanupReport.h"
#include "cleanup/cleanupUndo.h"
#include "cleanup/itemOutcome.h"
#include "cleanup/regBackup.h"
#include "cleanup/remainsDelete.h"
#include "cleanup/safeFiles.h"
