// The sample programs: installed for real into the test prefix, uninstalled by running their
// UninstallString, then the registry and the disk are checked.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <set>

#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/installedSample.h"
#include "tests/support/testSupport.h"
#include "sampleIcons.h"
#include "tools/samples/sampleCatalog.h"

using namespace purgeon;
using namespace purgeon::samples;
using namespace purgeon::test;

namespace {

using B = UninstallBehaviour;

bool KeyExists(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS;
}

UniqueHKey OpenUninstallKey(const std::wstring& name) {
    UniqueHKey key;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyPath(name).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put());
    return key;
}

std::wstring ReadString(HKEY root, const std::wstring& path, const wchar_t* name) {
    UniqueHKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) return L"<no key>";
    return ReadRegString(key.get(), name).value_or(L"<no value>");
}

std::optional<DWORD> ReadDword(HKEY key, const wchar_t* name) {
    auto value = ReadRegValue(key, name);
    if (!value || value->type != REG_DWORD || value->data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD number;
    memcpy(&number, value->data.data(), sizeof number);
    return number;
}

DWORD SubkeyCount(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    DWORD subkeys = 0;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS)
        RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, nullptr);
    return subkeys;
}

// Every file below dir, relative to it, sorted.
void CollectFiles(const std::wstring& dir, const std::wstring& relative, std::vector<std::wstring>* out) {
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileW((dir + relative + L"*").c_str(), &found));
    if (!find) return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(dir, relative + name + L"\\", out);
        else
            out->push_back(relative + name);
    } while (FindNextFileW(find.get(), &found));
}

std::vector<std::wstring> FilesBelow(const std::wstring& dir) {
    std::vector<std::wstring> files;
    CollectFiles(IncludeTrailingBackslash(dir), L"", &files);
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> items) {
    std::sort(items.begin(), items.end());
    return items;
}

bool RunValueExists(const std::wstring& name) {
    UniqueHKey key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ | KEY_WOW64_64KEY, key.put()) == ERROR_SUCCESS &&
           RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::wstring ShortcutTarget(const std::wstring& link) {
    ComApartment apartment;
    ComPtr<IShellLinkW> shellLink;
    ComPtr<IPersistFile> file;
    wchar_t target[MAX_PATH] = {};
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, shellLink.put_void())) ||
        FAILED(shellLink->QueryInterface(IID_IPersistFile, file.put_void())) || FAILED(file->Load(link.c_str(), STGM_READ)) ||
        FAILED(shellLink->GetPath(target, MAX_PATH, nullptr, 0)))
        return L"<unreadable>";
    return target;
}

std::wstring VersionString(const std::wstring& file, const wchar_t* field) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (!size) return L"<no version resource>";
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return L"<unreadable>";
    wchar_t* text = nullptr;
    UINT length = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + field;
    if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || !text) return L"<none>";
    return text;
}

SampleSpec Spec(const std::wstring& name, B behaviour) {
    SampleSpec spec;
    spec.name = name;
    spec.displayName = name + L" Deluxe";
    spec.publisher = L"Sample Test Works " + name;  // a publisher of its own: its folder must go too
    spec.version = L"4.5.6";
    spec.behaviour = behaviour;
    return spec;
}

// Nothing of the sample anywhere: folder, publisher folder, keys, startup entries, patch.
void ExpectNothingLeft(const SampleSpec& spec, const InstalledSample& sample) {
    EXPECT_FALSE(DirectoryExists(sample.installDir)) << ToUtf8(sample.installDir);
    EXPECT_FALSE(DirectoryExists(ExtractFilePath(ExcludeTrailingBackslash(sample.installDir))));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.name)));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\" + spec.name));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\" + spec.name));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\" + spec.publisher));
    EXPECT_FALSE(RunValueExists(spec.name));
    EXPECT_FALSE(FileExists(StartupShortcutPath(spec.name)));
    if (!spec.patchId.empty()) {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.patchId)));
    }
}

