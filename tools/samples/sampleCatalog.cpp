#include "tools/samples/sampleCatalog.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <iterator>

#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon::samples {

namespace {

// Everything here lives in the native (64-bit) view, as a 64-bit installer writes it.
constexpr REGSAM kView = KEY_WOW64_64KEY;
constexpr wchar_t kSoftware[] = L"Software";
constexpr wchar_t kUpdatesValue[] = L"InstalledUpdates";

const wchar_t* RootName(HKEY root) { return root == HKEY_CURRENT_USER ? L"HKCU" : L"HKLM"; }

std::wstring Describe(HKEY root, const std::wstring& path) { return std::wstring(RootName(root)) + L'\\' + path; }

[[noreturn]] void Fail(const std::wstring& what, DWORD error) {
    throw SampleError(what + L": " + SystemErrorText(error));
}

// --- registry -----------------------------------------------------------------

UniqueHKey CreateKey(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    LSTATUS status = RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE | kView, nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS) Fail(L"Cannot create " + Describe(root, path), status);
    return key;
}

UniqueHKey OpenKey(HKEY root, const std::wstring& path, REGSAM access = KEY_READ) {
    UniqueHKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, access | kView, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

bool KeyExists(HKEY root, const std::wstring& path) { return static_cast<bool>(OpenKey(root, path)); }

void SetString(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
    LSTATUS status = RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) Fail(Format(L"Cannot write the value %ls", name), status);
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
    LSTATUS status = RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    if (status != ERROR_SUCCESS) Fail(Format(L"Cannot write the value %ls", name), status);
}

void SetBinary(HKEY key, const wchar_t* name, const std::vector<BYTE>& data) {
    LSTATUS status = RegSetValueExW(key, name, 0, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
    if (status != ERROR_SUCCESS) Fail(Format(L"Cannot write the value %ls", name), status);
}

// Deletes a key with everything below it. False when it was not there.
bool DeleteKeyTree(HKEY root, const std::wstring& path, std::vector<std::wstring>* log) {
    UniqueHKey key = OpenKey(root, path, KEY_ALL_ACCESS);
    if (!key) return false;
    LSTATUS status = RegDeleteTreeW(key.get(), nullptr);
    key.reset();
    if (status == ERROR_SUCCESS) status = RegDeleteKeyExW(root, path.c_str(), kView, 0);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) Fail(L"Cannot delete " + Describe(root, path), status);
    if (log) log->push_back(L"key   " + Describe(root, path));
    return true;
}

// Deletes a key only when nothing is left in it (a publisher key other samples may share).
void DeleteKeyIfEmpty(HKEY root, const std::wstring& path, std::vector<std::wstring>* log) {
    UniqueHKey key = OpenKey(root, path);
    if (!key) return;
    DWORD subkeys = 0, values = 0;
    if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                         nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys || values)
        return;
    key.reset();
    if (RegDeleteKeyExW(root, path.c_str(), kView, 0) == ERROR_SUCCESS && log)
        log->push_back(L"key   " + Describe(root, path));
}

bool DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name, std::vector<std::wstring>* log) {
    UniqueHKey key = OpenKey(root, path, KEY_SET_VALUE | KEY_QUERY_VALUE);
    if (!key) return false;
    LSTATUS status = RegDeleteValueW(key.get(), name.c_str());
    if (status == ERROR_FILE_NOT_FOUND) return false;
    if (status != ERROR_SUCCESS) Fail(L"Cannot delete the value " + name + L" of " + Describe(root, path), status);
    if (log) log->push_back(L"value " + Describe(root, path) + L" : " + name);
    return true;
}

bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name) {
    UniqueHKey key = OpenKey(root, path);
    return key && RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring ReadString(HKEY root, const std::wstring& path, const wchar_t* name) {
    UniqueHKey key = OpenKey(root, path);
    if (!key) return {};
    return ReadRegString(key.get(), name).value_or(L"");
}

// --- files ----------------------------------------------------------------------

void WriteBytes(const std::wstring& path, const void* data, size_t size) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        file.release();
        Fail(L"Cannot create " + path, GetLastError());
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) || written != size)
        Fail(L"Cannot write " + path, GetLastError());
}

