// The remains scan against a bare walk of the same registry. Seeds vendor trees below
// HKCU\SOFTWARE and HKLM\SOFTWARE (100,000 keys unless told otherwise), then times, in the
// same process and alternately, a plain recursive RegEnumKeyExW walk of the subtrees the
// scan walks (same exclusions, keys opened as the scan opens them) and the scan as the scan
// window runs it: a shown TScanForm scanning for a key name, its label updated and its
// messages pumped from the progress callback. While the window scans, the longest time between
// two message pumps is measured: a message posted whenever the label changes is stamped when
// the pump dispatches it.
//
//   bench_scan [--keys N] [--runs N] [--keep]   seed (unless already seeded), measure, unseed
//   bench_scan unseed                           remove the seeded trees
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "common/funUtils.h"
#include "remains/remainsScan.h"
#include "common/handles.h"
#include "ui/frmScanRemains.h"

using namespace purgeon;

namespace {

// What the scan looks for: an uninstall key name as installers write them. No seeded key but
// the findings below is named so.
constexpr wchar_t kTargetKey[] = L"{7D2E4A19-3C6B-4F0E-8B5D-A1C94E6F2B30}";
// Written on every seeded vendor key; unseeding deletes only vendor keys that carry it.
constexpr wchar_t kSeedMarker[] = L"PurgeonBenchSeed";
// On the first vendor below HKCU, once seeding finished: how many keys were seeded.
constexpr wchar_t kSeedCount[] = L"PurgeonBenchSeedKeys";

constexpr std::array<const wchar_t*, 10> kVendors = {
    L"Northwind Traders", L"Contoso Software", L"Fabrikam Labs",  L"Tailspin Studio",    L"Adatum Systems",
    L"Litware",           L"Proseware",        L"Wingtip Tools",  L"Lucerne Publishing", L"Coho Digital",
};
constexpr std::array<const wchar_t*, 10> kProducts = {
    L"Photo Studio", L"Sync Agent",     L"Backup Manager", L"PDF Reader", L"Media Player",
    L"Update Service", L"Code Editor", L"Font Manager",   L"Mail Client", L"Disk Cleaner",
};
struct Group {
    const wchar_t* name;
    const wchar_t* item;  // Format pattern of its subkeys, given the item's number
};
constexpr std::array<Group, 10> kGroups = {{
    {L"Plugins", L"Plugin %03zu"},
    {L"Profiles", L"Profile %03zu"},
    {L"Recent Files", L"Item %03zu"},
    {L"Toolbars", L"Toolbar %03zu"},
    {L"Layouts", L"Layout %03zu"},
    {L"Devices", L"Device %03zu"},
    {L"Filters", L"Filter %03zu"},
    {L"Updates", L"KB%07zu"},
    {L"Extensions", L"{A3F0%04zX-51C2-4E7B-9D08-6B1E2C4F7A90}"},
    {L"Licenses", L"Seat %03zu"},
}};
constexpr size_t kGroupCount = kVendors.size() * kProducts.size() * kGroups.size();
constexpr size_t kFixedKeys = kVendors.size() + kVendors.size() * kProducts.size() + kGroupCount;
// Findings per root: below a vendor, below a product, below a product's group.
constexpr size_t kFindingsPerRoot = 3;
// One group per root is wide, as class and component registrations are on a real machine:
// Contoso Software\Code Editor\Extensions.
constexpr size_t kWideGroup = (1 * kProducts.size() + 6) * kGroups.size() + 8;
constexpr size_t kWideItems = 2000;

// Vendor trees go below SOFTWARE of each.
const std::array<HKEY, 2> kSeedRoots = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};

void SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

std::atomic<size_t> g_failures{0};

UniqueHKey Create(HKEY parent, const std::wstring& name) {
    UniqueHKey key;
    if (RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        ++g_failures;
    return key;
}

void CreateFinding(HKEY parent, const std::wstring& displayName) {
    UniqueHKey key = Create(parent, kTargetKey);
    SetString(key.get(), L"DisplayName", displayName);
    SetString(key.get(), L"InstallLocation", L"C:\\Program Files\\" + displayName);
}

// Runs work(0..count-1) on a few threads: the wineserver answers one call at a time, but the
// callers' own time between calls overlaps.
template <typename Work>
void InParallel(size_t count, Work&& work) {
    std::atomic<size_t> next{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (size_t i = next++; i < count; i = next++) work(i);
        });
    for (std::thread& thread : threads) thread.join();
}

