// A clean-up killed while it works: Purgeon.exe /clean of a few thousand files and a few hundred
// keys is ended with TerminateProcess (as abrupt as a kill -9 of its Linux process: no code of
// its own runs again, what it wrote stays written) at several moments. After each kill nothing is
// lost, every file and value being in its place or in the backup, which names everything it
// holds; /restore then makes the tree and the registry what they were, and the backup goes.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <set>

#include "cleanup/cleanupBackup.h"
#include "cleanup/cleanupUndo.h"
#include "tests/cleanupTestSupport.h"

using namespace purgeon;
using namespace purgeon::cleanup;
using namespace purgeon::test;

namespace {

constexpr int kFolders = 30;
constexpr int kFiles = 3000;
constexpr int kSubkeys = 300;

std::wstring FolderName(int folder) { return Format(L"Folder %02d", folder); }
std::wstring FileName(int file) { return FolderName(file % kFolders) + Format(L"\\file %04d.dat", file); }

// Every file by its path below the folder: attributes, creation and write times, bytes. Folders
// by their attributes (their times are those of their last change of contents, which moving the
// files out and back is).
std::map<std::wstring, std::string> TreeOf(const std::wstring& folder, const std::wstring& relative = L"") {
    std::map<std::wstring, std::string> image;
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileW((folder + L"\\" + relative + L"*").c_str(), &found));
    if (!find) return image;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = relative + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            image[path] = "folder " + std::to_string(found.dwFileAttributes);
            image.merge(TreeOf(folder, path + L"\\"));
            continue;
        }
        auto time = [](const FILETIME& t) { return std::to_string((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime); };
        image[path] = std::to_string(found.dwFileAttributes) + " " + time(found.ftCreationTime) + " " +
                      time(found.ftLastWriteTime) + " " + ReadFileBytes(folder + L"\\" + path);
    } while (FindNextFileW(find.get(), &found));
    return image;
}

// The bytes of a file's image, after its attributes and times.
std::string BytesOf(const std::string& image) {
    size_t at = 0;
    for (int field = 0; field < 3; ++field) at = image.find(' ', at) + 1;
    return image.substr(at);
}

std::string Content(int file) { return "file " + std::to_string(file) + std::string(static_cast<size_t>(file % 300), 'x'); }

void SetTimes(const std::wstring& path, ULONGLONG created, ULONGLONG written) {
    UniqueHandle handle = AdoptFileHandle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                                      OPEN_EXISTING, 0, nullptr));
    const FILETIME create{static_cast<DWORD>(created), static_cast<DWORD>(created >> 32)};
    const FILETIME write{static_cast<DWORD>(written), static_cast<DWORD>(written >> 32)};
    SetFileTime(handle.get(), &create, &write, &write);
}

// Purgeon.exe with its component in a folder of its own, so its backups lie there too.
class KilledCleanup : public ::testing::Test {
protected:
    void SetUp() override {
        for (const wchar_t* file : {L"Purgeon.exe", L"Doffkit.dll"})
            ASSERT_TRUE(CopyFileW((BinDir() + file).c_str(), (app_.path() + file).c_str(), FALSE));
        program_.Value(L"", L"Version", REG_SZ, TextBytes(L"1.0"));
        for (int i = 0; i < kSubkeys; ++i) {
            const std::wstring subkey = Format(L"Sub %03d", i);
            program_.Value(subkey, L"Text", REG_SZ, TextBytes(Format(L"value %d", i)));
            program_.Value(subkey, L"", REG_BINARY, {static_cast<BYTE>(i), 0, static_cast<BYTE>(i >> 8)});
        }
        for (int f = 0; f < kFolders; ++f) ForceDirectories(program_.Path(FolderName(f)));
        for (int i = 0; i < kFiles; ++i) {
            const std::wstring path = program_.Path(FileName(i));
            WriteFileBytes(path, Content(i));
            SetTimes(path, 130000000000000000ull + static_cast<ULONGLONG>(i) * 10000000, 131000000000000000ull + i);
            if (i % 7 == 0) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
            if (i % 11 == 0) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
        }
        tree_ = TreeOf(program_.folder);
        registry_ = Registry();
        ASSERT_EQ(registry_.size(), static_cast<size_t>(1 + 2 * kSubkeys));
    }