// Text files as an installer leaves them: UTF-8 with a byte-order mark, CRLF lines.
void WriteText(const std::wstring& path, const std::wstring& text) {
    std::string bytes = "\xEF\xBB\xBF" + ToUtf8(text);
    WriteBytes(path, bytes.data(), bytes.size());
}

// Looks like a DLL to anyone glancing at it: an MZ header and a body of patterned bytes.
void WriteDllLike(const std::wstring& path, size_t size, unsigned seed) {
    std::vector<BYTE> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<BYTE>((i * 31 + seed * 7) ^ (i >> 8));
    data[0] = 'M';
    data[1] = 'Z';
    WriteBytes(path, data.data(), data.size());
}

void CopyTool(const std::wstring& from, const std::wstring& to) {
    if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) Fail(L"Cannot copy " + from + L" to " + to, GetLastError());
}

ULONGLONG FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool DeleteOneFile(const std::wstring& path, std::vector<std::wstring>* log) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!DeleteFileW(path.c_str())) {
        DWORD error = GetLastError();
        // A running exe (the uninstaller itself, say) cannot be deleted but can be renamed on
        // the same volume: parked in %TEMP%, it no longer keeps its folder from going.
        if (!MoveFileExW(path.c_str(), NewTempCopyPath().c_str(), MOVEFILE_REPLACE_EXISTING))
            Fail(L"Cannot delete " + path, error);
    }
    if (log) log->push_back(L"file  " + path);
    return true;
}

// Deletes a folder and everything in it. False when it was not there.
bool DeleteFolderTree(const std::wstring& folder, std::vector<std::wstring>* log) {
    std::wstring dir = IncludeTrailingBackslash(folder);
    if (!DirectoryExists(dir)) return false;
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileW((dir + L'*').c_str(), &found));
    if (find) {
        do {
            std::wstring entry = found.cFileName;
            if (entry == L"." || entry == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteFolderTree(dir + entry, nullptr);
            else
                DeleteOneFile(dir + entry, nullptr);
        } while (FindNextFileW(find.get(), &found));
    }
    find.reset();
    if (!RemoveDirectoryW(ExcludeTrailingBackslash(dir).c_str())) Fail(L"Cannot remove the folder " + dir, GetLastError());
    if (log) log->push_back(L"dir   " + dir);
    return true;
}

void DeleteFolderIfEmpty(const std::wstring& folder, std::vector<std::wstring>* log) {
    std::wstring dir = ExcludeTrailingBackslash(folder);
    if (DirectoryExists(dir) && RemoveDirectoryW(dir.c_str()) && log) log->push_back(L"dir   " + IncludeTrailingBackslash(dir));
}

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    HRESULT hr = SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path);
    if (FAILED(hr)) throw SampleError(Format(L"Cannot find the shell folder %d: 0x%08lx", csidl, hr));
    return IncludeTrailingBackslash(path);
}

void CreateShortcut(const std::wstring& link, const std::wstring& target, const std::wstring& description,
                    int iconIndex) {
    ComApartment apartment;  // the caller's apartment, if any, serves as well
    ComPtr<IShellLinkW> shellLink;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.put_void());
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(hr)) hr = shellLink->SetPath(target.c_str());
    if (SUCCEEDED(hr)) hr = shellLink->SetWorkingDirectory(ExtractFilePath(target).c_str());
    if (SUCCEEDED(hr)) hr = shellLink->SetDescription(description.c_str());
    if (SUCCEEDED(hr)) hr = shellLink->SetIconLocation(target.c_str(), iconIndex);
    if (SUCCEEDED(hr)) hr = shellLink->QueryInterface(IID_IPersistFile, file.put_void());
    if (SUCCEEDED(hr)) hr = file->Save(link.c_str(), TRUE);
    if (FAILED(hr)) throw SampleError(Format(L"Cannot create the shortcut %ls: 0x%08lx", link.c_str(), hr));
}

// --- names ---------------------------------------------------------------------------

// A name the file system accepts: reserved characters become '_'.
std::wstring SafeFileName(const std::wstring& text) {
    std::wstring out = Trim(text);
    for (wchar_t& c : out)
        if (wcschr(L"<>:\"/\\|?*", c) || c < L' ') c = L'_';
    while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();
    return out.empty() ? L"_" : out;
}