// The Remains outcome: the entry and the startup entries gone, the listed files and all
// vendor keys still there.
void ExpectRemains(const SampleSpec& spec, const InstalledSample& sample) {
    EXPECT_EQ(FilesBelow(sample.installDir), Sorted(RemainingFiles()));
    EXPECT_FALSE(DirectoryExists(sample.installDir + L"plugins"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.name)));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\" + spec.name + L"\\Settings"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\" + spec.name + L"\\Components"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\" + spec.publisher + L"\\" + spec.name + L"\\License"));
    EXPECT_FALSE(RunValueExists(spec.name));
    EXPECT_FALSE(FileExists(StartupShortcutPath(spec.name)));
}

// An uninstaller started the way the program starts one: its UninstallString as the command line.
struct Started {
    UniqueHandle process, thread;
    DWORD id = 0;
    DWORD error = ERROR_SUCCESS;
    ULONGLONG startTick = 0;
};

Started StartCommand(const std::wstring& commandLine) {
    Started started;
    std::wstring command = commandLine;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    started.startTick = GetTickCount64();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        started.error = GetLastError();
        return started;
    }
    started.process.reset(info.hProcess);
    started.thread.reset(info.hThread);
    started.id = info.dwProcessId;
    return started;
}

DWORD WaitExit(const Started& started, DWORD milliseconds) {
    if (WaitForSingleObject(started.process.get(), milliseconds) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(started.process.get(), &code);
    return code;
}

ULONGLONG CreationTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// The first process the parent started. Process ids come back quickly under Wine, so a
// candidate must also have been created after the parent.
UniqueHandle FindChild(DWORD parentId, HANDLE parent, DWORD* childId) {
    const ULONGLONG parentCreated = CreationTime(parent);
    UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID != parentId || entry.th32ProcessID == parentId) continue;
        UniqueHandle child(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        if (child && CreationTime(child.get()) >= parentCreated) {
            *childId = entry.th32ProcessID;
            return child;
        }
    }
    return UniqueHandle();
}

std::wstring ImagePath(HANDLE process) {
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return QueryFullProcessImageNameW(process, 0, path, &size) ? std::wstring(path, size) : L"";
}

}  // namespace

// --- installing ----------------------------------------------------------------------------

TEST(SampleInstall, WritesTheFolderTheUninstallEntryVendorKeysAndStartupEntries) {
    SampleSpec spec = Spec(L"SampleTestFull", B::RemoveAll);
    spec.runEntry = true;
    spec.startupShortcut = true;
    spec.patchId = L"KB5099001";
    Installed sample(spec);

    for (const std::wstring& file : sample->files) EXPECT_TRUE(FileExists(sample->installDir + file)) << ToUtf8(file);
    EXPECT_EQ(FilesBelow(sample->installDir), Sorted(sample->files));
    EXPECT_TRUE(DirectoryExists(sample->installDir + L"data\\sub"));
    EXPECT_EQ(VersionString(sample->appExe, L"FileDescription"), L"Purgeon Sample Application");

    UniqueHKey key = OpenUninstallKey(spec.name);
    ASSERT_TRUE(key);
    EXPECT_EQ(ReadRegString(key.get(), L"DisplayName"), spec.displayName);
    EXPECT_EQ(ReadRegString(key.get(), L"DisplayVersion"), L"4.5.6");
    EXPECT_EQ(ReadRegString(key.get(), L"Publisher"), spec.publisher);
    EXPECT_EQ(ReadRegString(key.get(), L"InstallLocation"), sample->installDir);
    EXPECT_EQ(sample->installDir.back(), L'\\');
    EXPECT_EQ(ReadRegString(key.get(), L"DisplayIcon"), sample->appExe + L",0");
    std::wstring date = ReadRegString(key.get(), L"InstallDate").value_or(L"");
    EXPECT_EQ(date.size(), 8u);
    EXPECT_EQ(date.find_first_not_of(L"0123456789"), std::wstring::npos);
    std::wstring command = ReadRegString(key.get(), L"UninstallString").value_or(L"");
    EXPECT_EQ(command.rfind(L"\"" + sample->uninstallerPath + L"\" ", 0), 0u) << ToUtf8(command);
    EXPECT_TRUE(FileExists(sample->uninstallerPath));
    auto size = ReadDword(key.get(), L"EstimatedSize");
    ASSERT_TRUE(size);
    EXPECT_GT(*size, 64u);  // KB: the dll-like files alone are more than that
    EXPECT_EQ(ReadDword(key.get(), L"NoModify"), 1u);
    EXPECT_EQ(ReadDword(key.get(), L"NoRepair"), 1u);
    for (const wchar_t* link : {L"HelpLink", L"URLInfoAbout", L"URLUpdateInfo"})
        EXPECT_EQ(ReadRegString(key.get(), link).value_or(L"").rfind(L"https://", 0), 0u) << ToUtf8(link);

    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\" + spec.name, L"InstallDir"), sample->installDir);
    EXPECT_EQ(SubkeyCount(HKEY_CURRENT_USER, L"Software\\" + spec.name), 2u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\" + spec.name, L"Version"), L"4.5.6");
    EXPECT_EQ(SubkeyCount(HKEY_LOCAL_MACHINE, L"Software\\" + spec.name), 1u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\" + spec.publisher + L"\\" + spec.name, L"Path"),
              sample->installDir);

    EXPECT_NE(ReadString(HKEY_CURRENT_USER, kRunKey, spec.name.c_str()).find(sample->appExe), std::wstring::npos);
    EXPECT_TRUE(EqualsNoCase(ShortcutTarget(sample->shortcutPath), sample->appExe)) << ToUtf8(ShortcutTarget(sample->shortcutPath));

    const std::wstring patch = UninstallKeyPath(spec.patchId);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, patch, L"ParentKeyName"), spec.name);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, patch, L"ReleaseType"), L"Security Update");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, patch, L"DisplayName"),
              L"Security Update for " + spec.displayName + L" (KB5099001)");
}