UniqueHKey OpenSoftware(HKEY root, REGSAM access) {
    UniqueHKey key;
    RegOpenKeyExW(root, L"SOFTWARE", 0, access, key.put());
    return key;
}

bool IsSeededVendor(HKEY software, const wchar_t* vendor) {
    UniqueHKey key;
    if (RegOpenKeyExW(software, vendor, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    return RegQueryValueExW(key.get(), kSeedMarker, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// The seeded count when a complete seeding is in place, else 0.
size_t SeededCount() {
    UniqueHKey software = OpenSoftware(HKEY_CURRENT_USER, KEY_READ);
    UniqueHKey first;
    if (!software || RegOpenKeyExW(software.get(), kVendors[0], 0, KEY_READ, first.put()) != ERROR_SUCCESS) return 0;
    DWORD count = 0, size = sizeof(count);
    if (RegQueryValueExW(first.get(), kSeedCount, nullptr, nullptr, reinterpret_cast<BYTE*>(&count), &size) !=
        ERROR_SUCCESS)
        return 0;
    return count;
}

size_t Unseed() {
    struct Doomed {
        HKEY software;
        const wchar_t* vendor;
    };
    std::vector<UniqueHKey> softwares;
    std::vector<Doomed> doomed;
    for (HKEY root : kSeedRoots) {
        softwares.push_back(OpenSoftware(root, KEY_ALL_ACCESS));
        HKEY software = softwares.back().get();
        if (!software) continue;
        for (const wchar_t* vendor : kVendors)
            if (IsSeededVendor(software, vendor)) doomed.push_back({software, vendor});
    }
    // One task per product, then the vendor keys, so the threads share the work evenly.
    std::vector<std::pair<const Doomed*, const wchar_t*>> products;
    for (const Doomed& d : doomed)
        for (const wchar_t* product : kProducts) products.emplace_back(&d, product);
    InParallel(products.size(), [&](size_t i) {
        const std::wstring path = std::wstring(products[i].first->vendor) + L'\\' + products[i].second;
        RegDeleteTreeW(products[i].first->software, path.c_str());
    });
    for (const Doomed& d : doomed) RegDeleteTreeW(d.software, d.vendor);
    return doomed.size();
}

// Each root gets half the keys: ten vendors of ten products of ten groups, the rest spread over
// the groups as items with a value or two each, plus the findings.
void Seed(size_t count) {
    const size_t perRoot[2] = {count / 2, count - count / 2};
    std::vector<UniqueHKey> softwares;
    std::vector<std::vector<UniqueHKey>> vendors(kSeedRoots.size());
    for (size_t r = 0; r < kSeedRoots.size(); ++r) {
        softwares.push_back(OpenSoftware(kSeedRoots[r], KEY_ALL_ACCESS));
        for (size_t v = 0; v < kVendors.size(); ++v) {
            vendors[r].push_back(Create(softwares[r].get(), kVendors[v]));
            SetString(vendors[r][v].get(), kSeedMarker, L"1");
            SetString(vendors[r][v].get(), L"Website", Format(L"https://www.vendor%zu.example/", v));
        }
    }
    const size_t tasks = kSeedRoots.size() * kVendors.size() * kProducts.size();
    InParallel(tasks, [&](size_t task) {
        const size_t r = task / (kVendors.size() * kProducts.size());
        const size_t v = task / kProducts.size() % kVendors.size();
        const size_t p = task % kProducts.size();
        const size_t items = perRoot[r] - kFixedKeys - kFindingsPerRoot;
        const size_t wide = std::min(kWideItems, items / 4);
        const size_t spread = items - wide, others = kGroupCount - 1;
        UniqueHKey product = Create(vendors[r][v].get(), kProducts[p]);
        SetString(product.get(), L"Version", Format(L"%zu.%zu.%zu", 1 + v, p, 100 + r));
        SetString(product.get(), L"InstallDir",
                  Format(L"C:\\Program Files\\%ls\\%ls", kVendors[v], kProducts[p]));
        if (v == 1 && p == 2) CreateFinding(product.get(), L"Product Left Behind");
        for (size_t g = 0; g < kGroups.size(); ++g) {
            UniqueHKey group = Create(product.get(), kGroups[g].name);
            if (v == 5 && p == 7 && g == 8) CreateFinding(group.get(), L"Extension Left Behind");
            // The items, spread over the other groups so the first ones take the remainder.
            const size_t index = (v * kProducts.size() + p) * kGroups.size() + g;
            const size_t other = index < kWideGroup ? index : index - 1;
            const size_t here =
                index == kWideGroup ? wide : spread / others + (other < spread % others ? 1 : 0);
            for (size_t i = 1; i <= here; ++i) {
                UniqueHKey item = Create(group.get(), Format(kGroups[g].item, i));
                SetDword(item.get(), L"Enabled", static_cast<DWORD>(i % 2));
                if (i % 3 == 0) SetString(item.get(), L"Path", Format(L"C:\\Users\\Public\\Documents\\file%zu.dat", i));
            }
        }
    });
    for (size_t r = 0; r < kSeedRoots.size(); ++r) CreateFinding(vendors[r][9].get(), L"Vendor Tool Left Behind");
    SetDword(vendors[0][0].get(), kSeedCount, static_cast<DWORD>(count));
}

// The wineserver writes a changed registry to disk within half a minute, holding every caller
// meanwhile: after seeding, wait for that write rather than let it fall into a timed run.
void WaitForRegistrySave(FILETIME since) {
    wchar_t prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) return;
    std::wstring folder = std::wstring(L"Z:") + prefix;
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    auto savedSince = [&](const wchar_t* file) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!GetFileAttributesExW((folder + L'\\' + file).c_str(), GetFileExInfoStandard, &data)) return true;
        return CompareFileTime(&data.ftLastWriteTime, &since) >= 0;
    };
    const ULONGLONG deadline = GetTickCount64() + 45000;
    while (!(savedSince(L"user.reg") && savedSince(L"system.reg")) && GetTickCount64() < deadline) Sleep(250);
}

// --- the bare walk ---------------------------------------------------------------------------

size_t BareWalk(HKEY root, const std::wstring& path) {
    if (remains::IsSkippedScanPath(path)) return 0;
    UniqueHKey key;
    if (RegOpenKeyExW(root, (path + L'\\').c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return 0;
    size_t count = 0;
    wchar_t name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        count += 1 + BareWalk(root, path + L'\\' + std::wstring(name, length));
    }
    return count;
}

size_t BareWalkAll() {
    size_t count = 0;
    for (const remains::RegistryWalk& walk : remains::RegistryWalks()) count += BareWalk(walk.root, walk.path);
    return count;
}

// --- the scan window, watched ----------------------------------------------------------------

LARGE_INTEGER g_frequency;

double Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(g_frequency.QuadPart);
}

constexpr UINT kProbeMessage = WM_APP + 7;

struct Watch {
    HWND probe = nullptr;
    std::vector<double> pumps;  // when each posted probe was dispatched
    size_t labelTexts = 0;
    std::vector<std::wstring> texts;  // what the label said at each pump
    double walkEnd = 0;
};
Watch* g_watch = nullptr;

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbeMessage) {
        if (g_watch) g_watch->pumps.push_back(Now());
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The label changes right before the window pumps: a probe posted then is dispatched by that pump.
LRESULT CALLBACK LabelProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* watch = reinterpret_cast<Watch*>(data);
    if (message == WM_SETTEXT) {
        ++watch->labelTexts;
        watch->texts.emplace_back(reinterpret_cast<const wchar_t*>(lParam));
        PostMessageW(watch->probe, kProbeMessage, 0, 0);
    }
    return DefSubclassProc(label, message, wParam, lParam);
}