// Names that would make a sample overwrite or delete keys the system owns.
void CheckName(const std::wstring& name) {
    static const wchar_t* const reserved[] = {L"Microsoft", L"Wine",  L"Classes", L"Policies", L"Clients",
                                              L"WOW6432Node", L"ODBC", L"RegisteredApplications", L"Purgeon"};
    if (Trim(name).empty() || name.find_first_of(L"\\\"") != std::wstring::npos || name.size() > 200)
        throw SampleError(L"Not a usable sample name: \"" + name + L"\"");
    for (const wchar_t* word : reserved)
        if (EqualsNoCase(name, word)) throw SampleError(L"The name \"" + name + L"\" belongs to the system");
}

std::wstring Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return Format(L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
}

std::wstring SlugOf(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : ToLower(text))
        if ((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9')) out += c;
    return out.empty() ? L"example" : out;
}

std::wstring QuoteArg(const std::wstring& text) { return L'"' + text + L'"'; }

std::wstring UninstallCommand(const std::wstring& uninstaller, const std::wstring& key, UninstallBehaviour behaviour,
                              UninstallBehaviour handoverWork, DWORD exitCode) {
    std::wstring command = QuoteArg(uninstaller) + L" /behaviour=" + BehaviourName(behaviour);
    if (behaviour == UninstallBehaviour::Handover) command += std::wstring(L" /then=") + BehaviourName(handoverWork);
    if (exitCode != 0) command += Format(L" /exit=%lu", exitCode);
    return command + L" /key=" + QuoteArg(key);
}

// --- what a sample is made of ------------------------------------------------------------

std::wstring AppFileName(const std::wstring& name) { return SafeFileName(name) + L".exe"; }

void WriteVendorKeys(const SampleSpec& spec, const std::wstring& installDir) {
    const std::wstring& name = spec.name;
    {
        UniqueHKey user = CreateKey(HKEY_CURRENT_USER, std::wstring(kSoftware) + L'\\' + name);
        SetString(user.get(), L"InstallDir", installDir);
        SetString(user.get(), L"Version", spec.version);
        SetDword(user.get(), L"Language", 1033);
        SetDword(user.get(), L"FirstRun", 0);
        UniqueHKey settings = CreateKey(user.get(), L"Settings");
        SetString(settings.get(), L"Theme", L"Dark");
        SetBinary(settings.get(), L"WindowPos", {0x2c, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00, 0x20, 0x03, 0x58, 0x02});
        UniqueHKey recent = CreateKey(user.get(), L"Recent Files");
        SetString(recent.get(), L"File1", L"%USERPROFILE%\\Documents\\" + SafeFileName(name) + L" notes.txt", REG_EXPAND_SZ);
    }
    {
        UniqueHKey machine = CreateKey(HKEY_LOCAL_MACHINE, std::wstring(kSoftware) + L'\\' + name);
        SetString(machine.get(), L"InstallDir", installDir);
        SetString(machine.get(), L"Version", spec.version);
        SetString(machine.get(), L"Publisher", spec.publisher);
        if (!spec.patchId.empty()) SetString(machine.get(), kUpdatesValue, spec.patchId);
        UniqueHKey components = CreateKey(machine.get(), L"Components");
        SetDword(components.get(), L"Core", 1);
        SetDword(components.get(), L"Plugins", 1);
    }
    {
        UniqueHKey vendor = CreateKey(HKEY_LOCAL_MACHINE, std::wstring(kSoftware) + L'\\' + spec.publisher + L'\\' + name);
        SetString(vendor.get(), L"Path", installDir);
        SetString(vendor.get(), L"Edition", L"Standard");
        UniqueHKey license = CreateKey(vendor.get(), L"License");
        SetString(license.get(), L"Serial", L"SMPL-2024-" + SlugOf(name).substr(0, 8));
        SetDword(license.get(), L"Seats", 1);
    }
}

std::vector<std::wstring> WriteFolderContent(const SampleSpec& spec, const std::wstring& dir, const std::wstring& toolsDir) {
    for (const wchar_t* sub : {L"data\\sub", L"plugins"})
        if (!ForceDirectories(dir + sub)) Fail(L"Cannot create the folder " + dir + sub, GetLastError());
    const std::wstring display = spec.displayName.empty() ? spec.name : spec.displayName;
    const std::wstring app = AppFileName(spec.name);
    CopyTool(IncludeTrailingBackslash(toolsDir) + kAppFile, dir + app);
    WriteDllLike(dir + L"engine.dll", 48 * 1024, 1);
    WriteDllLike(dir + L"plugins\\export.dll", 20 * 1024, 2);
    WriteDllLike(dir + L"plugins\\import.dll", 12 * 1024, 3);
    WriteText(dir + L"readme.txt", display + L" " + spec.version + L"\r\n" + spec.publisher +
                                       L"\r\n\r\nThank you for installing " + display + L".\r\n");
    WriteText(dir + L"config.ini", L"[General]\r\nName=" + display + L"\r\nVersion=" + spec.version +
                                       L"\r\nDataDir=data\r\n\r\n[Plugins]\r\nexport=1\r\nimport=1\r\n");
    WriteText(dir + L"data\\settings.dat", L"autosave=1\r\nrecent=5\r\n");
    WriteDllLike(dir + L"data\\sub\\cache.bin", 8 * 1024, 4);
    return SampleFiles(spec.name);
}

void WriteUninstallEntry(const SampleSpec& spec, const InstalledSample& sample, DWORD sizeKB) {
    const std::wstring display = spec.displayName.empty() ? spec.name : spec.displayName;
    const std::wstring slug = SlugOf(spec.publisher);
    UniqueHKey key = CreateKey(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.name));
    SetString(key.get(), L"DisplayName", display);
    SetString(key.get(), L"DisplayVersion", spec.version);
    SetString(key.get(), L"Publisher", spec.publisher);
    SetString(key.get(), L"InstallLocation", sample.installDir);
    SetString(key.get(), L"InstallDate", spec.installDate.empty() ? Today() : spec.installDate);
    SetString(key.get(), L"UninstallString", sample.uninstallString);
    SetString(key.get(), L"DisplayIcon", sample.appExe + Format(L",%d", spec.iconIndex));
    SetDword(key.get(), L"EstimatedSize", sizeKB);
    SetString(key.get(), L"HelpLink", spec.helpLink.empty() ? L"https://support." + slug + L".example.com/" : spec.helpLink);
    SetString(key.get(), L"URLInfoAbout",
              spec.urlInfoAbout.empty() ? L"https://www." + slug + L".example.com/" : spec.urlInfoAbout);
    SetString(key.get(), L"URLUpdateInfo",
              spec.urlUpdateInfo.empty() ? L"https://www." + slug + L".example.com/updates" : spec.urlUpdateInfo);
    if (!spec.comments.empty()) SetString(key.get(), L"Comments", spec.comments);
    unsigned major = 0, minor = 0;
    if (swscanf(spec.version.c_str(), L"%u.%u", &major, &minor) >= 1) {
        SetDword(key.get(), L"VersionMajor", major);
        SetDword(key.get(), L"VersionMinor", minor);
    }
    SetDword(key.get(), L"NoModify", 1);
    SetDword(key.get(), L"NoRepair", 1);
}

