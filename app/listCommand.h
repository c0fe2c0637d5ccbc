#pragma once
#include <string>
#include <vector>

namespace purgeon {

// The command-line modes that print instead of opening a window. Returns the process exit code,
// or -1 when the arguments name no such mode.
int RunCommandLineMode(const std::vector<std::wstring>& args);

// Writes UTF-8 text to standard output, attaching to the parent's console when the program
// was started without one.
void WriteStdout(const std::wstring& text);

}  // namespace purgeon