TEST(SampleInstall, RemoveSampleUndoesEverythingAndReinstallStartsClean) {
    SampleSpec spec = Spec(L"SampleTestRoundTrip", B::Remains);
    spec.runEntry = true;
    spec.startupShortcut = true;
    spec.patchId = L"KB5099002";
    InstalledSample first = InstallSample(spec, BinDir());
    // A stray file from "use" of the program: a reinstall must not keep it.
    WriteFileBytes(first.installDir + L"data\\user.log", "used");
    InstalledSample second = InstallSample(spec, BinDir());
    EXPECT_EQ(FilesBelow(second.installDir), Sorted(second.files));

    std::vector<std::wstring> removed = RemoveSample(spec.name);
    EXPECT_FALSE(removed.empty());
    ExpectNothingLeft(spec, second);
    EXPECT_TRUE(RemoveSample(spec.name).empty());
}

TEST(SampleInstall, RemoveByKeyNameFindsWhatARemainsUninstallerLeft) {
    SampleSpec spec = Spec(L"SampleTestLeftovers", B::Remains);
    Installed sample(spec);
    Started run = StartCommand(sample->uninstallString);
    ASSERT_TRUE(run.process);
    ASSERT_EQ(WaitExit(run, 10000), 0u);
    // The Uninstall entry is gone; the vendor key still says where the rest is.
    RemoveSample(spec.name);
    ExpectNothingLeft(spec, sample.get());
}

TEST(SampleInstall, RefusesSystemNamesAndMissingTools) {
    EXPECT_THROW(InstallSample(Spec(L"Microsoft", B::RemoveAll), BinDir()), SampleError);
    EXPECT_THROW(InstallSample(Spec(L"With\\Backslash", B::RemoveAll), BinDir()), SampleError);
    EXPECT_THROW(RemoveSample(L"Wine"), SampleError);
    ScratchFolder empty(L"no-tools");
    EXPECT_THROW(InstallSample(Spec(L"SampleTestNoTools", B::RemoveAll), empty.path()), SampleError);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(L"SampleTestNoTools")));
}