void WritePatchEntry(const SampleSpec& spec, const InstalledSample& sample) {
    const std::wstring display = spec.displayName.empty() ? spec.name : spec.displayName;
    UniqueHKey key = CreateKey(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.patchId));
    SetString(key.get(), L"DisplayName", L"Security Update for " + display + L" (" + spec.patchId + L")");
    SetString(key.get(), L"ParentKeyName", spec.name);
    SetString(key.get(), L"ParentDisplayName", display);
    SetString(key.get(), L"ReleaseType", L"Security Update");
    SetString(key.get(), L"Publisher", spec.publisher);
    SetString(key.get(), L"InstallDate", spec.installDate.empty() ? Today() : spec.installDate);
    SetString(key.get(), L"UninstallString",
              QuoteArg(sample.uninstallerPath) + L" /behaviour=removepatch /key=" + QuoteArg(spec.patchId));
    SetString(key.get(), L"HelpLink", L"https://support.example.com/help/" + spec.patchId);
    SetDword(key.get(), L"NoModify", 1);
    SetDword(key.get(), L"NoRepair", 1);
}

// Where the pieces of a sample are, as far as the registry still tells.
struct SampleWhereabouts {
    std::wstring publisher;
    std::wstring installDir;  // empty when unknown or not a folder we would ever have made
};

