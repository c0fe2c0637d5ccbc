// The leftovers search against a bare walk of the same places. Seeds vendor trees below
// HKLM\SOFTWARE (100,000 keys unless told otherwise: vendors of ten products, each product a
// subtree of fifty keys), then times, alternately in one process:
//   - a bare walk: every key below the key places (RegOpenKeyExW + RegEnumKeyExW, the system's
//     own names left out as the search leaves them out) and every folder below the folder places;
//   - the search over 2,000 installed programs, of which the first 1,000 are seeded products
//     (their vendors hold them: the search looks into those vendors, and not into the programs);
//   - the search over 2,000 installed programs none of which is seeded: every seeded key is a
//     candidate, walked whole for its newest write time. Nothing of it is skipped.
//
//   bench_leftovers [--keys N] [--runs N]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "common/funUtils.h"
#include "common/handles.h"
#include "remains/leftovers.h"

using namespace purgeon;

namespace {

constexpr wchar_t kVendorPattern[] = L"Bench Leftover Vendor %04zu";
constexpr size_t kProducts = 10;
constexpr size_t kKeysPerProduct = 50;  // the product key and 7 groups of 7 items
constexpr size_t kInstalled = 2000;

std::wstring VendorName(size_t v) { return Format(kVendorPattern, v); }
std::wstring ProductName(size_t v, size_t p) { return Format(L"Bench Product %04zu-%02zu", v, p); }

HKEY Create(HKEY parent, const std::wstring& name) {
    HKEY key = nullptr;
    RegCreateKeyExW(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

void SeedVendor(size_t v) {
    UniqueHKey software;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS, software.put());
    UniqueHKey vendor(Create(software.get(), VendorName(v)));
    for (size_t p = 0; p < kProducts; ++p) {
        UniqueHKey product(Create(vendor.get(), ProductName(v, p)));
        for (size_t g = 0; g < 7; ++g) {
            UniqueHKey group(Create(product.get(), Format(L"Group %zu", g)));
            for (size_t i = 0; i < 7; ++i) UniqueHKey item(Create(group.get(), Format(L"Item %zu", i)));
        }
    }
}

template <typename Work>
void OnThreads(size_t count, Work&& work) {
    std::vector<std::thread> threads;
    std::atomic<size_t> next{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (size_t i; (i = next++) < count;) work(i);
        });
    for (std::thread& thread : threads) thread.join();
}

void Unseed(size_t vendors) {
    OnThreads(vendors, [](size_t v) {
        const std::wstring path = L"SOFTWARE\\" + VendorName(v);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
        RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
    });
}

bool IsSystemName(const std::vector<std::wstring>& own, const std::wstring& name) {
    return std::any_of(own.begin(), own.end(), [&](const std::wstring& o) { return EqualsNoCase(o, name); });
}

size_t WalkKey(HKEY parent, const std::wstring& name) {
    UniqueHKey key;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return 0;
    size_t count = 1;
    wchar_t buffer[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        if (RegEnumKeyExW(key.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        count += WalkKey(key.get(), std::wstring(buffer, length));
    }
    return count;
}

size_t WalkFolder(const std::wstring& folder) {
    size_t count = 1;
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) return count;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            count += WalkFolder(folder + L"\\" + name);
        else
            ++count;
    } while (FindNextFileW(find.get(), &found));
    return count;
}

// Every key and folder below the search's places, left out what the search never looks at.
size_t BareWalk(const remains::LeftoverSearch& search) {
    size_t count = 0;
    for (const remains::KeyPlace& place : search.keys) {
        UniqueHKey key;
        if (RegOpenKeyExW(place.key.root, place.key.path.c_str(), 0, KEY_READ | place.key.view, key.put()) != ERROR_SUCCESS)
            continue;
        wchar_t buffer[256];
        for (DWORD index = 0;; ++index) {
            DWORD length = 256;
            if (RegEnumKeyExW(key.get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            const std::wstring name(buffer, length);
            if (!IsSystemName(place.systemNames, name)) count += WalkKey(key.get(), name);
        }
    }
    for (const remains::FolderPlace& place : search.folders) {
        WIN32_FIND_DATAW found{};
        UniqueFindHandle find(FindFirstFileW((place.path + L"\\*").c_str(), &found));
        if (!find) continue;
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L".." || !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            if (!IsSystemName(place.systemNames, name)) count += WalkFolder(place.path + L"\\" + name);
        } while (FindNextFileW(find.get(), &found));
    }
    return count;
}

remains::InstalledProgram Program(std::wstring name, std::wstring publisher, std::wstring folder) {
    remains::InstalledProgram program;
    program.keyName = name;
    program.displayName = name + L" 1.0";
    program.publisher = std::move(publisher);
    program.installLocation = std::move(folder);
    program.uninstallerFolder = program.installLocation;
    return program;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double Seconds(ULONGLONG start) { return (GetTickCount64() - start) / 1000.0; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
    size_t keys = 100000;
    int runs = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!wcscmp(argv[i], L"--keys")) keys = wcstoul(argv[i + 1], nullptr, 10);
        if (!wcscmp(argv[i], L"--runs")) runs = static_cast<int>(wcstoul(argv[i + 1], nullptr, 10));
    }
    const size_t vendors = std::max<size_t>(1, keys / (kProducts * kKeysPerProduct));
    ULONGLONG start = GetTickCount64();
    OnThreads(vendors, SeedVendor);
    printf("seeded %zu keys below HKLM\\SOFTWARE (%zu vendors) in %.1f s\n", vendors * kProducts * kKeysPerProduct,
           vendors, Seconds(start));

    remains::LeftoverSearch claimed = remains::MachineLeftoverPlaces();
    remains::LeftoverSearch unclaimed = claimed;
    for (size_t i = 0; i < kInstalled; ++i) {
        const size_t v = i / kProducts, p = i % kProducts;
        // The first half are seeded products, installed in their vendor's folder.
        if (i < kInstalled / 2 && v < vendors)
            claimed.installed.push_back(Program(ProductName(v, p), VendorName(v),
                                                L"C:\\Program Files\\" + VendorName(v) + L"\\" + ProductName(v, p)));
        else
            claimed.installed.push_back(Program(Format(L"Other Program %04zu", i), Format(L"Other Maker %04zu", i / 4),
                                                Format(L"C:\\Program Files\\Other Maker %04zu\\Program %04zu", i / 4, i)));
        unclaimed.installed.push_back(Program(Format(L"Unseeded Program %04zu", i), Format(L"Unseeded Maker %04zu", i / 4),
                                              Format(L"C:\\Program Files\\Unseeded Maker %04zu\\Program %04zu", i / 4, i)));
    }

    std::vector<double> bare, half, none;
    size_t walked = 0, foundHalf = 0, foundNone = 0;
    for (int run = 0; run <= runs; ++run) {  // the first round warms up and is not counted
        start = GetTickCount64();
        walked = BareWalk(claimed);
        const double b = Seconds(start);
        start = GetTickCount64();
        foundHalf = remains::FindLeftovers(claimed).size();
        const double h = Seconds(start);
        start = GetTickCount64();
        foundNone = remains::FindLeftovers(unclaimed).size();
        const double n = Seconds(start);
        if (run == 0) continue;
        bare.push_back(b);
        half.push_back(h);
        none.push_back(n);
    }
    const double b = Median(bare), h = Median(half), n = Median(none);
    printf("bare walk of the same places: %.0f ms (%zu keys and folders)\n", b * 1000, walked);
    printf("leftovers search, half the seeded products installed: %.0f ms (%zu findings), %.2f x the bare walk\n",
           h * 1000, foundHalf, h / b);
    printf("leftovers search, no seeded product installed: %.0f ms (%zu findings), %.2f x the bare walk\n", n * 1000,
           foundNone, n / b);
    start = GetTickCount64();
    Unseed(vendors);
    printf("unseeded in %.1f s\n", Seconds(start));
    return 0;
}