TEST(SampleInstall, UnicodeNamesRoundTripThroughKeysFoldersAndTheUninstaller) {
    SampleSpec spec = Spec(L"数据管家 Café Ünïcode", B::RemoveAll);
    spec.displayName = L"数据管家 – Édition Crème 🚀";
    spec.runEntry = true;
    Installed sample(spec);

    UniqueHKey root;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallRoot, 0, KEY_READ | KEY_WOW64_64KEY, root.put()), ERROR_SUCCESS);
    bool listed = false;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = 256;
        if (RegEnumKeyExW(root.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        listed = listed || std::wstring(name, length) == spec.name;
    }
    EXPECT_TRUE(listed);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.name), L"DisplayName"), spec.displayName);
    EXPECT_TRUE(FileExists(sample->installDir + spec.name + L".exe"));

    // The key name travels through the uninstaller's command line.
    Started run = StartCommand(sample->uninstallString);
    ASSERT_TRUE(run.process);
    EXPECT_EQ(WaitExit(run, 10000), 0u);
    ExpectNothingLeft(spec, sample.get());
}

// --- running the uninstallers ----------------------------------------------------------------

TEST(SampleUninstallers, RemoveAllLeavesNothingOnceItHasExited) {
    SampleSpec spec = Spec(L"SampleTestRemoveAll", B::RemoveAll);
    spec.runEntry = true;
    spec.startupShortcut = true;
    spec.patchId = L"KB5099003";
    Installed sample(spec);
    Started run = StartCommand(sample->uninstallString);
    ASSERT_TRUE(run.process) << run.error;
    EXPECT_EQ(WaitExit(run, 10000), 0u);
    ExpectNothingLeft(spec, sample.get());
}

TEST(SampleUninstallers, RemainsLeavesExactlyTheExpectedFilesAndVendorKeys) {
    SampleSpec spec = Spec(L"SampleTestRemains", B::Remains);
    spec.runEntry = true;
    spec.startupShortcut = true;
    spec.patchId = L"KB5099004";
    Installed sample(spec);
    Started run = StartCommand(sample->uninstallString);
    ASSERT_TRUE(run.process) << run.error;
    EXPECT_EQ(WaitExit(run, 10000), 0u);
    ExpectRemains(spec, sample.get());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.patchId)));
}