SampleWhereabouts FindSample(const std::wstring& name, const std::wstring& publisherHint) {
    SampleWhereabouts where;
    where.publisher = ReadString(HKEY_LOCAL_MACHINE, UninstallKeyPath(name), L"Publisher");
    std::wstring location = ReadString(HKEY_LOCAL_MACHINE, UninstallKeyPath(name), L"InstallLocation");
    const std::wstring vendor = std::wstring(kSoftware) + L'\\' + name;
    if (where.publisher.empty()) where.publisher = ReadString(HKEY_LOCAL_MACHINE, vendor, L"Publisher");
    if (where.publisher.empty()) where.publisher = publisherHint;
    if (where.publisher.empty())
        for (const SampleSpec& spec : DemoSamples())
            if (EqualsNoCase(spec.name, name)) where.publisher = spec.publisher;
    if (location.empty()) location = ReadString(HKEY_LOCAL_MACHINE, vendor, L"InstallDir");
    if (location.empty()) location = ReadString(HKEY_CURRENT_USER, vendor, L"InstallDir");
    if (location.empty() && !where.publisher.empty()) location = InstallDirOf(where.publisher, name);
    location = IncludeTrailingBackslash(location);
    // Only ever a folder two levels below Program Files, the way InstallSample makes them.
    const std::wstring programFiles = ProgramFilesDir();
    if (StartsWithNoCase(location, programFiles) && location.size() > programFiles.size() &&
        std::count(location.begin() + programFiles.size(), location.end(), L'\\') == 2)
        where.installDir = location;
    return where;
}

// The patch entries of a sample. Its vendor key records them, so nothing has to walk the
// whole Uninstall key, which benchmarks fill with a hundred thousand entries.
std::vector<std::wstring> PatchKeysOf(const std::wstring& name, const std::wstring& patchHint) {
    std::vector<std::wstring> patches;
    for (const std::wstring& candidate :
         {ReadString(HKEY_LOCAL_MACHINE, std::wstring(kSoftware) + L'\\' + name, kUpdatesValue), patchHint}) {
        if (candidate.empty() || name.empty() || EqualsNoCase(candidate, name)) continue;
        if (EqualsNoCase(ReadString(HKEY_LOCAL_MACHINE, UninstallKeyPath(candidate), L"ParentKeyName"), name) &&
            std::find(patches.begin(), patches.end(), candidate) == patches.end())
            patches.push_back(candidate);
    }
    return patches;
}

// The Uninstall entry, its patches and the startup entries: what every uninstaller removes.
void RemoveEntries(const std::wstring& name, const std::wstring& patchHint, std::vector<std::wstring>* log) {
    for (const std::wstring& patch : PatchKeysOf(name, patchHint)) DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKeyPath(patch), log);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKeyPath(name), log);
    DeleteValue(HKEY_CURRENT_USER, kRunKey, name, log);
    DeleteOneFile(StartupShortcutPath(name), log);
}

void RemoveVendorKeys(const std::wstring& name, const std::wstring& publisher, std::vector<std::wstring>* log) {
    const std::wstring software = std::wstring(kSoftware) + L'\\';
    DeleteKeyTree(HKEY_CURRENT_USER, software + name, log);
    DeleteKeyTree(HKEY_LOCAL_MACHINE, software + name, log);
    if (!publisher.empty()) {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, software + publisher + L'\\' + name, log);
        DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, software + publisher, log);
    }
}