// The window fills its result trees once the walk is over, each starting by emptying the tree:
// the first marks the walk's end from outside, and a probe posted at each is dispatched by the
// window's next pump, so the fill's gaps are measured like the walk's.
LRESULT CALLBACK TreeProc(HWND tree, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    auto* watch = reinterpret_cast<Watch*>(data);
    if (message == TVM_DELETEITEM && lParam == reinterpret_cast<LPARAM>(TVI_ROOT)) {
        if (!watch->walkEnd) watch->walkEnd = Now();
        watch->texts.emplace_back(L"(filling a tree)");
        PostMessageW(watch->probe, kProbeMessage, 0, 0);
    }
    return DefSubclassProc(tree, message, wParam, lParam);
}

void PumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

struct ScanResult {
    double ms = 0;
    double longestGapMs = 0;      // from the start to the walk's end
    double longestWithFillMs = 0;  // the same, through the trees' fill to the window's loop
    double fillMs = 0;             // the trees' fill after the walk
    size_t pumps = 0;
    size_t labelTexts = 0;
    size_t findings = 0;
    std::wstring longestAfter;  // the label's text when the longest gap began
};

ScanResult ScanWithWindow(HWND probe) {
    ScanResult result;
    TScanForm form;
    form.ShowMessage = [](HWND, const std::wstring&) {};
    form.BackupDir = TempDirectory();
    if (!form.Create(nullptr, GetModuleHandleW(nullptr), kTargetKey, L"")) return result;
    ShowWindow(form.Handle(), SW_SHOW);
    UpdateWindow(form.Handle());
    PumpPending();
    Watch watch;
    watch.probe = probe;
    SetWindowSubclass(form.ScanInfoLabel(), LabelProc, 1, reinterpret_cast<DWORD_PTR>(&watch));
    SetWindowSubclass(form.RegTree(), TreeProc, 2, reinterpret_cast<DWORD_PTR>(&watch));
    SetWindowSubclass(form.FileTree(), TreeProc, 3, reinterpret_cast<DWORD_PTR>(&watch));
    g_watch = &watch;
    const double start = Now();
    form.StartScan();  // what the start timer does, without its 200 ms wait
    const double end = Now();
    g_watch = nullptr;
    RemoveWindowSubclass(form.ScanInfoLabel(), LabelProc, 1);
    RemoveWindowSubclass(form.RegTree(), TreeProc, 2);
    RemoveWindowSubclass(form.FileTree(), TreeProc, 3);
    PumpPending();

    result.ms = end - start;
    const double walkEnd = watch.walkEnd ? watch.walkEnd : end;
    double last = start;
    std::wstring lastText = L"(the start)";
    size_t i = 0;
    for (; i < watch.pumps.size() && watch.pumps[i] <= walkEnd; ++i) {
        if (watch.pumps[i] - last > result.longestGapMs) {
            result.longestGapMs = watch.pumps[i] - last;
            result.longestAfter = lastText;
        }
        last = watch.pumps[i];
        if (i < watch.texts.size()) lastText = watch.texts[i];
    }
    if (walkEnd - last > result.longestGapMs) {
        result.longestGapMs = walkEnd - last;
        result.longestAfter = lastText + L" (the last gap)";
    }
    // The fill's gaps: from the walk's last pump through the fill's pumps to the window's loop.
    result.longestWithFillMs = result.longestGapMs;
    for (; i < watch.pumps.size(); ++i) {
        result.longestWithFillMs = std::max(result.longestWithFillMs, watch.pumps[i] - last);
        last = watch.pumps[i];
    }
    result.longestWithFillMs = std::max(result.longestWithFillMs, end - last);
    result.fillMs = end - walkEnd;
    result.pumps = watch.pumps.size();
    result.labelTexts = watch.labelTexts;
    HWND tree = form.RegTree();
    for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item))
        ++result.findings;
    return result;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Usage() {
    fwprintf(stderr, L"usage: bench_scan [--keys N] [--runs N] [--keep]\n       bench_scan unseed\n");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    size_t keys = 100000;
    int runs = 5;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"unseed") {
            wprintf(L"removed %zu seeded vendor trees\n", Unseed());
            return 0;
        }
        if (arg == L"--keep") {
            keep = true;
        } else if (arg == L"--keys" && i + 1 < argc) {
            keys = static_cast<size_t>(_wtoi64(argv[++i]));
        } else if (arg == L"--runs" && i + 1 < argc) {
            runs = std::max(1, _wtoi(argv[++i]));
        } else {
            Usage();
            return 2;
        }
    }
    if (keys < 2 * (kFixedKeys + kFindingsPerRoot)) {
        fwprintf(stderr, L"--keys must be at least %zu\n", 2 * (kFixedKeys + kFindingsPerRoot));
        return 2;
    }
    QueryPerformanceFrequency(&g_frequency);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    if (SeededCount() != keys) {
        Unseed();
        const double start = Now();
        Seed(keys);
        if (g_failures) {
            fwprintf(stderr, L"seeding failed for %zu keys\n", g_failures.load());
            Unseed();
            return 1;
        }
        const double seeded = Now();
        FILETIME seededAt;
        GetSystemTimeAsFileTime(&seededAt);
        WaitForRegistrySave(seededAt);
        wprintf(L"  seeded %zu keys in %.0f ms, then waited %.0f ms for the registry's save\n", keys, seeded - start,
                Now() - seeded);
    }

    WNDCLASSEXW probeClass{sizeof(probeClass)};
    probeClass.lpfnWndProc = ProbeProc;
    probeClass.hInstance = GetModuleHandleW(nullptr);
    probeClass.lpszClassName = L"PurgeonBenchProbe";
    RegisterClassExW(&probeClass);
    UniqueWindow probe(CreateWindowExW(0, probeClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       probeClass.hInstance, nullptr));

    // Warm-up, then alternating order.
    size_t walked = BareWalkAll();
    ScanWithWindow(probe.get());
    std::vector<double> bareMs, scanMs, gaps, gapsWithFill, fills;
    ScanResult last;
    std::wstring longestAfter;
    for (int run = 0; run < runs; ++run) {
        auto bare = [&] {
            const double start = Now();
            walked = BareWalkAll();
            bareMs.push_back(Now() - start);
        };
        auto scan = [&] {
            last = ScanWithWindow(probe.get());
            scanMs.push_back(last.ms);
            if (gaps.empty() || last.longestGapMs > *std::max_element(gaps.begin(), gaps.end()))
                longestAfter = last.longestAfter;
            gaps.push_back(last.longestGapMs);
            gapsWithFill.push_back(last.longestWithFillMs);
            fills.push_back(last.fillMs);
        };
        if (run % 2 == 0) {
            bare();
            scan();
        } else {
            scan();
            bare();
        }
    }
    auto list = [](const std::vector<double>& values) {
        std::wstring text;
        for (double value : values) text += Format(L" %.0f", value);
        return text;
    };
    const double bare = Median(bareMs), scan = Median(scanMs);
    const double longest = *std::max_element(gaps.begin(), gaps.end());
    const double longestWithFill = *std::max_element(gapsWithFill.begin(), gapsWithFill.end());
    wprintf(L"    bare runs:%ls\n    scan runs:%ls\n    longest gaps:%ls\n    trees' fill:%ls\n", list(bareMs).c_str(),
            list(scanMs).c_str(), list(gaps).c_str(), list(fills).c_str());
    wprintf(L"remains scan, %zu seeded keys (median of %d runs, gaps the longest of all runs):\n", keys, runs);
    wprintf(L"  keys walked              %zu\n", walked);
    wprintf(L"  bare RegEnumKeyExW walk  %.0f ms\n", bare);
    wprintf(L"  scan in the scan window  %.0f ms  (%zu findings, %zu pumps for %zu label changes)\n", scan,
            last.findings, last.pumps, last.labelTexts);
    wprintf(L"  ratio                    %.2f (target <= 1.30; best runs %.2f)\n", scan / bare,
            *std::min_element(scanMs.begin(), scanMs.end()) / *std::min_element(bareMs.begin(), bareMs.end()));
    wprintf(L"  longest pump gap         %.1f ms (target <= 50; median of the runs' longest %.1f ms)\n", longest,
            Median(gaps));
    wprintf(L"    it began after         %ls\n", longestAfter.c_str());
    wprintf(L"    with the trees' fill   %.1f ms (the window filling its trees after the walk, median %.1f ms)\n",
            longestWithFill, Median(fills));
    wprintf(L"  scan keys/s              %.0f  (bare walk %.0f)\n", walked / (scan / 1000), walked / (bare / 1000));
    if (!keep) {
        const double start = Now();
        Unseed();
        wprintf(L"  seeded keys removed in %.0f ms\n", Now() - start);
    }
    return 0;
}
