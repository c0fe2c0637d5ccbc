// Installed programs as the component reads them from the real Uninstall key.
#include "tests/test_doffkit_support.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>

namespace doffkit_test {

namespace {

using Entry = IProgramEntry;

long Kind(Entry* entry) {
    long kind = -1;
    EXPECT_EQ(S_OK, entry->GetKind(&kind));
    return kind;
}

long IconIndex(Entry* entry) {
    long index = -1;
    EXPECT_EQ(S_OK, entry->GetIconIndex(&index));
    return index;
}

std::wstring SystemFile(const wchar_t* name) { return IncludeTrailingBackslash(SystemDirectory()) + name; }

// The texts an entry lists under the name "Comments".
std::vector<std::wstring> CommentTexts(IProgramEntry* entry) {
    std::vector<std::wstring> texts;
    for (const auto& [name, text] : ValueRows(entry))
        if (name == L"Comments") texts.push_back(text);
    return texts;
}

}  // namespace

using DoffkitPrograms = ComTest;

TEST_F(DoffkitPrograms, ReadEveryGetterOfARealisticEntry) {
    SeededKey seeded(UniqueName(L"Full"));
    seeded.Text(L"DisplayName", L"Fabrikam Photo Studio 5")
        .Text(L"DisplayVersion", L"5.2.1")
        .Text(L"Publisher", L"Fabrikam, Inc.")
        .Text(L"InstallLocation", L"C:\\Program Files\\Fabrikam\\Photo Studio\\")
        .Text(L"UninstallString", L"\"C:\\Program Files\\Fabrikam\\Photo Studio\\uninst.exe\" /S")
        .Text(L"DisplayIcon", L"%SystemRoot%\\system32\\shell32.dll,3", REG_EXPAND_SZ)
        .Text(L"InstallDate", L"20261208")
        .Text(L"HelpLink", L"https://fabrikam.example/help")
        .Text(L"URLInfoAbout", L"https://fabrikam.example/")
        .Text(L"URLUpdateInfo", L"https://fabrikam.example/update")
        .Dword(L"EstimatedSize", 123456)
        .Dword(L"NoModify", 1);
    ComPtr<IProgramList> list = CreateList();
    ASSERT_EQ(S_OK, list->RefreshPrograms());
    ComPtr<Entry> entry = FindEntry(list.get(), seeded.name());
    ASSERT_TRUE(entry);
    Entry* e = entry.get();
    EXPECT_EQ(L"Fabrikam Photo Studio 5", Read(e, &Entry::GetDisplayName));
    EXPECT_EQ(seeded.name(), Read(e, &Entry::GetKeyName));
    EXPECT_EQ(L"Fabrikam, Inc.", Read(e, &Entry::GetPublisher));
    EXPECT_EQ(L"C:\\Program Files\\Fabrikam\\Photo Studio\\", Read(e, &Entry::GetInstallLocation));
    EXPECT_EQ(L"\"C:\\Program Files\\Fabrikam\\Photo Studio\\uninst.exe\" /S", Read(e, &Entry::GetUninstallString));
    EXPECT_EQ(L"5.2.1", Read(e, &Entry::GetVersion));
    EXPECT_EQ(L"20261208", Read(e, &Entry::GetInstallDate));
    EXPECT_EQ(L"https://fabrikam.example/help", Read(e, &Entry::GetHelpLink));
    EXPECT_EQ(L"https://fabrikam.example/", Read(e, &Entry::GetAboutLink));
    EXPECT_EQ(L"https://fabrikam.example/update", Read(e, &Entry::GetUpdateLink));
    EXPECT_EQ(L"", Read(e, &Entry::GetLastUsed));
    EXPECT_EQ(0, Kind(e));
    float size = 0;
    EXPECT_EQ(S_OK, e->GetSize(&size));
    EXPECT_FLOAT_EQ(123456.0f * 1024.0f, size);
    unsigned long frequency = 99;
    EXPECT_EQ(S_OK, e->GetUsedFrequency(&frequency));
    EXPECT_EQ(0u, frequency);
    EXPECT_EQ(CachedImageIndex(SystemFile(L"shell32.dll"), 3), IconIndex(e)) << "expanded DisplayIcon, icon 3";

    // Re-targeted at another key, every read comes from there.
    SeededKey other(UniqueName(L"Other"));
    other.Text(L"DisplayName", L"Other program");
    UniqueBstr otherName(other.name().c_str());
    ASSERT_EQ(S_OK, e->LoadKey(otherName.get()));
    EXPECT_EQ(other.name(), Read(e, &Entry::GetKeyName));
    EXPECT_EQ(L"Other program", Read(e, &Entry::GetDisplayName));
    EXPECT_EQ(L"", Read(e, &Entry::GetPublisher));
    EXPECT_EQ(E_INVALIDARG, e->LoadKey(nullptr));
    UniqueBstr escaping(L"..\\Run");
    EXPECT_EQ(E_INVALIDARG, e->LoadKey(escaping.get()));
}

TEST_F(DoffkitPrograms, SortPatchesFromProgramsByNameParentAndReleaseType) {
    struct Case { std::wstring name; const wchar_t* value; const wchar_t* data; long kind; };
    const Case cases[] = {
        {L"KB2468871", nullptr, nullptr, 1},
        {L"{KB958488}", nullptr, nullptr, 1},
        {L"kb982861-v2", nullptr, nullptr, 1},
        {L"KB12", nullptr, nullptr, 0},
        {L"KBOX Agent", nullptr, nullptr, 0},
        {UniqueName(L"Parent"), L"ParentKeyName", L"OperatingSystem", 1},
        {UniqueName(L"EmptyParent"), L"ParentKeyName", L"", 0},
        {UniqueName(L"Update"), L"ReleaseType", L"update", 1},
        {UniqueName(L"Hotfix"), L"ReleaseType", L"Hotfix", 1},
        {UniqueName(L"Security"), L"ReleaseType", L"Security Update", 1},
        {UniqueName(L"ServicePack"), L"ReleaseType", L"Service Pack", 0},
    };
    std::vector<std::unique_ptr<SeededKey>> keys;
    for (const Case& c : cases) {
        keys.push_back(std::make_unique<SeededKey>(c.name));
        keys.back()->Text(L"DisplayName", c.name);
        if (c.value) keys.back()->Text(c.value, c.data);
    }
    ComPtr<IProgramList> list = CreateList();
    for (const Case& c : cases) {
        ComPtr<Entry> entry = FindEntry(list.get(), c.name);
        ASSERT_TRUE(entry) << ToUtf8(c.name);
        EXPECT_EQ(c.kind, Kind(entry.get())) << ToUtf8(c.name);
    }
}

TEST_F(DoffkitPrograms, FindIconsFromDisplayIconTheUninstallerOrTheGenericIcon) {
    const std::wstring shell32 = SystemFile(L"shell32.dll");
    const std::wstring notepad = SystemFile(L"notepad.exe");
    const std::wstring msiexec = SystemFile(L"msiexec.exe");
    const std::wstring iexplore = L"C:\\Program Files\\Internet Explorer\\iexplore.exe";
    SHFILEINFOW generic = {};
    SHGetFileInfoW(L"program.exe", FILE_ATTRIBUTE_NORMAL, &generic, sizeof generic,
                   SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    struct Case { const wchar_t* displayIcon; std::wstring uninstall; int expected; };
    const Case cases[] = {
        {L"\"PATH\",4", L"", CachedImageIndex(shell32, 4)},
        {L"PATH", L"", CachedImageIndex(shell32, 0)},
        {L"C:\\missing\\nothing.ico,2", L"\"" + notepad + L"\" /uninstall", CachedImageIndex(notepad, 0)},
        {nullptr, iexplore + L" /uninstall", CachedImageIndex(iexplore, 0)},
        {nullptr, L"MsiExec.exe /X{11111111-2222-3333-4444-555555555555}", CachedImageIndex(msiexec, 0)},
        {nullptr, L"C:\\missing\\uninst.exe", generic.iIcon},
        {nullptr, L"", generic.iIcon},
    };
    ASSERT_NE(CachedImageIndex(shell32, 4), CachedImageIndex(shell32, 0)) << "the icons must be told apart";
    std::vector<std::unique_ptr<SeededKey>> keys;
    for (const Case& c : cases) {
        keys.push_back(std::make_unique<SeededKey>(UniqueName(L"Icon")));
        if (c.displayIcon) {
            std::wstring icon = c.displayIcon;
            if (size_t at = icon.find(L"PATH"); at != std::wstring::npos) icon.replace(at, 4, shell32);
            keys.back()->Text(L"DisplayIcon", icon);
        }
        if (!c.uninstall.empty()) keys.back()->Text(L"UninstallString", c.uninstall);
    }
    ComPtr<IProgramList> list = CreateList();
    for (size_t i = 0; i < keys.size(); ++i) {
        ComPtr<Entry> entry = FindEntry(list.get(), keys[i]->name());
        ASSERT_TRUE(entry);
        EXPECT_EQ(cases[i].expected, IconIndex(entry.get())) << "case " << i;
    }
}

TEST_F(DoffkitPrograms, ListInRegistryOrderWithEntriesThatReadBadlyOrNotAtAll) {
    const std::wstring bigText(5000, L'x');
    SeededKey noName(UniqueName(L"NoName"));
    noName.Text(L"UninstallString", L"C:\\x\\u.exe");
    SeededKey emptyName(UniqueName(L"EmptyName"));
    emptyName.Text(L"DisplayName", L"");
    SeededKey wrongTypes(UniqueName(L"WrongTypes"));
    const BYTE binary[] = {0x43, 0x00, 0x3a, 0x00};
    wrongTypes.Dword(L"DisplayName", 7).Raw(L"UninstallString", REG_BINARY, binary, sizeof binary).Text(L"EstimatedSize", L"12");
    SeededKey big(UniqueName(L"Big"));
    big.Text(L"DisplayName", bigText).Text(L"UninstallString", L"\"" + bigText + L"\"");
    const std::wstring scripts = L"中文程序 Café ☕ 😀";
    SeededKey unicode(UniqueName(L"名前-é-😀"));
    unicode.Text(L"DisplayName", scripts).Text(L"Publisher", L"Éditions 北京");
    SeededKey locked(UniqueName(L"Locked"));
    locked.Text(L"DisplayName", L"Hidden behind an access list");
    const bool lockable = locked.Protect(L"D:P(D;;0x9;;;WD)(A;;KA;;;WD)");  // deny query value + enumerate
    UniqueHKey probe;
    const bool enforced =
        lockable && RegOpenKeyExW(HKEY_LOCAL_MACHINE, (std::wstring(kUninstall) + L"\\" + locked.name()).c_str(), 0,
                                  KEY_READ | KEY_WOW64_64KEY, probe.put()) == ERROR_ACCESS_DENIED;

    // Registry order as the registry itself enumerates it.
    std::vector<std::wstring> expected;
    {
        UniqueHKey root;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_READ | KEY_WOW64_64KEY, root.put()));
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (RegEnumKeyExW(root.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            expected.emplace_back(name, length);
        }
    }
    ComPtr<IProgramList> list = CreateList();
    ASSERT_EQ(S_OK, list->RefreshPrograms());
    long count = 0;
    ASSERT_EQ(S_OK, list->GetProgramCount(&count));
    std::vector<std::wstring> listed;
    for (long i = 0; i < count; ++i) {
        ComPtr<Entry> entry;
        ASSERT_EQ(S_OK, list->GetProgram(i, entry.put()));
        listed.push_back(Read(entry.get(), &Entry::GetKeyName));
    }
    EXPECT_EQ(expected, listed);

    ComPtr<Entry> entry = FindEntry(list.get(), noName.name());
    ASSERT_TRUE(entry);
    EXPECT_EQ(L"", Read(entry.get(), &Entry::GetDisplayName));
    EXPECT_EQ(L"C:\\x\\u.exe", Read(entry.get(), &Entry::GetUninstallString));
    ASSERT_TRUE(entry = FindEntry(list.get(), emptyName.name()));
    EXPECT_EQ(L"", Read(entry.get(), &Entry::GetDisplayName));
    ASSERT_TRUE(entry = FindEntry(list.get(), wrongTypes.name()));
    EXPECT_EQ(L"", Read(entry.get(), &Entry::GetDisplayName)) << "a REG_DWORD is no text";
    EXPECT_EQ(L"", Read(entry.get(), &Entry::GetUninstallString)) << "nor is REG_BINARY";
    float size = -1;
    EXPECT_EQ(S_OK, entry->GetSize(&size));
    EXPECT_EQ(0.0f, size) << "a string EstimatedSize is no size";
    ASSERT_TRUE(entry = FindEntry(list.get(), big.name()));
    EXPECT_EQ(bigText.substr(0, 2048), Read(entry.get(), &Entry::GetDisplayName)) << "a text shown is cut";
    EXPECT_EQ(L"\"" + bigText + L"\"", Read(entry.get(), &Entry::GetUninstallString));
    EXPECT_LE(0, IconIndex(entry.get()));
    ASSERT_TRUE(entry = FindEntry(list.get(), unicode.name())) << "a key name in any script";
    EXPECT_EQ(scripts, Read(entry.get(), &Entry::GetDisplayName));
    EXPECT_EQ(L"Éditions 北京", Read(entry.get(), &Entry::GetPublisher));

    if (!enforced) {
        printf("Wine did not enforce the denying access list: the unreadable-key case is not exercised\n");
        return;
    }
    ASSERT_TRUE(entry = FindEntry(list.get(), locked.name())) << "an unreadable key is still listed";
    EXPECT_EQ(L"", Read(entry.get(), &Entry::GetDisplayName));
    long values = -1;
    EXPECT_EQ(S_OK, entry->GetValueCount(&values));
    EXPECT_EQ(0, values);
}

TEST_F(DoffkitPrograms, ManyEntriesReadAtOnceEachKeepItsOwnValues) {
    // Enough entries for several readers, small keys (read whole) between large ones (read value by value).
    std::vector<std::unique_ptr<SeededKey>> seeded;
    for (int i = 0; i < 300; ++i) {
        auto& key = *seeded.emplace_back(std::make_unique<SeededKey>(UniqueName(Format(L"Many%03d", i))));
        key.Text(L"DisplayName", Format(L"Program %03d", i)).Text(L"Publisher", Format(L"Maker %03d", i));
        if (i % 2)
            for (int extra = 0; extra < 8; ++extra) key.Dword(Format(L"Extra%d", extra).c_str(), extra);
    }
    ComPtr<IProgramList> list = CreateList();
    ASSERT_EQ(S_OK, list->RefreshPrograms());
    for (int i = 0; i < 300; ++i) {
        ComPtr<Entry> entry = FindEntry(list.get(), seeded[i]->name());
        ASSERT_TRUE(entry) << i;
        EXPECT_EQ(Format(L"Program %03d", i), Read(entry.get(), &Entry::GetDisplayName));
        EXPECT_EQ(Format(L"Maker %03d", i), Read(entry.get(), &Entry::GetPublisher));
    }
}

TEST_F(DoffkitPrograms, ShowEveryValueInRegistryOrderAsTheRegistryEditorDoes) {
    SeededKey seeded(UniqueName(L"Values"));
    const wchar_t multi[] = L"first\0second\0";
    const ULONGLONG big = 0x123456789ULL;
    const BYTE bytes[] = {0x00, 0xab, 0x10};
    seeded.Text(nullptr, L"default text")
        .Text(L"DisplayName", L"Values")
        .Text(L"ExpandPath", L"%ProgramFiles%\\V", REG_EXPAND_SZ)
        .Dword(L"Number", 42)
        .Raw(L"Big", REG_QWORD, &big, sizeof big)
        .Raw(L"Bytes", REG_BINARY, bytes, sizeof bytes)
        .Raw(L"Multi", REG_MULTI_SZ, multi, sizeof multi);
    ComPtr<IProgramList> list = CreateList();
    ComPtr<Entry> entry = FindEntry(list.get(), seeded.name());
    ASSERT_TRUE(entry);

    std::vector<std::pair<std::wstring, std::wstring>> expected;
    for (const RegValue& value : ReadRegValues(seeded.key()))
        expected.emplace_back(value.name.empty() ? L"(Default)" : value.name, RenderRegValue(value));
    ASSERT_EQ(7u, expected.size());
    EXPECT_EQ(expected, ValueRows(entry.get()));
    auto data = [&](const std::wstring& name) {
        for (const auto& row : ValueRows(entry.get()))
            if (row.first == name) return row.second;
        return std::wstring(L"<missing>");
    };
    EXPECT_EQ(L"default text", data(L"(Default)"));
    EXPECT_EQ(L"%ProgramFiles%\\V", data(L"ExpandPath"));
    EXPECT_EQ(L"0x0000002a (42)", data(L"Number"));
    EXPECT_EQ(L"0x0000000123456789 (4886718345)", data(L"Big"));
    EXPECT_EQ(L"00 ab 10", data(L"Bytes"));
    EXPECT_EQ(L"first second", data(L"Multi"));

    BSTR untouched = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(E_INVALIDARG, entry->GetValueName(7, &untouched));
    EXPECT_EQ(nullptr, untouched);
    EXPECT_EQ(E_INVALIDARG, entry->GetValueData(-1, &untouched));
    EXPECT_EQ(E_POINTER, entry->GetValueCount(nullptr));
}

// A comment is the user's note: kept per user, shown in place of the installer's Comments text,
// and the installer's text in the program's key stays as it was.
TEST_F(DoffkitPrograms, CommentsAreKeptPerUserAndNeverOverwriteTheInstallersText) {
    SeededKey plain(UniqueName(L"Comment"));
    plain.Text(L"DisplayName", L"Commented");
    SeededKey vendor(UniqueName(L"VendorComment"));
    vendor.Text(L"DisplayName", L"Vendor").Text(L"Comments", L"from the vendor");
    ComPtr<IProgramList> list = CreateList();
    UniqueHKey store;
    auto stored = [&](const std::wstring& name) {
        store.reset();
        RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Purgeon\\Comments", 0, KEY_ALL_ACCESS, store.put());
        return store ? ReadRegString(store.get(), name.c_str()) : std::nullopt;
    };

    ComPtr<Entry> entry = FindEntry(list.get(), plain.name());
    ASSERT_TRUE(entry);
    ValueRows(entry.get());  // cached rows must not hide the new value
    UniqueBstr comment(L"Keep: licence 1234 — 注释");
    ASSERT_EQ(S_OK, entry->SetComment(comment.get()));
    EXPECT_FALSE(ReadRegString(plain.key(), L"Comments")) << "nothing is written into the program's key";
    EXPECT_EQ(stored(plain.name()).value_or(L"-"), comment.str());
    EXPECT_EQ(CommentTexts(entry.get()), std::vector<std::wstring>{comment.str()});
    UniqueBstr empty(L"");
    ASSERT_EQ(S_OK, entry->SetComment(empty.get()));
    EXPECT_EQ(stored(plain.name()).value_or(L"-"), L"") << "an empty comment is stored as such";

    ASSERT_TRUE(entry = FindEntry(list.get(), vendor.name()));
    EXPECT_EQ(CommentTexts(entry.get()), std::vector<std::wstring>{L"from the vendor"});
    UniqueBstr mine(L"mine, not the vendor's");
    ASSERT_EQ(S_OK, entry->SetComment(mine.get()));
    EXPECT_EQ(L"from the vendor", ReadRegString(vendor.key(), L"Comments").value_or(L"-"));
    EXPECT_EQ(CommentTexts(entry.get()), std::vector<std::wstring>{mine.str()});
    // A fresh list sees it too.
    ComPtr<IProgramList> again = CreateList();
    ASSERT_TRUE(entry = FindEntry(again.get(), vendor.name()));
    EXPECT_EQ(CommentTexts(entry.get()), std::vector<std::wstring>{mine.str()});
    stored(L"");
    RegDeleteValueW(store.get(), plain.name().c_str());
    RegDeleteValueW(store.get(), vendor.name().c_str());
}

TEST_F(DoffkitPrograms, RefuseOutOfRangeIndexesAndNullPointers) {
    ComPtr<IProgramList> list = CreateList();
    long count = 0;
    ASSERT_EQ(S_OK, list->GetProgramCount(&count));
    for (long bad : {-1L, count, count + 1000}) {
        IProgramEntry* entry = reinterpret_cast<IProgramEntry*>(1);
        EXPECT_EQ(E_INVALIDARG, list->GetProgram(bad, &entry));
        EXPECT_EQ(nullptr, entry);
    }
    EXPECT_EQ(E_POINTER, list->GetProgram(0, nullptr));
    EXPECT_EQ(E_POINTER, list->GetProgramCount(nullptr));
    SeededKey seeded(UniqueName(L"Null"));
    ASSERT_EQ(S_OK, list->RefreshPrograms());
    ComPtr<Entry> entry = FindEntry(list.get(), seeded.name());
    ASSERT_TRUE(entry);
    EXPECT_EQ(E_POINTER, entry->GetDisplayName(nullptr));
    EXPECT_EQ(E_POINTER, entry->GetKind(nullptr));
    EXPECT_EQ(E_POINTER, entry->GetSize(nullptr));
    EXPECT_EQ(E_POINTER, entry->GetIconIndex(nullptr));
}

// The machine's key, its 32-bit view and the user's key are listed in that order, and a name
// found in two of them is two programs, each reading from and writing to its own key.
TEST_F(DoffkitPrograms, ListAllThreeUninstallKeysEachEntryWithItsOwnKey) {
    const std::wstring name = UniqueName(L"Sources");
    SeededKey machine(name, Source::Machine), machine32(name, Source::Machine32), user(name, Source::User);
    machine.Text(L"DisplayName", L"Machine copy");
    machine32.Text(L"DisplayName", L"32-bit copy").Text(L"UninstallString", L"%SystemRoot%\\unins32.exe", REG_EXPAND_SZ);
    user.Text(L"DisplayName", L"User copy");
    ComPtr<IProgramList> list = CreateList();
    ASSERT_EQ(S_OK, list->RefreshPrograms());
    long count = 0;
    ASSERT_EQ(S_OK, list->GetProgramCount(&count));
    struct Seen {
        std::wstring displayName, keyPath;
        long source;
    };
    std::vector<Seen> seen;
    std::vector<ComPtr<Entry>> entries;
    for (long i = 0; i < count; ++i) {
        ComPtr<Entry> entry;
        ASSERT_EQ(S_OK, list->GetProgram(i, entry.put()));
        if (Read(entry.get(), &Entry::GetKeyName) != name) continue;
        ComPtr<IProgramEntry2> where;
        ASSERT_EQ(S_OK, entry->QueryInterface(IID_IProgramEntry2, where.put_void()));
        long source = -1;
        EXPECT_EQ(S_OK, where->GetSource(&source));
        seen.push_back({Read(entry.get(), &Entry::GetDisplayName), Read(where.get(), &IProgramEntry2::GetKeyPath), source});
        entries.push_back(entry);
    }
    ASSERT_EQ(seen.size(), 3u);
    const std::wstring tail = L"Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name;
    EXPECT_EQ(seen[0].displayName, L"Machine copy");
    EXPECT_EQ(seen[0].keyPath, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\" + tail);
    EXPECT_EQ(seen[1].displayName, L"32-bit copy");
    EXPECT_EQ(seen[1].keyPath, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\" + tail);
    EXPECT_EQ(seen[2].displayName, L"User copy");
    EXPECT_EQ(seen[2].keyPath, L"HKEY_CURRENT_USER\\Software\\" + tail);
    for (long source = 0; source < 3; ++source) EXPECT_EQ(seen[static_cast<size_t>(source)].source, source);

    // Each entry's values (what the details window lists) come from its own key.
    const auto rows32 = ValueRows(entries[1].get());
    EXPECT_NE(std::find(rows32.begin(), rows32.end(), std::make_pair(std::wstring(L"DisplayName"), std::wstring(L"32-bit copy"))),
              rows32.end());
    EXPECT_EQ(ValueRows(entries[2].get()), (std::vector<std::pair<std::wstring, std::wstring>>{{L"DisplayName", L"User copy"}}));

    // One COM identity for both interfaces of an entry.
    ComPtr<IProgramEntry2> where;
    ASSERT_EQ(S_OK, entries[1]->QueryInterface(IID_IProgramEntry2, where.put_void()));
    ComPtr<IUnknown> fromEntry, fromWhere;
    ASSERT_EQ(S_OK, entries[1]->QueryInterface(IID_IUnknown, fromEntry.put_void()));
    ASSERT_EQ(S_OK, where->QueryInterface(IID_IUnknown, fromWhere.put_void()));
    EXPECT_EQ(fromEntry.get(), fromWhere.get());
    wchar_t expanded[MAX_PATH];
    ExpandEnvironmentStringsW(L"%SystemRoot%\\unins32.exe", expanded, MAX_PATH);
    EXPECT_EQ(Read(where.get(), &IProgramEntry2::GetUninstallCommand), expanded);

    // A comment belongs to its own entry, apart from the same name's in another source; LoadKey
    // stays within its source.
    UniqueBstr comment(L"kept for the 32-bit view");
    ASSERT_EQ(S_OK, entries[1]->SetComment(comment.get()));
    EXPECT_EQ(CommentTexts(entries[1].get()), std::vector<std::wstring>{comment.str()});
    EXPECT_TRUE(CommentTexts(entries[0].get()).empty());
    EXPECT_FALSE(ReadRegString(machine32.key(), L"Comments"));
    UniqueHKey store;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Purgeon\\Comments", 0, KEY_SET_VALUE, store.put());
    RegDeleteValueW(store.get(), (L"WOW6432Node\\" + name).c_str());
    UniqueBstr same(name.c_str());
    ASSERT_EQ(S_OK, entries[2]->LoadKey(same.get()));
    EXPECT_EQ(Read(entries[2].get(), &Entry::GetDisplayName), L"User copy");
}

// What Uninstall runs: a Windows Installer product is removed with /X, whatever UninstallString
// says; anything else runs its UninstallString with the environment expanded.
TEST_F(DoffkitPrograms, UninstallCommandIsWhatWindowsOwnListRuns) {
    wchar_t root[MAX_PATH];
    ExpandEnvironmentStringsW(L"%SystemRoot%", root, MAX_PATH);
    const std::wstring code = L"{6D1C3E2A-8B47-4F5A-9C13-2E7B9A4D5F60}";
    struct Case {
        std::wstring keyName;
        const wchar_t* command;  // null: no UninstallString
        DWORD type;
        bool windowsInstaller;
        std::wstring expected;
    } cases[] = {
        {code, L"MsiExec.exe /I{6D1C3E2A-8B47-4F5A-9C13-2E7B9A4D5F60}", REG_EXPAND_SZ, true,
         L"MsiExec.exe /X{6D1C3E2A-8B47-4F5A-9C13-2E7B9A4D5F60}"},
        {L"{0B9E7A13-54C2-4D8E-A1F7-3C6B2D9E8F41}", nullptr, REG_SZ, true,
         L"MsiExec.exe /X{0B9E7A13-54C2-4D8E-A1F7-3C6B2D9E8F41}"},  // no command at all
        {L"{4A2F6C81-9D3E-4B57-8E16-7F0A3C5D2B94}", L"MsiExec.exe /I{4A2F6C81-9D3E-4B57-8E16-7F0A3C5D2B94}", REG_SZ,
         false, L"MsiExec.exe /I{4A2F6C81-9D3E-4B57-8E16-7F0A3C5D2B94}"},  // not an Installer entry
        {UniqueName(L"NotACode"), L"x.exe /u", REG_SZ, true, L"x.exe /u"},
        {UniqueName(L"Expand"), L"%SystemRoot%\\u.exe /S", REG_EXPAND_SZ, false, std::wstring(root) + L"\\u.exe /S"},
        {UniqueName(L"Percent"), L"%SystemRoot%\\u.exe", REG_SZ, false, std::wstring(root) + L"\\u.exe"},
        {UniqueName(L"Unknown"), L"%NoSuchVariable%\\u.exe", REG_SZ, false, L"%NoSuchVariable%\\u.exe"},
        {UniqueName(L"None"), nullptr, REG_SZ, false, L""},
    };
    std::vector<std::unique_ptr<SeededKey>> keys;
    for (const Case& c : cases) {
        keys.push_back(std::make_unique<SeededKey>(c.keyName));
        if (c.command) keys.back()->Text(L"UninstallString", c.command, c.type);
        if (c.windowsInstaller) keys.back()->Dword(L"WindowsInstaller", 1);
    }
    keys.push_back(std::make_unique<SeededKey>(UniqueName(L"Number")));
    keys.back()->Dword(L"UninstallString", 1);
    ComPtr<IProgramList> list = CreateList();
    ASSERT_EQ(S_OK, list->RefreshPrograms());
    auto commandOf = [&](const std::wstring& keyName) {
        ComPtr<Entry> entry = FindEntry(list.get(), keyName);
        ComPtr<IProgramEntry2> where;
        if (!entry || FAILED(entry->QueryInterface(IID_IProgramEntry2, where.put_void()))) return std::wstring(L"<none>");
        return Read(where.get(), &IProgramEntry2::GetUninstallCommand);
    };
    for (const Case& c : cases) EXPECT_EQ(commandOf(c.keyName), c.expected) << ToUtf8(c.keyName);
    EXPECT_EQ(commandOf(keys.back()->name()), L"");  // not a text
}

}  // namespace doffkit_test
