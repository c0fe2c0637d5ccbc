#pragma once
// Process-wide state: install-relative paths, option flags, the application title.
#include <stdexcept>
#include <string>

namespace purgeon {

inline constexpr wchar_t kAppTitle[] = L"Purgeon";

// Folders end with a backslash. Filled once at start; LangPath changes on a language switch.
struct AppPathsRecord {
    std::wstring ProgramDir;
    std::wstring ConfigPath;
    std::wstring LangDir;
    std::wstring HelpPath;
    std::wstring LangPath;
    std::wstring SkinDir;
    std::wstring SkinPath;
    std::wstring RegBackupDir;
    std::wstring ScrBackupDir;
};

extern AppPathsRecord AppPaths;
// Program-list filters.
extern bool HideSysPatch;
extern bool HideScreenSaver;

// An error meant for the user: its text is shown as it stands by the general error report.
class UserError : public std::runtime_error {
public:
    explicit UserError(std::wstring message) : std::runtime_error("user error"), message_(std::move(message)) {}
    const std::wstring& message() const { return message_; }

private:
    std::wstring message_;
};

}  // namespace purgeon