TEST(SampleUninstallers, HandoverParentExitsAtOnceWhileItsChildDoesTheWorkLater) {
    SampleSpec spec = Spec(L"SampleTestHandover", B::Handover);
    Installed sample(spec);
    Started run = StartCommand(sample->uninstallString);
    ASSERT_TRUE(run.process) << run.error;
    EXPECT_EQ(WaitExit(run, 5000), 0u);
    EXPECT_LT(GetTickCount64() - run.startTick, 500u);

    DWORD childId = 0;
    UniqueHandle child = FindChild(run.id, run.process.get(), &childId);
    ASSERT_TRUE(child) << "no child of the handover uninstaller";
    EXPECT_EQ(WaitForSingleObject(child.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the child ended too soon";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.name))) << "the work was done before the parent left";
    EXPECT_FALSE(StartsWithNoCase(ImagePath(child.get()), sample->installDir));

    ASSERT_EQ(WaitForSingleObject(child.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(child.get(), &code);
    EXPECT_EQ(code, 0u);
    ExpectNothingLeft(spec, sample.get());
}

TEST(SampleUninstallers, HandoverCanLeaveRemainsBehind) {
    SampleSpec spec = Spec(L"SampleTestHandoverRemains", B::Handover);
    spec.handoverWork = B::Remains;
    Installed sample(spec);
    Started run = StartCommand(sample->uninstallString);
    ASSERT_TRUE(run.process) << run.error;
    EXPECT_EQ(WaitExit(run, 5000), 0u);
    DWORD childId = 0;
    UniqueHandle child = FindChild(run.id, run.process.get(), &childId);
    ASSERT_TRUE(child);
    ASSERT_EQ(WaitForSingleObject(child.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    ExpectRemains(spec, sample.get());
}

TEST(SampleUninstallers, SlowRunsPastHalfASecondThenLeavesRemains) {
    SampleSpec spec = Spec(L"SampleTestSlow", B::Slow);
    Installed sample(spec);
    Started run = StartCommand(sample->uninstallString);
    ASSERT_TRUE(run.process) << run.error;
    EXPECT_EQ(WaitForSingleObject(run.process.get(), 500), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitExit(run, 10000), 0u);
    EXPECT_GT(GetTickCount64() - run.startTick, 500u);
    ExpectRemains(spec, sample.get());
}

TEST(SampleUninstallers, MissingUninstallerCannotBeStarted) {
    SampleSpec spec = Spec(L"SampleTestMissing", B::Missing);
    Installed sample(spec);
    EXPECT_FALSE(FileExists(sample->uninstallerPath));
    EXPECT_TRUE(DirectoryExists(sample->installDir));
    EXPECT_NE(ReadString(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.name), L"UninstallString").find(sample->uninstallerPath),
              std::wstring::npos);
    Started run = StartCommand(sample->uninstallString);
    EXPECT_FALSE(run.process);
    EXPECT_EQ(run.error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(SampleUninstallers, PatchEntryUninstallerRemovesOnlyThePatch) {
    SampleSpec spec = Spec(L"SampleTestPatched", B::RemoveAll);
    spec.patchId = L"KB5099005";
    Installed sample(spec);
    Started run = StartCommand(ReadString(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.patchId), L"UninstallString"));
    ASSERT_TRUE(run.process) << run.error;
    EXPECT_EQ(WaitExit(run, 10000), 0u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.patchId)));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.name)));
    EXPECT_TRUE(FileExists(sample->uninstallerPath));
}

// --- the demo set, the screen saver, bulk entries, the command line -----------------------------

TEST(SampleDemo, CoversEveryBehaviourAndInstallsAndRemovesCleanly) {
    std::vector<SampleSpec> demo = DemoSamples();
    EXPECT_GE(demo.size(), 12u);
    std::set<B> behaviours;
    std::set<std::wstring> names;
    bool patch = false, run = false, startup = false, unicode = false;
    for (const SampleSpec& spec : demo) {
        behaviours.insert(spec.behaviour);
        names.insert(ToLower(spec.name));
        patch |= !spec.patchId.empty();
        run |= spec.runEntry;
        startup |= spec.startupShortcut;
        unicode |= std::any_of(spec.name.begin(), spec.name.end(), [](wchar_t c) { return c > 0x7f; });
    }
    EXPECT_EQ(behaviours.size(), 5u);
    EXPECT_EQ(names.size(), demo.size());
    EXPECT_TRUE(patch && run && startup && unicode);

    std::vector<InstalledSample> installed;
    for (const SampleSpec& spec : demo) installed.push_back(InstallSample(spec, BinDir()));
    EXPECT_GE(ListInstalledSamples().size(), demo.size() + 1);  // with the patch entry
    for (const SampleSpec& spec : demo) RemoveSample(spec);
    for (size_t i = 0; i < demo.size(); ++i) {
        SCOPED_TRACE(ToUtf8(demo[i].name));
        ExpectNothingLeft(demo[i], installed[i]);
    }
}

TEST(SampleScreenSaver, LandsInTheSystemFolderWithItsVersionResource) {
    std::wstring path = InstallScreenSaver(BinDir());
    EXPECT_TRUE(EqualsNoCase(ExtractFilePath(path), IncludeTrailingBackslash(SystemDirectory())));
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(VersionString(path, L"FileDescription"), L"Purgeon Sample Saver");
    EXPECT_EQ(VersionString(path, L"CompanyName"), L"Purgeon Sample Software");
    EXPECT_TRUE(RemoveScreenSaver());
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(RemoveScreenSaver());
}

TEST(SampleSeeding, SeedsPlainEntriesAndUnseedsOnlyItsPrefix) {
    const std::wstring prefix = L"SampleTestSeed";
    UnseedEntries(prefix);
    Installed neighbour(Spec(L"SampleTestSeeNot", B::RemoveAll));  // shares the first letters only
    EXPECT_EQ(SeedEntries(300, prefix), 300u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, UninstallKeyPath(prefix + L"000001"), L"DisplayName"), L"Seeded Program 000001");
    EXPECT_NE(ReadString(HKEY_LOCAL_MACHINE, UninstallKeyPath(prefix + L"000300"), L"UninstallString"), L"<no value>");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(prefix + L"000301")));
    EXPECT_EQ(UnseedEntries(prefix), 300u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(prefix + L"000150")));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(L"SampleTestSeeNot")));
    EXPECT_EQ(UnseedEntries(prefix), 0u);
}

