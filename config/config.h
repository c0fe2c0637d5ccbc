#pragma once
// Start-up folders and Config.ini: its creation, its reads and every write to it.
#include <functional>
#include <string>

#include "common/globals.h"

namespace purgeon {

inline constexpr wchar_t kConfigSection[] = L"config";
inline constexpr wchar_t kKeySkinFile[] = L"SkinFile";
inline constexpr wchar_t kKeyLanguageFile[] = L"LanguageFile";
inline constexpr wchar_t kKeyHideScreenSaver[] = L"HideScreenSaver";
inline constexpr wchar_t kKeyHideSysPatch[] = L"HideSysPatch";

using ErrorBox = std::function<void(const std::wstring& text)>;

// Fills `paths` from the executable's full path, creates Config.ini with defaults when it is
// missing and creates the language and skin folders. On a failed Config.ini creation it shows
// "Save file %s failed!" through `showError` and returns false; other failures return false
// silently.
bool InitEnvironment(const std::wstring& exePath, AppPathsRecord& paths, const ErrorBox& showError);

// Writes the four keys with their defaults in order; false when any write fails.
bool WriteDefaultConfig(const std::wstring& configPath);

// A saved "0"/"1" option; any other value (or none) gives `fallback`.
bool ReadStoredOption(const std::wstring& configPath, const wchar_t* key, bool fallback);

// The writers below throw UserError("Unable to write to <path>") when the write fails.
void WriteConfigValue(const std::wstring& configPath, const wchar_t* key, const std::wstring& value);
void WriteLanguageFileName(const std::wstring& configPath, const std::wstring& fileName);
void WriteHideOption(const std::wstring& configPath, const wchar_t* key, bool value);
// Exit: HideSysPatch first, then HideScreenSaver.
void WriteExitOptions(const std::wstring& configPath, bool hideSysPatch, bool hideScreenSaver);

}  // namespace purgeon
