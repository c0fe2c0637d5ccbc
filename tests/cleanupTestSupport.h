#pragma once
// What the clean-up tests share: links made from the Linux side (Wine's own link functions make
// none a Windows program can see), pictures of folder trees to compare, a scratch program's
// remains, a file another process holds, and registry exports by the registry editor.
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/testSupport.h"

namespace purgeon::test {

// The Linux path of a Windows path, as Wine maps it.
inline std::string UnixPathOf(const std::wstring& path) {
    using Convert = char*(CDECL*)(const wchar_t*);
    static const auto convert =
        reinterpret_cast<Convert>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) return {};
    char* unix = convert(path.c_str());
    if (!unix) return {};
    std::string out = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return out;
}

// Starts a Linux program as Wine starts a Windows one. Its handle may signal before the program
// has done its work: callers wait for the effect.
inline void RunUnix(const std::wstring& program, const std::vector<std::string>& args) {
    std::wstring commandLine = program;
    for (const std::string& arg : args) commandLine += L" \"" + FromUtf8(arg) + L"\"";
    STARTUPINFOW startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    if (!CreateProcessW((L"Z:\\bin\\" + program).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info))
        return;
    UniqueHandle process(info.hProcess), thread(info.hThread);
    WaitForSingleObject(process.get(), 30000);
}

// True when a folder lists the name, whatever it is or points to.
inline bool NameListed(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    return static_cast<bool>(UniqueFindHandle(FindFirstFileW(path.c_str(), &found)));
}

// A symbolic link made on the Linux side, removed (the link alone) when it goes.
class UnixLink {
public:
    UnixLink(const std::wstring& target, const std::wstring& link) : path_(link), link_(UnixPathOf(link)) {
        RunUnix(L"ln", {"-s", UnixPathOf(target), link_});
        WaitUntil([&] { return NameListed(path_); }, 10000);
    }
    ~UnixLink() {
        RunUnix(L"rm", {"-f", link_});
        WaitUntil([&] { return !NameListed(path_); }, 10000);
    }
    UnixLink(const UnixLink&) = delete;
    UnixLink& operator=(const UnixLink&) = delete;

private:
    std::wstring path_;
    std::string link_;
};

// Every entry below a folder by its relative path: a file's bytes and attributes, a folder's
// attributes. Links are listed, not entered.
using TreeImage = std::map<std::wstring, std::string>;
inline void AddTreeImage(const std::wstring& folder, const std::wstring& relative, TreeImage& image) {
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileW((folder + relative + L"*").c_str(), &found));
    if (!find) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = relative + name;
        const std::string attributes = std::to_string(found.dwFileAttributes);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            image[path] = "folder " + attributes;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) AddTreeImage(folder, path + L"\\", image);
        } else {
            image[path] = attributes + " " + ReadFileBytes(folder + path);
        }
    } while (FindNextFileW(find.get(), &found));
}
inline TreeImage ImageOf(const std::wstring& folder) {
    TreeImage image;
    AddTreeImage(IncludeTrailingBackslash(folder), L"", image);
    return image;
}

// A program's remains: a key under HKCU\Software and a folder under Program Files, one
// program's folder, so a clean-up may take things there. Links made inside are the test's to
// remove before the folder goes.
class ScratchProgram {
public:
    explicit ScratchProgram(const std::wstring& label) {
        name = Format(L"PurgeonClean%s%lu_%lu", label.c_str(), GetCurrentProcessId(), GetTickCount());
        keyPath = L"Software\\" + name;
        wchar_t programFiles[MAX_PATH] = {};
        ExpandEnvironmentStringsW(L"%ProgramFiles%", programFiles, MAX_PATH);
        folder = std::wstring(programFiles) + L"\\" + name;
        ForceDirectories(folder);
    }
    ~ScratchProgram() {
        RegDeleteTreeW(HKEY_CURRENT_USER, keyPath.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, keyPath.c_str());
        RemoveTree(folder);
    }
    ScratchProgram(const ScratchProgram&) = delete;
    ScratchProgram& operator=(const ScratchProgram&) = delete;

    std::wstring KeyText() const { return L"HKEY_CURRENT_USER\\SOFTWARE\\" + name; }
    std::wstring Path(const std::wstring& relative) const { return folder + L"\\" + relative; }
    void File(const std::wstring& relative, const std::string& bytes) const {
        ForceDirectories(ExtractFilePath(Path(relative)));
        WriteFileBytes(Path(relative), bytes);
    }
    void Value(const std::wstring& subkey, const std::wstring& valueName, DWORD type, const std::vector<BYTE>& data) const {
        UniqueHKey key;
        const std::wstring path = subkey.empty() ? keyPath : keyPath + L"\\" + subkey;
        RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr);
        RegSetValueExW(key.get(), valueName.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                       static_cast<DWORD>(data.size()));
    }

    std::wstring name;
    std::wstring keyPath;
    std::wstring folder;
};

inline std::vector<BYTE> TextBytes(const std::wstring& text, bool terminated = true) {
    const auto* p = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(p, p + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

// A file held open without sharing by another process for as long as this lives.
class HeldFile {
public:
    explicit HeldFile(const std::wstring& path)
        : holder_(std::make_unique<ChildProcess>(BinDir() + L"purgeon_hold_file.exe", L"\"" + path + L"\"")) {
        held_ = WaitUntil(
            [&] {
                UniqueHandle probe = AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                                 nullptr, OPEN_EXISTING, 0, nullptr));
                return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
            },
            10000);
    }
    bool held() const { return held_; }
    // Lets the file go.
    void Release() { holder_.reset(); }

private:
    std::unique_ptr<ChildProcess> holder_;
    bool held_ = false;
};

// A finished clean-up's manifest as if the clean-up had been cut short: without its last record,
// and without the outcome records of `unsaid` (full paths), as if they had not been written yet.
inline void CutShort(const std::wstring& backupFolder, const std::vector<std::wstring>& unsaid = {}) {
    const std::wstring path = IncludeTrailingBackslash(backupFolder) + L"manifest.txt";
    const std::string bytes = ReadFileBytes(path);
    std::string kept;
    for (size_t start = 0; start < bytes.size();) {
        const size_t end = bytes.find('\n', start);
        const std::string line = bytes.substr(start, end - start + 1);
        start = end == std::string::npos ? bytes.size() : end + 1;
        if (line == "finished\n") continue;
        bool drop = false;
        for (const std::wstring& item : unsaid)
            drop = drop || line == "taken\t" + ToUtf8(item) + "\n" || line == "left\t" + ToUtf8(item) + "\n";
        if (!drop) kept += line;
    }
    WriteFileBytes(path, kept);
}

// The registry editor's export of a key (all below it), as bytes; empty when it has none.
inline std::string ExportWithRegedit(const std::wstring& key, const std::wstring& file) {
    DeleteFileW(file.c_str());
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    ChildProcess regedit(std::wstring(windows) + L"\\regedit.exe", L"/e \"" + file + L"\" \"" + key + L"\"");
    regedit.Wait(30000);
    return ReadFileBytes(file);
}

}  // namespace purgeon::test