std::vector<std::wstring> RemoveEverything(const std::wstring& name, const std::wstring& publisherHint,
                                           const std::wstring& patchHint) {
    CheckName(name);
    std::vector<std::wstring> log;
    SampleWhereabouts where = FindSample(name, publisherHint);
    if (!where.installDir.empty()) {
        DeleteFolderTree(where.installDir, &log);
        DeleteFolderIfEmpty(ExtractFilePath(ExcludeTrailingBackslash(where.installDir)), &log);
    }
    RemoveEntries(name, patchHint, &log);
    RemoveVendorKeys(name, where.publisher, &log);

    // Whatever is still there is reported, not silently left for the next test to trip on.
    std::vector<std::wstring> left;
    if (!where.installDir.empty() && DirectoryExists(where.installDir)) left.push_back(where.installDir);
    if (KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(name))) left.push_back(L"the Uninstall entry");
    if (KeyExists(HKEY_CURRENT_USER, std::wstring(kSoftware) + L'\\' + name)) left.push_back(L"HKCU\\Software\\" + name);
    if (KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kSoftware) + L'\\' + name)) left.push_back(L"HKLM\\Software\\" + name);
    if (FileExists(StartupShortcutPath(name))) left.push_back(StartupShortcutPath(name));
    if (ValueExists(HKEY_CURRENT_USER, kRunKey, name)) left.push_back(L"the Run entry");
    if (!left.empty()) {
        std::wstring text = L"Removing " + name + L" left:";
        for (const std::wstring& item : left) text += L' ' + item;
        throw SampleError(text);
    }
    return log;
}

}  // namespace

// --- public ------------------------------------------------------------------------------

const wchar_t* BehaviourName(UninstallBehaviour behaviour) {
    switch (behaviour) {
        case UninstallBehaviour::RemoveAll: return L"removeall";
        case UninstallBehaviour::Remains: return L"remains";
        case UninstallBehaviour::Handover: return L"handover";
        case UninstallBehaviour::Slow: return L"slow";
        case UninstallBehaviour::Missing: return L"missing";
        case UninstallBehaviour::Nothing: return L"nothing";
    }
    return L"removeall";
}

bool ParseBehaviour(const std::wstring& text, UninstallBehaviour* behaviour) {
    for (auto candidate : {UninstallBehaviour::RemoveAll, UninstallBehaviour::Remains, UninstallBehaviour::Handover,
                           UninstallBehaviour::Slow, UninstallBehaviour::Missing, UninstallBehaviour::Nothing})
        if (EqualsNoCase(text, BehaviourName(candidate))) {
            *behaviour = candidate;
            return true;
        }
    return false;
}

std::vector<std::wstring> RemainingFiles() { return {L"config.ini", L"data\\settings.dat", L"data\\sub\\cache.bin"}; }

std::vector<std::wstring> SampleFiles(const std::wstring& name) {
    return {AppFileName(name),      L"engine.dll", L"readme.txt",           L"config.ini",
            L"data\\settings.dat", L"data\\sub\\cache.bin", L"plugins\\export.dll", L"plugins\\import.dll"};
}

std::wstring ProgramFilesDir() { return KnownFolder(CSIDL_PROGRAM_FILES); }

std::wstring InstallDirOf(const std::wstring& publisher, const std::wstring& name) {
    return ProgramFilesDir() + SafeFileName(publisher) + L'\\' + SafeFileName(name) + L'\\';
}

std::wstring StartupShortcutPath(const std::wstring& name) { return KnownFolder(CSIDL_STARTUP) + SafeFileName(name) + L".lnk"; }

std::wstring UninstallKeyPath(const std::wstring& keyName) { return std::wstring(kUninstallRoot) + L'\\' + keyName; }

InstalledSample InstallSample(const SampleSpec& spec, const std::wstring& toolsDir) {
    CheckName(spec.name);
    if (Trim(spec.publisher).empty()) throw SampleError(L"A sample needs a publisher");
    if (!spec.patchId.empty()) CheckName(spec.patchId);
    const std::wstring tools = IncludeTrailingBackslash(toolsDir);
    for (const wchar_t* file : {kUninstallerFile, kAppFile})
        if (!FileExists(tools + file)) throw SampleError(L"The sample tools are not in " + tools + L": " + file + L" missing");

    // A reinstall starts clean, so what is left afterwards is only what this install made.
    RemoveEverything(spec.name, spec.publisher, spec.patchId);

    InstalledSample sample;
    sample.keyName = spec.name;
    sample.installDir = InstallDirOf(spec.publisher, spec.name);
    sample.appExe = sample.installDir + AppFileName(spec.name);
    sample.uninstallerPath = sample.installDir + kUninstallerFile;
    sample.uninstallString =
        UninstallCommand(sample.uninstallerPath, spec.name, spec.behaviour, spec.handoverWork, spec.exitCode);
    if (!ForceDirectories(sample.installDir)) Fail(L"Cannot create the folder " + sample.installDir, GetLastError());
    sample.files = WriteFolderContent(spec, sample.installDir, tools);
    if (spec.behaviour != UninstallBehaviour::Missing) {
        CopyTool(tools + kUninstallerFile, sample.uninstallerPath);
        sample.files.push_back(kUninstallerFile);
    }
    ULONGLONG bytes = 0;
    for (const std::wstring& file : sample.files) bytes += FileSize(sample.installDir + file);

    WriteUninstallEntry(spec, sample, static_cast<DWORD>((bytes + 1023) / 1024));
    WriteVendorKeys(spec, sample.installDir);
    if (spec.runEntry) {
        UniqueHKey run = CreateKey(HKEY_CURRENT_USER, kRunKey);
        SetString(run.get(), spec.name.c_str(), QuoteArg(sample.appExe) + L" /background");
        sample.runValueName = spec.name;
    }
    if (spec.startupShortcut) {
        sample.shortcutPath = StartupShortcutPath(spec.name);
        CreateShortcut(sample.shortcutPath, sample.appExe, spec.displayName.empty() ? spec.name : spec.displayName,
                       spec.iconIndex);
    }
    if (!spec.patchId.empty()) {
        WritePatchEntry(spec, sample);
        sample.patchKeyName = spec.patchId;
    }
    return sample;
}