TEST(SampleTool, InstallListAndRemoveFromTheCommandLine) {
    const std::wstring tool = BinDir() + L"PurgeonSamples.exe";
    DWORD code = 99;
    std::string out = CaptureOutput(tool, L"install SampleTestCli --behaviour=slow --run --patch=KB5099006 "
                                          L"\"--publisher=Sample Test Works SampleTestCli\"",
                                    &code);
    EXPECT_EQ(code, 0u) << out;
    SampleSpec spec = Spec(L"SampleTestCli", B::Slow);
    spec.patchId = L"KB5099006";
    const std::wstring installDir = InstallDirOf(spec.publisher, spec.name);
    EXPECT_NE(ReadString(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.name), L"UninstallString").find(L"/behaviour=slow"),
              std::wstring::npos);
    EXPECT_TRUE(RunValueExists(spec.name));

    out = CaptureOutput(tool, L"list", &code);
    EXPECT_EQ(code, 0u);
    EXPECT_NE(out.find("SampleTestCli\t"), std::string::npos) << out;
    EXPECT_NE(out.find("KB5099006\t"), std::string::npos) << out;

    out = CaptureOutput(tool, L"remove SampleTestCli", &code);
    EXPECT_EQ(code, 0u) << out;
    InstalledSample gone;
    gone.installDir = installDir;
    ExpectNothingLeft(spec, gone);

    out = CaptureOutput(tool, L"install SampleTestCli --behaviour=sideways", &code);
    EXPECT_EQ(code, 1u);
    EXPECT_NE(out.find("Unknown behaviour"), std::string::npos) << out;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath(spec.name)));
}

// The demo's programs each show an icon of their own, drawn from SVG into SampleApp.exe.
TEST(SampleIcons, EveryDemoProgramNamesAnIconOfItsOwnThatTheProgramCarries) {
    const std::wstring app = BinDir() + kAppFile;
    ASSERT_EQ(ExtractIconExW(app.c_str(), -1, nullptr, nullptr, 0), static_cast<UINT>(kSampleIconCount));

    // Every icon draws differently: a 32-pixel picture of each, compared byte for byte.
    std::set<std::string> looks;
    for (int index = 0; index < kSampleIconCount; ++index) {
        HICON raw = nullptr;
        ASSERT_EQ(ExtractIconExW(app.c_str(), index, &raw, nullptr, 1), 1u) << index;
        UniqueIcon icon(raw);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 32, -32, 1, 32, BI_RGB};
        void* bits = nullptr;
        UniqueDc dc(CreateCompatibleDC(nullptr));
        UniqueBitmap canvas(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        SelectedObject in(dc.get(), canvas.get());
        ASSERT_TRUE(DrawIconEx(dc.get(), 0, 0, icon.get(), 32, 32, 0, nullptr, DI_NORMAL));
        GdiFlush();
        looks.insert(std::string(static_cast<const char*>(bits), 32 * 32 * 4));
    }
    EXPECT_EQ(looks.size(), static_cast<size_t>(kSampleIconCount));

    std::set<int> used;
    for (const SampleSpec& spec : DemoSamples()) {
        EXPECT_GT(spec.iconIndex, kIcon_sample) << ToUtf8(spec.name) << " shows the generic sample icon";
        EXPECT_LT(spec.iconIndex, kSampleIconCount) << ToUtf8(spec.name);
        EXPECT_TRUE(used.insert(spec.iconIndex).second) << ToUtf8(spec.name) << " shares its icon";
    }

    SampleSpec spec = Spec(L"SampleTestIcon", B::RemoveAll);
    spec.iconIndex = kIcon_cloudsync;
    spec.startupShortcut = true;
    Installed sample(spec);
    UniqueHKey key = OpenUninstallKey(spec.name);
    ASSERT_TRUE(key);
    EXPECT_EQ(ReadRegString(key.get(), L"DisplayIcon"), sample->appExe + Format(L",%d", kIcon_cloudsync));
}
