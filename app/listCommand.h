#pragma once
#include <string>
#include <vector>

namespace purgeon {

// The command-line modes that print instead of opening a window, from one table of name, usage
// and handler ("/?" prints every usage). Returns the exit code (common/exitCodes.h: 0 done,
// 2 done in part, 1 nothing done: bad arguments, an unknown "/mode", an error), or -1 when the
// first argument is no switch and the window is to open.
int RunCommandLineMode(const std::vector<std::wstring>& args);

// Thrown by a mode whose arguments do not fit: its usage is printed.
struct BadArguments {};

// Writes UTF-8 text to standard output, attaching to the parent's console when the program
// was started without one.
void WriteStdout(const std::wstring& text);

}  // namespace purgeon
