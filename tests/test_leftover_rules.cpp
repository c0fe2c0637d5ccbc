// The leftovers search's rules as tables: how names compare, what an installed program claims,
// how a candidate is scored, and how findings are grouped by program.
#include <gtest/gtest.h>

#include "remains/leftovers.h"
#include "common/funUtils.h"

using namespace purgeon;
using namespace purgeon::remains;

namespace {

TEST(LeftoverNames, CompareFoldedAndShortNamesOnlyExactly) {
    struct Case {
        const wchar_t *a, *b;
        bool match, close;
    };
    const Case cases[] = {
        {L"Acme Paint", L"acme_paint", true, false},      // case, blanks and "_" fold away
        {L"Acme-Paint", L"AcmePaint", true, false},
        {L"Acme Paint", L"Acme Paint Pro", false, true},  // something added
        {L"Acme Paint", L"Acme Pain", false, true},       // one character fewer
        {L"Acme Paint", L"Acme Faint", false, true},      // one character different
        {L"Acme Paint", L"Acme Draw", false, false},
        {L"A-B", L"AB", false, false},                    // four characters or fewer: exactly only
        {L"Zip", L"ZIP", true, false},
        {L"Zip", L"Zip2", false, false},                  // never close either
        {L"Tool", L"Tools", false, false},
        {L"", L"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NamesMatch(c.a, c.b), c.match) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
        EXPECT_EQ(NamesClose(c.a, c.b), c.close) << ToUtf8(c.a) << " / " << ToUtf8(c.b);
    }
}

TEST(LeftoverNames, DropVersionsEditionsAndCompanyForms) {
    const std::pair<const wchar_t*, const wchar_t*> versions[] = {
        {L"Acme Paint 2.1", L"Acme Paint"},        {L"Acme Paint 2.1 (x64)", L"Acme Paint"},
        {L"Acme Paint v3", L"Acme Paint"},          {L"Acme Paint 64-bit", L"Acme Paint"},
        {L"Acme Paint 2024", L"Acme Paint"},        {L"Acme Paint", L"Acme Paint"},
        {L"7-Zip 23.01", L"7-Zip"},                 {L"2.1", L"2.1"},  // nothing but a version keeps it
    };
    for (const auto& [name, expected] : versions) EXPECT_EQ(NameWithoutVersion(name), expected) << ToUtf8(name);
    const std::pair<const wchar_t*, const wchar_t*> publishers[] = {
        {L"Acme Software, Inc.", L"Acme Software"}, {L"Acme Ltd", L"Acme"}, {L"Acme GmbH & Co. KG", L"Acme"},
        {L"Acme", L"Acme"},                {L"Inc.", L"Inc."},
    };
    for (const auto& [name, expected] : publishers) EXPECT_EQ(NameWithoutCompanyForm(name), expected) << ToUtf8(name);
    for (const wchar_t* generic : {L"Settings", L"config", L"Data", L"Users", L"Install", L"Temp", L"Logs", L"abc"})
        EXPECT_TRUE(IsGenericLeftoverName(generic)) << ToUtf8(generic);
    for (const wchar_t* own : {L"Acme Paint", L"GoneApp", L"Purgeon Leftover Co"})
        EXPECT_FALSE(IsGenericLeftoverName(own)) << ToUtf8(own);
}

TEST(LeftoverClaims, WhatInstalledProgramsClaim) {
    std::vector<InstalledProgram> installed(3);
    installed[0] = {L"AcmePaint_is1", L"Acme Paint 2.1", L"Acme Software, Inc.", L"C:\\Program Files\\Acme\\Paint\\",
                    L"C:\\Program Files\\Acme\\Paint\\uninst", L"C:\\ProgramData\\AcmeIcons"};
    // An uninstaller in the Windows folder and an install location that is a place claim nothing.
    installed[1] = {L"{1234}", L"Zed", L"", L"C:\\Program Files", L"C:\\Windows\\System32", L""};
    installed[2] = {L"Tool", L"Tool", L"Bo", L"\"C:\\PortableApps\\Tool\"", L"", L""};
    const Claims claims(installed, {L"C:\\Tools\\Purgeon"}, {L"c:\\program files", L"c:\\programdata"});
    struct Case {
        const wchar_t *path, *name;
        Claim folder;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Acme\\Paint", L"Paint", Claim::Is},            // its install location
        {L"C:\\PROGRAM FILES\\acme\\paint\\plugins", L"plugins", Claim::Is},  // inside it, any case
        {L"C:\\Program Files\\Acme", L"Acme", Claim::Holds},                  // holds it (and is its vendor)
        {L"C:\\ProgramData\\AcmeIcons", L"AcmeIcons", Claim::Is},             // its icon's folder
        {L"C:\\Users\\u\\AppData\\Roaming\\Acme Paint", L"Acme Paint", Claim::Is},  // display name without version
        {L"C:\\Users\\u\\AppData\\Roaming\\AcmePaint_is1", L"AcmePaint_is1", Claim::Is},  // key name
        {L"C:\\Users\\u\\AppData\\Roaming\\Paint", L"Paint", Claim::Is},      // its install folder's name
        {L"C:\\ProgramData\\Acme Software", L"Acme Software", Claim::Vendor},  // its publisher
        {L"C:\\ProgramData\\Acme", L"Acme", Claim::Vendor},                   // its install folder's vendor
        {L"C:\\Program Files\\Other", L"Other", Claim::None},                 // "C:\Program Files" claims nothing
        {L"C:\\ProgramData\\Tool", L"Tool", Claim::Is},                       // a short name, exactly
        {L"C:\\ProgramData\\Tools", L"Tools", Claim::None},                   // not loosely
        {L"C:\\ProgramData\\BO", L"BO", Claim::Vendor},
        {L"C:\\Tools\\Purgeon\\Back up", L"Back up", Claim::Is},              // this program's own folder
        {L"C:\\Tools", L"Tools", Claim::Holds},
    };
    for (const Case& c : cases) EXPECT_EQ(claims.OfFolder(c.path, c.name), c.folder) << ToUtf8(c.path);
    EXPECT_EQ(claims.OfKey(L"Acme Paint"), Claim::Is);
    EXPECT_EQ(claims.OfKey(L"ACME SOFTWARE"), Claim::Vendor);
    EXPECT_EQ(claims.OfKey(L"Acme Draw"), Claim::None);
    EXPECT_TRUE(claims.CloseToInstalled(L"Acme Paint Pro"));
    EXPECT_FALSE(claims.CloseToInstalled(L"Acme Draw"));
}

FILETIME At(ULONGLONG hoursAfterStart) {
    const ULONGLONG ticks = 133000000000000000ull + hoursAfterStart * 36000000000ull;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

TEST(LeftoverScores, CheckedOnlyWhenSureAndNothingSpeaksAgainst) {
    using R = LeftoverReason;
    const FILETIME now = At(1000);
    struct Case {
        const char* what;
        CandidateFacts facts;
        bool checked;
        int score;
        std::vector<R> reasons;
    };
    auto facts = [](std::wstring name, auto&& change) {
        CandidateFacts f;
        f.name = std::move(name);
        f.newestWrite = At(900);  // four days before
        f.files = 3;
        change(f);
        return f;
    };
    const Case cases[] = {
        {"recorded", facts(L"GoneApp", [](CandidateFacts& f) { f.recorded = true; }), true, 95, {R::Recorded}},
        {"vendor of gone programs", facts(L"GoneVendor", [](CandidateFacts& f) { f.removedVendor = true; }), true, 90,
         {R::RemovedVendor}},
        {"empty Start Menu folder",
         facts(L"Gone App", [](CandidateFacts& f) { f.place = LeftoverPlace::StartMenu; f.files = 0; }), true, 85,
         {R::EmptyStartMenu}},
        {"an empty folder elsewhere", facts(L"Gone App", [](CandidateFacts& f) { f.files = 0; }), false, 40,
         {R::Unclaimed}},
        {"unclaimed", facts(L"Whatever", [](CandidateFacts&) {}), false, 40, {R::Unclaimed}},
        {"recorded, with programs in it",
         facts(L"GoneApp", [](CandidateFacts& f) { f.recorded = true; f.executables = true; }), false, 60,
         {R::HoldsPrograms, R::Recorded}},
        {"recorded, many files",
         facts(L"GoneApp", [](CandidateFacts& f) { f.recorded = true; f.files = kManyFiles + 1; }), false, 70,
         {R::ManyFiles, R::Recorded}},
        {"exactly the many-files limit",
         facts(L"GoneApp", [](CandidateFacts& f) { f.recorded = true; f.files = kManyFiles; }), true, 95, {R::Recorded}},
        {"recorded, written an hour ago",
         facts(L"GoneApp", [](CandidateFacts& f) { f.recorded = true; f.newestWrite = At(999); }), false, 65,
         {R::RecentlyWritten, R::Recorded}},
        {"recorded, written 25 hours ago",
         facts(L"GoneApp", [](CandidateFacts& f) { f.recorded = true; f.newestWrite = At(975); }), true, 95,
         {R::Recorded}},
        {"recorded but a generic name", facts(L"Settings", [](CandidateFacts& f) { f.recorded = true; }), false, 65,
         {R::GenericName, R::Recorded}},
        {"an installed publisher's name",
         facts(L"Acme", [](CandidateFacts& f) { f.installedVendor = true; }), false, 0, {R::InstalledVendor}},
        {"close to an installed name, empty Start Menu folder",
         facts(L"Acme Paint Pro",
               [](CandidateFacts& f) { f.place = LeftoverPlace::StartMenu; f.files = 0; f.closeToInstalled = true; }),
         false, 50, {R::CloseToInstalled, R::EmptyStartMenu}},
        {"a key is never an empty Start Menu folder",
         facts(L"Gone App", [](CandidateFacts& f) { f.isFolder = false; f.place = LeftoverPlace::StartMenu; f.files = 0; }),
         false, 40, {R::Unclaimed}},
    };
    for (const Case& c : cases) {
        Leftover leftover;
        ScoreLeftover(c.facts, now, leftover);
        EXPECT_EQ(leftover.checked, c.checked) << c.what;
        EXPECT_EQ(leftover.score, c.score) << c.what;
        EXPECT_EQ(leftover.reasons, c.reasons) << c.what;
    }
}

Leftover Finding(FindingTarget target, std::wstring vendor, std::wstring name, std::wstring program, bool checked) {
    Leftover leftover;
    leftover.text = FindingText(target);
    leftover.target = std::move(target);
    leftover.vendor = std::move(vendor);
    leftover.name = std::move(name);
    leftover.program = std::move(program);
    leftover.checked = checked;
    return leftover;
}

TEST(LeftoverGroups, OneNodePerLikelyProgramAndBackAfterADelete) {
    const RegistryKey software{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, L"SOFTWARE\\Gone Co\\GoneApp"};
    const std::vector<Leftover> found = {
        Finding(PathTarget(L"C:\\Program Files\\Gone Co\\GoneApp"), L"Gone Co", L"GoneApp", L"Gone App", true),
        Finding(PathTarget(L"C:\\Users\\u\\AppData\\Roaming\\Lost Tool"), L"", L"Lost Tool", L"", false),
        Finding(KeyTarget(software), L"Gone Co", L"GoneApp", L"Gone App", true),
        Finding(PathTarget(L"C:\\Users\\u\\Start Menu\\Programs\\LostTool"), L"", L"LostTool", L"", true),
    };
    const std::vector<LeftoverGroup> groups = GroupLeftovers(found);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].label, L"Gone App (Gone Co)");
    EXPECT_EQ(groups[0].members, (std::vector<size_t>{0, 2}));
    EXPECT_EQ(groups[1].label, L"Lost Tool");  // the same name folded: one program
    EXPECT_EQ(groups[1].members, (std::vector<size_t>{1, 3}));

    std::vector<ScanNode> keys, files;
    LeftoverTrees(found, [](const Leftover& l) { return l.name; }, keys, files);
    ASSERT_EQ(keys.size(), 1u);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(keys[0].target.kind, FindingTarget::Kind::None);
    EXPECT_EQ(keys[0].children[0].text, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone Co\\GoneApp");
    EXPECT_EQ(files[1].text, L"Lost Tool");
    EXPECT_EQ(files[1].state, kPartlyChecked);
    EXPECT_EQ(files[1].children[1].reasonText, L"LostTool");

    // What a delete leaves: the first group's folder went, the second's stayed.
    std::vector<ScanNode> flat = UngroupedNodes(files);
    ASSERT_EQ(flat.size(), 3u);
    flat.erase(flat.begin());
    flat[1].children.push_back(FindingNode(PathTarget(L"C:\\Users\\u\\Start Menu\\Programs\\LostTool\\held.lnk")));
    RegroupNodes(files, flat);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].text, L"Lost Tool");
    ASSERT_EQ(files[0].children.size(), 2u);
    EXPECT_EQ(files[0].children[1].children.size(), 1u);
}

}  // namespace
