#pragma once
// The exit codes of every command-line mode: a script tells the three outcomes apart the same
// way whichever mode it ran.
namespace purgeon {

inline constexpr int kExitDone = 0;         // everything asked for was done
inline constexpr int kExitNothingDone = 1;  // bad arguments, or an error before anything was done
inline constexpr int kExitDoneInPart = 2;   // done, but something stayed or failed (each one is printed)

}  // namespace purgeon
