#pragma once
// The uninstall room: running a program's own uninstaller and knowing what came of it.
//   waitingThread  starts the uninstaller on a worker thread, waits until it and any copy it
//                  handed over to are done, tells the window, and judges the outcome from the
//                  program's uninstall key (removed, still installed, not started)
//   screenSaver    a screen saver has no uninstaller: its file is set aside in the backup folder
//   quietForms     how an uninstaller runs without asking: its installer's kind and quiet command
//   batchPlan      which programs of a batch may run side by side
//   batchRunner    runs a batch under those rules, each program's record written before it starts
//   leftoverSearch the leftovers of programs already gone, from those records and what every
//                  installed program claims
// What the uninstaller left behind is the remains room's; taking it away is the clean-up's.
#include "uninstall/batchPlan.h"
#include "uninstall/batchRunner.h"
#include "uninstall/leftoverSearch.h"
#include "uninstall/quietForms.h"
#include "uninstall/screenSaver.h"
#include "uninstall/waitingThread.h"
