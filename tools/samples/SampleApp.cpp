// The program every sample installs under its own name. It only has to exist, carry a
// version resource and, when asked, stay running for a while (/stay=<ms>) so a test can
// find it running. Started from a Run entry (/background) it exits at once.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    DWORD stayMs = 0;
    for (int i = 1; argv && i < count; ++i)
        if (wcsncmp(argv[i], L"/stay=", 6) == 0) stayMs = wcstoul(argv[i] + 6, nullptr, 10);
    if (argv) LocalFree(argv);
    if (stayMs) Sleep(stayMs);
    return 0;
}