    RegistryImage Registry() const {
        RegistryImage image;
        UniqueHKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, program_.keyPath.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS)
            AddImage(image, key.get(), FoldCase(program_.KeyText()));
        return image;
    }

    std::wstring BackupsRoot() const { return CleanupsFolderOf(app_.path()); }

    // The clean-ups' folders under the program's backups.
    std::vector<std::wstring> Backups() const {
        std::vector<std::wstring> folders;
        WIN32_FIND_DATAW found{};
        UniqueFindHandle find(FindFirstFileW((BackupsRoot() + L"*").c_str(), &found));
        if (!find) return folders;
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L".." && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                folders.push_back(BackupsRoot() + name + L"\\");
        } while (FindNextFileW(find.get(), &found));
        return folders;
    }

    // Starts the clean-up with its output into a file, and ends it the moment `when` holds; true
    // when it was still running then.
    bool CleanAndKill(const std::function<bool()>& when) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        UniqueHandle output = AdoptFileHandle(CreateFileW((app_.path() + L"clean.txt").c_str(), GENERIC_WRITE,
                                                          FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
        const std::wstring exe = app_.path() + L"Purgeon.exe";
        std::wstring commandLine = L"\"" + exe + L"\" /clean " + program_.name + L" \"" + program_.folder + L"\"";
        STARTUPINFOW startup{sizeof(startup)};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output.get();
        startup.hStdError = output.get();
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info))
            return false;
        UniqueHandle process(info.hProcess), thread(info.hThread);
        bool killed = false;
        while (WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
            if (when()) {
                killed = TerminateProcess(process.get(), 9) != FALSE;
                break;
            }
        }
        WaitForSingleObject(process.get(), 30000);
        return killed;
    }

    // Every file and value is in its place or in the backup, and the backup holds nothing its
    // manifest does not name.
    void ExpectNothingLost(const std::wstring& backup) {
        std::optional<Manifest> manifest = ReadManifest(backup);
        ASSERT_TRUE(manifest) << "no manifest in " << ToUtf8(backup);
        std::set<std::wstring> stored, saved;
        for (const ManifestItem& item : manifest->items) {
            if (!item.stored.empty()) stored.insert(FoldCase(item.stored));
            for (const SavedValue& value : item.values) saved.insert(FoldCase(value.key + L"|" + value.name));
        }
        const std::map<std::wstring, std::string> now = TreeOf(program_.folder);
        int inBackup = 0;
        for (const auto& [path, image] : tree_) {
            if (image.rfind("folder ", 0) == 0) continue;
            const std::wstring full = program_.Path(path);
            auto there = now.find(path);
            if (there != now.end() && there->second == image) continue;
            EXPECT_EQ(there, now.end()) << "changed in its place: " << ToUtf8(path);
            const std::wstring kept = CleanupBackup::StoredFor(full);
            EXPECT_TRUE(stored.count(FoldCase(kept))) << "not named in the manifest: " << ToUtf8(path);
            EXPECT_EQ(ReadFileBytes(backup + kept), BytesOf(image)) << "lost: " << ToUtf8(path);
            ++inBackup;
        }
        // Nothing in the backup that the manifest does not name.
        for (const auto& [path, image] : TreeOf(backup + kStoredFilesFolder))
            if (image.rfind("folder ", 0) != 0) {
                EXPECT_TRUE(stored.count(FoldCase(std::wstring(kStoredFilesFolder) + L"\\" + path)))
                    << "in the backup, named nowhere: " << ToUtf8(path);
            }
        const RegistryImage values = Registry();
        for (const auto& [name, value] : registry_) {
            auto there = values.find(name);
            if (there != values.end() && there->second == value) continue;
            EXPECT_TRUE(saved.count(FoldCase(name))) << "a value neither in place nor in the backup: " << ToUtf8(name);
        }
        std::cout << "  " << inBackup << " files in the backup, " << (registry_.size() - values.size())
                  << " values gone\n";
    }

    ScratchFolder app_{L"killed-cleanup"};
    ScratchProgram program_{L"Killed"};
    std::map<std::wstring, std::string> tree_;
    RegistryImage registry_;
};

bool Gone(const std::wstring& path) { return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST_F(KilledCleanup, NothingIsLostAndRestoreGivesEverythingBack) {
    const std::wstring firstKey = program_.keyPath + L"\\Sub 000";
    struct Moment {
        const char* name;
        std::function<bool()> reached;
    };
    const Moment moments[] = {
        {"the backup begun", [&] {
             for (const std::wstring& folder : Backups()) {
                 WIN32_FILE_ATTRIBUTE_DATA data{};
                 if (GetFileAttributesExW((folder + kManifestFile).c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow)
                     return true;
             }
             return false;
         }},
        {"the first key deleted", [&] {
             UniqueHKey key;
             return RegOpenKeyExW(HKEY_CURRENT_USER, firstKey.c_str(), 0, KEY_READ, key.put()) == ERROR_FILE_NOT_FOUND;
         }},
        {"the first file moved", [&] { return Gone(program_.Path(FileName(0))); }},
        {"a third of the files moved", [&] { return Gone(program_.Path(FolderName(9))); }},
        {"nearly all moved", [&] { return Gone(program_.Path(FolderName(27))); }},
    };
    int landed = 0;
    for (const Moment& moment : moments) {
        SCOPED_TRACE(moment.name);
        std::cout << "killed at " << moment.name << ":\n";
        if (CleanAndKill(moment.reached)) ++landed;
        const std::vector<std::wstring> backups = Backups();
        ASSERT_EQ(backups.size(), 1u);
        ExpectNothingLost(backups[0]);
        const std::vector<CleanupSummary> listed = ListCleanups(BackupsRoot());
        if (!listed.empty()) {
            EXPECT_TRUE(listed[0].interrupted);
        }

        DWORD exitCode = 0;
        const std::string output = CaptureOutput(app_.path() + L"Purgeon.exe", L"/restore \"" + backups[0] + L"\"", &exitCode);
        EXPECT_EQ(exitCode, 0u) << output.substr(0, 2000);
        EXPECT_EQ(output.find("failed\t"), std::string::npos) << output.substr(0, 2000);
        EXPECT_TRUE(TreeOf(program_.folder) == tree_) << "the tree is not what it was";
        EXPECT_TRUE(Registry() == registry_) << "the registry is not what it was";
        EXPECT_TRUE(Backups().empty()) << "the backup stayed after everything came back";
        if (::testing::Test::HasFailure()) break;
    }
    EXPECT_GE(landed, 3) << "the clean-up ended before most of the moments";
}