std::vector<std::wstring> RemoveSample(const std::wstring& keyName) { return RemoveEverything(keyName, L"", L""); }

std::vector<std::wstring> RemoveSample(const SampleSpec& spec) {
    return RemoveEverything(spec.name, spec.publisher, spec.patchId);
}

// --- the screen saver -------------------------------------------------------------------

std::wstring ScreenSaverPath() { return IncludeTrailingBackslash(SystemDirectory()) + kSaverFile; }

std::wstring InstallScreenSaver(const std::wstring& toolsDir) {
    std::wstring target = ScreenSaverPath();
    CopyTool(IncludeTrailingBackslash(toolsDir) + kSaverFile, target);
    return target;
}

bool RemoveScreenSaver() { return DeleteOneFile(ScreenSaverPath(), nullptr); }

// --- bulk entries -----------------------------------------------------------------------

namespace {

// Registry calls are wineserver round trips; a few threads keep the server busy while each
// waits for its answer, which roughly quadruples the rate. Exceptions stay inside the thread
// body and the first one is rethrown after all have finished.
constexpr size_t kBulkThreads = 4;

void InParallel(size_t count, const std::function<void(size_t)>& work) {
    std::mutex lock;
    std::optional<SampleError> failure;
    std::vector<std::thread> threads;
    for (size_t t = 0; t < kBulkThreads; ++t)
        threads.emplace_back([&, t] {
            try {
                for (size_t i = count * t / kBulkThreads; i < count * (t + 1) / kBulkThreads; ++i) work(i);
            } catch (const SampleError& error) {
                std::lock_guard<std::mutex> guard(lock);
                if (!failure) failure = error;
            }
        });
    for (std::thread& thread : threads) thread.join();
    if (failure) throw *failure;
}

}  // namespace

size_t SeedEntries(size_t count, const std::wstring& prefix) {
    CheckName(prefix);
    UniqueHKey root = CreateKey(HKEY_LOCAL_MACHINE, kUninstallRoot);
    const std::wstring base = ProgramFilesDir() + L"Seeded\\";
    // Few calls per key: each one costs a round trip.
    InParallel(count, [&](size_t index) {
        const size_t i = index + 1;
        const std::wstring name = prefix + Format(L"%06zu", i);
        UniqueHKey key;
        LSTATUS status = RegCreateKeyExW(root.get(), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                         KEY_SET_VALUE | kView, nullptr, key.put(), nullptr);
        if (status != ERROR_SUCCESS) Fail(L"Cannot create the seeded entry " + name, status);
        SetString(key.get(), L"DisplayName", Format(L"Seeded Program %06zu", i));
        SetString(key.get(), L"DisplayVersion", Format(L"%zu.%zu", 1 + i % 9, i % 100));
        SetString(key.get(), L"Publisher", Format(L"Seed Publisher %02zu", i % 50));
        SetString(key.get(), L"UninstallString", QuoteArg(base + name + L"\\uninstall.exe"));
    });
    return count;
}

