// purgeon_hold_file PATH: holds the file open without sharing it until the test ends this process,
// as a program that is running from its install folder does.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    // The test looks at the file meanwhile to see when it is held: a look at the same moment makes
    // an open without sharing fail, so it is tried again.
    for (int attempt = 0; attempt < 500; ++attempt) {
        HANDLE held = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (held != INVALID_HANDLE_VALUE) {
            Sleep(10 * 60 * 1000);  // the handle goes with the process
            return 0;
        }
        if (GetLastError() != ERROR_SHARING_VIOLATION) return 1;
        Sleep(20);
    }
    return 1;
}
