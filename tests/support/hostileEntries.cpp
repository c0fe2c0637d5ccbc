#include "tests/support/hostileEntries.h"

#include <algorithm>
#include <cstring>

#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/testSupport.h"

namespace purgeon::test {

namespace {

constexpr wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kFolder[] = L"C:\\PurgeonHostile\\";

using Bytes = std::vector<BYTE>;

Bytes TextBytes(const std::wstring& text, bool terminated = true) {
    const BYTE* start = reinterpret_cast<const BYTE*>(text.c_str());
    return Bytes(start, start + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}
Bytes DwordBytes(DWORD number) {
    Bytes bytes(sizeof number);
    memcpy(bytes.data(), &number, sizeof number);
    return bytes;
}
template <typename T>
void Put(std::string& bytes, size_t at, T value) {
    if (bytes.size() < at + sizeof value) bytes.resize(at + sizeof value);
    memcpy(bytes.data() + at, &value, sizeof value);
}
template <typename T>
T Get(const std::string& bytes, size_t at) {
    T value{};
    if (at + sizeof value <= bytes.size()) memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

struct Value {
    const wchar_t* name;
    DWORD type;
    Bytes data;
};
struct Entry {
    std::wstring keyName;
    std::vector<Value> values;
};

// An .ico whose header claims 65,535 images at offsets far past the end of its 5 MB.
std::string EvilIcon() {
    std::string bytes(5u << 20, '\xAB');
    Put<WORD>(bytes, 0, 0);
    Put<WORD>(bytes, 2, 1);
    Put<WORD>(bytes, 4, 0xFFFF);
    for (size_t i = 0; i < 0xFFFF; ++i) {
        const size_t at = 6 + 16 * i;
        Put<DWORD>(bytes, at, 0x00002020);
        Put<WORD>(bytes, at + 4, 1);
        Put<WORD>(bytes, at + 6, 32);
        Put<DWORD>(bytes, at + 8, 0x10000);
        Put<DWORD>(bytes, at + 12, static_cast<DWORD>(0x7FFFFFF0u + i));
    }
    return bytes;
}

// One image directory entry pointing at a bitmap header at offset 22 that claims `side` x
// `side` at 32 bits, in a file of `total` bytes that says it holds `claimed`.
std::string OneImageIcon(LONG side, DWORD claimed, size_t total) {
    std::string bytes(total, '\0');
    Put<WORD>(bytes, 2, 1);
    Put<WORD>(bytes, 4, 1);
    Put<DWORD>(bytes, 6 + 8, claimed);
    Put<DWORD>(bytes, 6 + 12, 22);
    Put<DWORD>(bytes, 22, 40);
    Put<LONG>(bytes, 26, side);
    Put<LONG>(bytes, 30, side * 2);
    Put<WORD>(bytes, 34, 1);
    Put<WORD>(bytes, 36, 32);
    bytes.resize(total);
    return bytes;
}

// A copy of a real executable whose resource root claims 65,535 entries.
std::string BrokenResources(const std::string& exe) {
    std::string bytes = exe;
    const DWORD nt = Get<DWORD>(bytes, 0x3C);
    const WORD sections = Get<WORD>(bytes, nt + 6), optionalSize = Get<WORD>(bytes, nt + 20);
    const size_t optional = nt + 24;
    const size_t directory = optional + (Get<WORD>(bytes, optional) == 0x20B ? 112 : 96) + 2 * 8;
    const DWORD rva = Get<DWORD>(bytes, directory);
    for (WORD s = 0; s < sections && rva; ++s) {
        const size_t header = optional + optionalSize + 40u * s;
        const DWORD address = Get<DWORD>(bytes, header + 12), raw = Get<DWORD>(bytes, header + 20);
        const DWORD size = std::max(Get<DWORD>(bytes, header + 8), Get<DWORD>(bytes, header + 16));
        if (rva >= address && rva - address < size) Put<WORD>(bytes, raw + (rva - address) + 14, 0xFFFF);
    }
    return bytes;
}

std::vector<Entry> Entries() {
    const std::wstring folder = kFolder;
    std::vector<Entry> entries = {
        {HostileEntries::kEvilIconKey,
         {{L"DisplayName", REG_SZ, TextBytes(L"Hostile Evil Icon")},
          {L"DisplayIcon", REG_SZ, TextBytes(folder + L"evil.ico")},
          {L"EstimatedSize", REG_DWORD, DwordBytes(0xFFFFFFFFu)}}},
        {HostileEntries::kOddSizeKey,
         {{L"DisplayName", REG_SZ, TextBytes(L"Hostile Odd Size")},
          {L"EstimatedSize", REG_DWORD, DwordBytes(123456789u)}}},
        {L"PurgeonHostileUnterminated",
         {{L"DisplayName", REG_SZ, TextBytes(L"Hostile Unterminated", false)},
          {L"Publisher", REG_SZ, [] { Bytes b = TextBytes(L"Odd", false); b.push_back('x'); return b; }()},
          {L"UninstallString", REG_EXPAND_SZ, TextBytes(L"C:\\Hostile\\unins.exe", false)},
          {L"DisplayVersion", REG_SZ, TextBytes(std::wstring(L"1.0\0hidden", 10))}}},
        {L"PurgeonHostileWrongTypes",
         {{L"DisplayName", REG_BINARY, TextBytes(L"Binary Name")},
          {L"Publisher", REG_DWORD, DwordBytes(7)},
          {L"InstallLocation", REG_MULTI_SZ, TextBytes(std::wstring(L"C:\\A\0C:\\B\0", 10))},
          {L"UninstallString", REG_QWORD, Bytes(8, 0x41)},
          {L"DisplayIcon", REG_DWORD, DwordBytes(3)},
          {L"EstimatedSize", REG_SZ, TextBytes(L"1234")},
          {L"WindowsInstaller", REG_SZ, TextBytes(L"1")},
          {L"InstallDate", REG_DWORD, DwordBytes(20240101)}}},
        {L"PurgeonHostileMegabytes",
         {{L"DisplayName", REG_SZ, TextBytes(std::wstring(1u << 20, L'N'))},
          {L"UninstallString", REG_SZ, TextBytes(L"\"" + std::wstring(1u << 19, L'U') + L"\"")},
          {L"InstallLocation", REG_SZ, TextBytes(L"C:\\" + std::wstring(100000, L'L'))},
          {L"HelpLink", REG_SZ, TextBytes(L"https://" + std::wstring(1u << 16, L'h'))},
          {L"Comments", REG_BINARY, Bytes(2u << 20, 0x5A)},
          {L"EstimatedSize", REG_DWORD, Bytes(3, 1)}}},
        {L"PurgeonHostileDateDigits",
         {{L"DisplayName", REG_SZ, TextBytes(L"Hostile Date Digits")}, {L"InstallDate", REG_SZ, TextBytes(L"99999999")}}},
        {L"PurgeonHostileDateWords",
         {{L"DisplayName", REG_SZ, TextBytes(L"Hostile Date Words")},
          {L"InstallDate", REG_SZ, TextBytes(L"\x01\x02 no date %s %n")}}},
        {L"PurgeonHostileIconEmptyText", {{L"DisplayIcon", REG_SZ, TextBytes(L"")}}},
        {L"PurgeonHostileIconGarbageText",
         {{L"DisplayIcon", REG_SZ, TextBytes(L",,,\"\"\"-99999999999999999,%%%%%SystemRoot%%\\,")}}},
        {L"PurgeonHostileIconEmptyFile", {{L"DisplayIcon", REG_SZ, TextBytes(folder + L"empty.ico")}}},
        {L"PurgeonHostileIconGarbageFile", {{L"DisplayIcon", REG_SZ, TextBytes(folder + L"garbage.ico,7")}}},
        {L"PurgeonHostileIconTruncated", {{L"DisplayIcon", REG_SZ, TextBytes(folder + L"truncated.ico")}}},
        {L"PurgeonHostileIconBadBitmap", {{L"DisplayIcon", REG_SZ, TextBytes(folder + L"badbitmap.ico")}}},
        {L"PurgeonHostileIconBrokenPe", {{L"DisplayIcon", REG_SZ, TextBytes(folder + L"brokenpe.exe,0")}}},
        {L"PurgeonHostileIconBadResources",
         {{L"DisplayIcon", REG_SZ, TextBytes(folder + L"badres.exe,-1")},
          {L"UninstallString", REG_SZ, TextBytes(L"\"" + folder + L"badres.exe\" /uninstall")}}},
        {L"PurgeonHostileManyValues", {{L"DisplayName", REG_SZ, TextBytes(L"Hostile Many Values")}}},
        {L"PurgeonHostileDeep", {{L"DisplayName", REG_SZ, TextBytes(L"Hostile Deep")}}},
        {L"PurgeonHostile\tTab\tName", {{L"DisplayName", REG_SZ, TextBytes(L"Hostile\tTabbed\r\nName")}}},
        {L"PurgeonHostile\x01\x1f\x7f Control", {{L"Publisher", REG_SZ, TextBytes(L"\x07\x1b[31m")}}},
        {HostileEntries::kJsonKey, {{L"DisplayName", REG_SZ, TextBytes(HostileEntries::kJsonDisplayName)}}},
        {L"PurgeonHostileLong" + std::wstring(255 - 18, L'L'), {{L"DisplayName", REG_SZ, TextBytes(L"Hostile Long Key")}}},
    };
    return entries;
}

void SetValue(HKEY key, const wchar_t* name, DWORD type, const Bytes& data) {
    RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

UniqueHKey CreateKey(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key.put(), nullptr);
    return key;
}

}  // namespace

HostileEntries::HostileEntries() : folder_(kFolder) {
    CreateDirectoryW(folder_.c_str(), nullptr);
    WriteFileBytes(folder_ + L"evil.ico", EvilIcon());
    WriteFileBytes(folder_ + L"empty.ico", "");
    std::string garbage(4096, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>((i * 7919 + 13) & 0xFF);
    WriteFileBytes(folder_ + L"garbage.ico", garbage);
    WriteFileBytes(folder_ + L"truncated.ico", OneImageIcon(32, 4264, 200));
    WriteFileBytes(folder_ + L"badbitmap.ico", OneImageIcon(1024, 40, 62));
    WriteFileBytes(folder_ + L"brokenpe.exe", std::string("MZ") + std::string(58, '\0') + std::string("\xF0\xFF\xFF\x7F", 4));
    WriteFileBytes(folder_ + L"badres.exe", BrokenResources(ReadFileBytes(BinDir() + L"Purgeon.exe")));

    sound_ = {
        {L"PurgeonHostileSoundAlpha", L"Hostile Neighbour Alpha", L"Alpha Works", L"C:\\Program Files\\Hostile Alpha",
         L"\"C:\\Program Files\\Hostile Alpha\\unins.exe\" /x"},
        {L"PurgeonHostileSoundBeta", L"Hostile Neighbour Beta", L"Beta & Sons", L"C:\\Program Files\\Hostile Beta",
         L"\"C:\\Program Files\\Hostile Beta\\unins.exe\""},
    };
    for (const SoundEntry& entry : sound_) {
        UniqueHKey key = CreateKey(HKEY_LOCAL_MACHINE, kUninstall + entry.keyName);
        SetValue(key.get(), L"DisplayName", REG_SZ, TextBytes(entry.displayName));
        SetValue(key.get(), L"Publisher", REG_SZ, TextBytes(entry.publisher));
        SetValue(key.get(), L"InstallLocation", REG_SZ, TextBytes(entry.installLocation));
        SetValue(key.get(), L"UninstallString", REG_SZ, TextBytes(entry.uninstallString));
        keyNames_.push_back(entry.keyName);
    }
    for (const Entry& entry : Entries()) {
        UniqueHKey key = CreateKey(HKEY_LOCAL_MACHINE, kUninstall + entry.keyName);
        for (const Value& value : entry.values) SetValue(key.get(), value.name, value.type, value.data);
        keyNames_.push_back(entry.keyName);
    }
    {
        UniqueHKey many = CreateKey(HKEY_LOCAL_MACHINE, std::wstring(kUninstall) + L"PurgeonHostileManyValues");
        for (int i = 0; i < 10000; ++i)
            SetValue(many.get(), Format(L"Value%05d", i).c_str(), REG_SZ, TextBytes(Format(L"value %d", i)));
    }
    std::wstring deep = std::wstring(kUninstall) + L"PurgeonHostileDeep";
    for (int level = 0; level < 150; ++level) {
        deep += Format(L"\\Level%03d", level);
        SetValue(CreateKey(HKEY_LOCAL_MACHINE, deep).get(), L"Depth", REG_DWORD, DwordBytes(level));
    }

    UniqueHKey run = CreateKey(HKEY_CURRENT_USER, kRun);
    const struct {
        std::wstring name;
        DWORD type;
        Bytes data;
    } runValues[] = {
        {kSoundRunName, REG_SZ, TextBytes(L"C:\\windows\\notepad.exe /hostile-neighbour")},
        {L"PurgeonHostileRun\tTab\x01", REG_SZ, TextBytes(L"C:\\Hostile\\run.exe", false)},
        {L"PurgeonHostileRunBinary", REG_BINARY, Bytes(300, 0xEE)},
        {L"PurgeonHostileRunHuge", REG_SZ, TextBytes(L"C:\\" + std::wstring(1u << 19, L'R') + L".exe")},
        {L"PurgeonHostileRunNumber", REG_DWORD, DwordBytes(42)},
    };
    for (const auto& value : runValues) {
        SetValue(run.get(), value.name.c_str(), value.type, value.data);
        runNames_.push_back(value.name);
    }
}

HostileEntries::~HostileEntries() {
    for (const std::wstring& name : keyNames_) RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kUninstall + name).c_str());
    UniqueHKey run;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRun, 0, KEY_SET_VALUE, run.put()) == ERROR_SUCCESS)
        for (const std::wstring& name : runNames_) RegDeleteValueW(run.get(), name.c_str());
    RemoveTree(folder_);
}

}  // namespace purgeon::test
