#include "config/config.h"

#include <windows.h>

#include "common/funUtils.h"
#include "i18n/multiLangs.h"

namespace purgeon {

namespace {

// Values are at most 2047 characters, as everywhere the program reads INI files.
std::wstring ReadConfigString(const std::wstring& configPath, const wchar_t* key, const wchar_t* fallback) {
    wchar_t buffer[2048];
    GetPrivateProfileStringW(kConfigSection, key, fallback, buffer, 2048, configPath.c_str());
    return buffer;
}

bool TryWrite(const std::wstring& configPath, const wchar_t* key, const wchar_t* value) {
    return WritePrivateProfileStringW(kConfigSection, key, value, configPath.c_str()) != FALSE;
}

}  // namespace

bool WriteDefaultConfig(const std::wstring& configPath) {
    return TryWrite(configPath, kKeySkinFile, L"Default.ini") &&
           TryWrite(configPath, kKeyLanguageFile, L"English.ini") &&
           TryWrite(configPath, kKeyHideScreenSaver, L"1") && TryWrite(configPath, kKeyHideSysPatch, L"0");
}

bool InitEnvironment(const std::wstring& exePath, AppPathsRecord& paths, const ErrorBox& showError) {
    paths.ProgramDir = ExtractFilePath(exePath);
    if (paths.ProgramDir.empty()) return false;
    paths.ConfigPath = paths.ProgramDir + L"Config.ini";

    if (!FileExists(paths.ConfigPath) && !WriteDefaultConfig(paths.ConfigPath)) {
        // No language has been loaded yet: the built-in text is the one in force.
        showError(Format(LangText(IDS_MESSAGEBOX_WARNING_SaveFileFailed).c_str(), paths.ConfigPath.c_str()));
        return false;
    }

    paths.LangDir = paths.ProgramDir + L"Langs\\";
    paths.HelpPath = paths.LangDir + L"Help.Chm";
    paths.LangPath = paths.LangDir + ReadConfigString(paths.ConfigPath, kKeyLanguageFile, L"English.ini");
    paths.SkinDir = paths.ProgramDir + L"Skins\\";
    paths.SkinPath = paths.SkinDir + ReadConfigString(paths.ConfigPath, kKeySkinFile, L"Default.ini");
    paths.RegBackupDir = paths.ProgramDir + L"Back up\\reg\\";
    paths.ScrBackupDir = paths.ProgramDir + L"Back up\\scr\\";

    return ForceDirectories(paths.LangDir) && ForceDirectories(paths.SkinDir);
}

bool ReadStoredOption(const std::wstring& configPath, const wchar_t* key, bool fallback) {
    std::wstring value = ReadConfigString(configPath, key, L"");
    if (value == L"1") return true;
    if (value == L"0") return false;
    return fallback;
}

void WriteConfigValue(const std::wstring& configPath, const wchar_t* key, const std::wstring& value) {
    if (!TryWrite(configPath, key, value.c_str()))
        throw UserError(Format(L"Unable to write to %s", configPath.c_str()));
}

void WriteLanguageFileName(const std::wstring& configPath, const std::wstring& fileName) {
    WriteConfigValue(configPath, kKeyLanguageFile, fileName);
}

void WriteHideOption(const std::wstring& configPath, const wchar_t* key, bool value) {
    WriteConfigValue(configPath, key, value ? L"1" : L"0");
}

void WriteExitOptions(const std::wstring& configPath, bool hideSysPatch, bool hideScreenSaver) {
    WriteHideOption(configPath, kKeyHideSysPatch, hideSysPatch);
    WriteHideOption(configPath, kKeyHideScreenSaver, hideScreenSaver);
}

}  // namespace purgeon