size_t UnseedEntries(const std::wstring& prefix) {
    CheckName(prefix);
    UniqueHKey root = OpenKey(HKEY_LOCAL_MACHINE, kUninstallRoot, KEY_READ | KEY_WRITE);
    if (!root) return 0;
    // Collect first: deleting while enumerating shifts the indexes.
    std::vector<std::wstring> doomed;
    for (std::wstring& name : SubkeyNames(root.get()))
        if (StartsWithNoCase(name, prefix)) doomed.push_back(std::move(name));
    InParallel(doomed.size(), [&](size_t i) {
        const std::wstring& name = doomed[i];
        // Seeded entries have no subkeys; anything else of that prefix gets a tree delete.
        LSTATUS status = RegDeleteKeyExW(root.get(), name.c_str(), kView, 0);
        if (status != ERROR_SUCCESS) status = RegDeleteTreeW(root.get(), name.c_str());
        if (status == ERROR_SUCCESS) status = RegDeleteKeyExW(root.get(), name.c_str(), kView, 0);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) Fail(L"Cannot delete the seeded entry " + name, status);
    });
    return doomed.size();
}

std::vector<SampleListing> ListInstalledSamples() {
    std::vector<SampleListing> list;
    UniqueHKey root = OpenKey(HKEY_LOCAL_MACHINE, kUninstallRoot);
    if (!root) return list;
    for (const std::wstring& name : SubkeyNames(root.get())) {
        UniqueHKey key = OpenKey(root.get(), name);
        if (!key) continue;
        std::wstring command = ReadRegString(key.get(), L"UninstallString").value_or(L"");
        size_t at = ToLower(command).find(ToLower(kUninstallerFile));
        if (at == std::wstring::npos) continue;
        SampleListing item;
        item.keyName = name;
        item.displayName = ReadRegString(key.get(), L"DisplayName").value_or(L"");
        item.version = ReadRegString(key.get(), L"DisplayVersion").value_or(L"");
        item.publisher = ReadRegString(key.get(), L"Publisher").value_or(L"");
        item.installLocation = ReadRegString(key.get(), L"InstallLocation").value_or(L"");
        item.uninstallString = command;
        std::wstring exe = command.substr(0, at + wcslen(kUninstallerFile));
        if (!exe.empty() && exe.front() == L'"') exe.erase(0, 1);
        item.uninstallerPresent = FileExists(exe);
        list.push_back(std::move(item));
    }
    return list;
}

// --- the uninstaller's work --------------------------------------------------------------

std::wstring NewTempCopyPath() {
    static std::atomic<unsigned> counter{0};
    return TempDirectory() + Format(L"PurgeonSampleUninstall-%lu-%llu-%u.exe", GetCurrentProcessId(),
                                    static_cast<unsigned long long>(GetTickCount64()), counter++);
}

void SweepTempCopies() {
    const std::wstring temp = TempDirectory();
    const std::wstring self = ModuleFileName(nullptr);
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileW((temp + L"PurgeonSampleUninstall-*.exe").c_str(), &found));
    if (!find) return;
    do {
        std::wstring path = temp + found.cFileName;
        // Copies still running refuse to go; they are swept by a later run.
        if (!EqualsNoCase(path, self)) DeleteFileW(path.c_str());
    } while (FindNextFileW(find.get(), &found));
}


void RunUninstallWork(const std::wstring& keyName, UninstallBehaviour behaviour) {
    CheckName(keyName);
    if (behaviour == UninstallBehaviour::Nothing) return;
    SampleWhereabouts where = FindSample(keyName, L"");
    if (behaviour == UninstallBehaviour::RemoveAll || behaviour == UninstallBehaviour::Missing) {
        RemoveEverything(keyName, where.publisher, L"");
        return;
    }
    // Remains, and Slow once it has taken its time: the program goes, its traces stay.
    RemoveEntries(keyName, L"", nullptr);
    if (where.installDir.empty()) return;
    for (const std::wstring& file : {AppFileName(keyName), std::wstring(L"engine.dll"), std::wstring(L"readme.txt"),
                                     std::wstring(kUninstallerFile)})
        DeleteOneFile(where.installDir + file, nullptr);
    DeleteFolderTree(where.installDir + L"plugins", nullptr);
}

}  // namespace purgeon::samples
