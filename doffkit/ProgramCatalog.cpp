// Installed programs.
//
// Where each IProgramEntry getter reads from: a subkey of one of the three Uninstall keys
// Windows lists programs from, in this order: HKLM's 64-bit view, HKLM's 32-bit view
// (SOFTWARE\WOW6432Node), HKCU. The same key name under two of them is two programs. Text means
// REG_SZ or REG_EXPAND_SZ (unexpanded), read up to its first NUL or its end (an odd last byte is
// dropped); a value of any other type reads as empty, never as something else.
// Whoever installed a program wrote its entry, so every value is taken as possibly hostile:
// texts shown to the user (names, publisher, version, date, links, the rendered registry values)
// are cut at kDisplayChars; texts used as data (UninstallString, InstallLocation, DisplayIcon) are
// whole up to kDataChars, the longest path or command line Windows takes, and read as empty beyond;
// the registry-values rows keep at most kRowBytes of each value, and at most kMaxRows of them.
//   GetDisplayName      "DisplayName"
//   GetUninstallString  "UninstallString"
//   GetKeyName          the subkey name
//   LoadKey(name)       re-targets the entry at Uninstall\name of its own source
//   GetPublisher        "Publisher"
//   GetInstallLocation  "InstallLocation"
//   GetIconIndex        system image list index of "DisplayIcon" ("path", "path,N", quoted,
//                       environment variables expanded); else of the uninstaller, the first
//                       token of "UninstallString" (a bare name such as MsiExec.exe is taken
//                       from the system folder); else the generic program icon
//   GetKind             1 (system patch) for a key name "KB" + 4 or more digits (an opening
//                       brace and any suffix allowed), a non-empty "ParentKeyName", or a
//                       "ReleaseType" of Update / Hotfix / Security Update (any case); else 0
//   GetSize             "EstimatedSize" (REG_DWORD, KB) x 1024 bytes as a float; 0 when absent
//                       or of another type (a number stored as text is not read as one)
//   GetInstallDate      "InstallDate" as stored (usually YYYYMMDD): left to the caller to
//                       render, so it stays sortable and locale-free
//   GetVersion          "DisplayVersion"
//   GetHelpLink         "HelpLink"
//   GetAboutLink        "URLInfoAbout"
//   GetUpdateLink       "URLUpdateInfo"
//   GetUsedFrequency    always 0, GetLastUsed always "": Windows has kept no reliable
//                       per-program use count since the old Add/Remove Programs cache
//                       (ARPCache SlowInfoCache) went away
//   GetValueCount/Name/Data  every value of the key in registry order, data as the
//                       registry editor renders it, the unnamed value as "(Default)"; a
//                       comment kept in the per-user store shows as the "Comments" row
//   SetComment          always the per-user store HKCU\Software\Purgeon\Comments, never the
//                       program's key (its own "Comments" is the installer's text); the value
//                       is named after the key (for the 32-bit view and the user's key:
//                       "WOW6432Node\name", "HKCU\name"). "" is stored as "" (nothing is
//                       deleted); a program whose key is gone gets its not-found error.
// IProgramEntry2 (the same entry through QueryInterface):
//   GetKeyPath          the entry's key as the registry editor names it
//   GetSource           0 HKLM, 1 HKLM's 32-bit view, 2 HKCU
//   GetUninstallCommand what Windows' own list runs: "MsiExec.exe /X{code}" for a Windows
//                       Installer product named by its product code, else UninstallString with
//                       environment variables expanded
//   GetSizeBytes        GetSize's figure exactly, as a 64-bit integer
//
// Cost (each registry call is a wineserver round trip): a refresh enumerates subkey names and
// then reads every entry's key on a few threads at once (ReadAhead), as every list that
// refreshes goes on to read every entry. A key with few values is read whole (one call per
// value, fewer than the seven a listing asks for, most of which would miss); a larger one is
// queried field by field. An entry not read ahead (one taken by key path, one re-targeted)
// opens its key on its first read and reads it the same way, a larger key's values each at
// most once as they are asked for. The icon lookup runs only in GetIconIndex and is shared
// per icon location across the refresh.
#include "doffkit/ProgramCatalog.h"

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <system_error>
#include <thread>

#include "common/textParse.h"

namespace doffkit {

using purgeon::RegValue;
using purgeon::UniqueHKey;

namespace {

// Up to this many values a key is cheaper to enumerate whole than to query per getter.
constexpr DWORD kWholeKeyLimit = 7;
// Bounds on what an entry reads and shows (see the top of this file).
constexpr size_t kDisplayChars = 2048;
constexpr size_t kDataChars = 32767;
constexpr size_t kRowBytes = (kDisplayChars + 1) * sizeof(wchar_t);
constexpr size_t kMaxRows = 16384;
// A key whose largest value is bigger than this is queried value by value, so that no more than
// one oversized value is held at a time.
constexpr DWORD kWholeKeyDataLimit = 64 * 1024;

// A text cut at `limit` characters, never between the halves of a surrogate pair.
std::wstring CutText(std::wstring text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t cut = limit;
    if (cut > 0 && IS_HIGH_SURROGATE(text[cut - 1])) --cut;
    text.resize(cut);
    return text;
}

// One round trip for the usual value; the whole value when it is larger.
std::optional<RegValue> QueryValue(HKEY key, const wchar_t* name) {
    BYTE buffer[4096];
    DWORD size = sizeof buffer, type = REG_NONE;
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, buffer, &size);
    if (status == ERROR_MORE_DATA) return purgeon::ReadRegValue(key, name);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return RegValue{name, type, std::vector<BYTE>(buffer, buffer + size)};
}

bool IsText(const RegValue& value) { return value.type == REG_SZ || value.type == REG_EXPAND_SZ; }

}  // namespace

// --- rules on plain text -------------------------------------------------------------

IconLocation ParseIconLocation(std::wstring_view text) {
    std::wstring trimmed = purgeon::Trim(text);
    IconLocation location;
    if (!trimmed.empty() && trimmed[0] == L'"') {
        size_t close = trimmed.find(L'"', 1);
        location.path = trimmed.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
        if (close != std::wstring::npos) {
            size_t comma = trimmed.find(L',', close);
            if (comma == std::wstring::npos) return location;
            if (auto number = purgeon::ParseInt(std::wstring_view(trimmed).substr(comma + 1))) location.index = *number;
        }
    } else {
        location.path = trimmed;
        size_t comma = trimmed.rfind(L',');
        if (comma == std::wstring::npos) return location;
        if (auto number = purgeon::ParseInt(std::wstring_view(trimmed).substr(comma + 1))) {
            location.path = purgeon::Trim(std::wstring_view(trimmed).substr(0, comma));
            location.index = *number;
        }
    }
    return location;
}

bool IsPatchKeyName(std::wstring_view keyName) {
    size_t i = !keyName.empty() && keyName[0] == L'{' ? 1 : 0;
    if (keyName.size() < i + 6) return false;
    if (std::towupper(keyName[i]) != L'K' || std::towupper(keyName[i + 1]) != L'B') return false;
    for (size_t d = i + 2; d < i + 6; ++d)
        if (keyName[d] < L'0' || keyName[d] > L'9') return false;
    return true;
}

bool IsProductCode(std::wstring_view keyName) {
    if (keyName.size() != 38 || keyName.front() != L'{' || keyName.back() != L'}') return false;
    for (size_t i = 1; i < 37; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        if (dash ? keyName[i] != L'-' : !std::iswxdigit(keyName[i])) return false;
    }
    return true;
}

std::wstring UninstallCommandOf(const std::optional<RegValue>& uninstallString, bool windowsInstaller,
                                const std::wstring& keyName) {
    if (windowsInstaller && IsProductCode(keyName)) return L"MsiExec.exe /X" + keyName;
    if (!uninstallString || !IsText(*uninstallString)) return L"";
    return purgeon::ExpandEnvironment(purgeon::RegBytesToString(uninstallString->data));
}

bool IsPatchReleaseType(std::wstring_view releaseType) {
    std::wstring type = purgeon::Trim(releaseType);
    return purgeon::EqualsNoCase(type, L"Update") || purgeon::EqualsNoCase(type, L"Hotfix") ||
           purgeon::EqualsNoCase(type, L"Security Update");
}

// --- the refresh context -------------------------------------------------------------

CatalogContext::CatalogContext() {
    for (const purgeon::UninstallKey& source : purgeon::UninstallKeys())
        RegOpenKeyExW(source.root, purgeon::kUninstallSubkey, 0, KEY_READ | source.view,
                      uninstall_[static_cast<size_t>(source.source)].put());
}

HKEY CatalogContext::CommentStore() {
    if (!commentStoreOpened_) {
        commentStoreOpened_ = true;
        RegOpenKeyExW(HKEY_CURRENT_USER, kCommentStoreKey, 0, KEY_QUERY_VALUE, commentStore_.put());
    }
    return commentStore_.get();
}

std::optional<std::wstring> CatalogContext::StoredComment(const std::wstring& keyName) {
    HKEY store = CommentStore();
    if (!store) return std::nullopt;
    return purgeon::ReadRegString(store, keyName.c_str());
}

HRESULT CatalogContext::StoreComment(const std::wstring& keyName, const std::wstring& comment) {
    UniqueHKey store;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kCommentStoreKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                     store.put(), nullptr);
    if (status == ERROR_SUCCESS)
        status = RegSetValueExW(store.get(), keyName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(comment.c_str()),
                                static_cast<DWORD>((comment.size() + 1) * sizeof(wchar_t)));
    commentStoreOpened_ = false;  // it may exist only now
    return HRESULT_FROM_WIN32(status);
}

std::vector<std::wstring> EnumerateProgramKeys(HKEY uninstall) {
    if (!uninstall) return {};
    return purgeon::SubkeyNames(uninstall);
}

std::vector<EntryName> EnumerateEntries(const CatalogContext& context) {
    std::vector<EntryName> entries;
    for (const purgeon::UninstallKey& key : purgeon::UninstallKeys()) {
        const ProgramSource source = key.source;
        for (std::wstring& name : EnumerateProgramKeys(context.Uninstall(source)))
            entries.push_back({source, std::move(name)});
    }
    return entries;
}

std::optional<EntryName> EntryOfKeyPath(std::wstring_view keyPath) {
    for (const purgeon::UninstallKey& uninstall : purgeon::UninstallKeys()) {
        const std::wstring prefix = uninstall.Text();
        if (keyPath.size() <= prefix.size() + 1 || keyPath[prefix.size()] != L'\\' ||
            !purgeon::EqualsNoCase(keyPath.substr(0, prefix.size()), prefix))
            continue;
        const std::wstring_view keyName = keyPath.substr(prefix.size() + 1);
        // A key name holds no backslash: anything deeper is no entry.
        if (keyName.find(L'\\') != std::wstring_view::npos) return std::nullopt;
        return EntryName{uninstall.source, std::wstring(keyName)};
    }
    return std::nullopt;
}

bool EntryExists(const EntryName& name) {
    const purgeon::UninstallKey& source = purgeon::UninstallKeyOf(name.source);
    UniqueHKey key;
    const std::wstring path = std::wstring(purgeon::kUninstallSubkey) + L"\\" + name.keyName;
    return RegOpenKeyExW(source.root, path.c_str(), 0, KEY_READ | source.view, key.put()) == ERROR_SUCCESS;
}

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

// --- one program ---------------------------------------------------------------------

const wchar_t* const ProgramEntry::kFieldNames[kFieldCount] = {
    L"DisplayName", L"UninstallString", L"Publisher",   L"InstallLocation", L"DisplayIcon",
    L"ParentKeyName", L"ReleaseType",   L"EstimatedSize", L"InstallDate",   L"DisplayVersion",
    L"HelpLink",    L"URLInfoAbout",    L"URLUpdateInfo",   L"WindowsInstaller",
};

namespace {

// IProgramEntry2 of an entry: its own dispatch, everything else answered by the entry.
class ProgramEntrySource final : public DualObject<IProgramEntry2, &IID_IProgramEntry2> {
public:
    explicit ProgramEntrySource(ProgramEntry* entry) : entry_(entry) { entry_->AddRef(); }
    ~ProgramEntrySource() override { entry_->Release(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IProgramEntry2)) {
            *out = static_cast<IProgramEntry2*>(this);
            AddRef();
            return S_OK;
        }
        return entry_->QueryInterface(iid, out);  // one identity: the entry's IUnknown
    }
    HRESULT STDMETHODCALLTYPE GetKeyPath(BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        return Guarded([&] { return ReturnText(entry_->KeyPath(), value); });
    }
    HRESULT STDMETHODCALLTYPE GetSource(long* value) override {
        if (!value) return E_POINTER;
        *value = static_cast<long>(entry_->Source());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetUninstallCommand(BSTR* value) override {
        if (!value) return E_POINTER;
        *value = nullptr;
        return Guarded([&] { return ReturnText(entry_->UninstallCommand(), value); });
    }
    HRESULT STDMETHODCALLTYPE GetSizeBytes(hyper* value) override {
        if (!value) return E_POINTER;
        *value = 0;
        return Guarded([&] {
            *value = static_cast<hyper>(entry_->SizeBytes());
            return S_OK;
        });
    }

private:
    ProgramEntry* entry_;
};

bool IsOne(const std::optional<RegValue>& value) {
    return value && value->type == REG_DWORD && value->data.size() == sizeof(DWORD) &&
           *reinterpret_cast<const DWORD*>(value->data.data()) == 1;
}

}  // namespace

ProgramEntry::ProgramEntry(std::shared_ptr<CatalogContext> context, EntryName name, std::optional<KeyValues> readAhead)
    : context_(std::move(context)), source_(name.source), keyName_(std::move(name.keyName)) {
    if (readAhead) values_ = std::move(*readAhead);
}

HRESULT ProgramEntry::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (!IsEqualIID(iid, IID_IProgramEntry2)) return DualObject::QueryInterface(iid, out);
    return Guarded([&] {
        *out = static_cast<IProgramEntry2*>(new ProgramEntrySource(this));  // holds one reference
        return S_OK;
    });
}

std::wstring ProgramEntry::KeyPath() const { return purgeon::UninstallKeyOf(source_).Text() + L"\\" + keyName_; }

std::wstring ProgramEntry::UninstallCommand() {
    return UninstallCommandOf(Value(kUninstallString), IsOne(Value(kWindowsInstaller)), keyName_);
}

std::wstring ProgramEntry::CommentName() const {
    switch (source_) {
        case ProgramSource::Machine32: return L"WOW6432Node\\" + keyName_;
        case ProgramSource::User: return L"HKCU\\" + keyName_;
        default: return keyName_;  // as earlier releases named it
    }
}

namespace {

// An entry's key, opened for reading; false when it cannot be.
bool OpenEntryKey(const CatalogContext& context, ProgramSource source, const std::wstring& keyName, UniqueHKey& key) {
    HKEY uninstall = context.Uninstall(source);
    return uninstall && RegOpenKeyExW(uninstall, keyName.c_str(), 0, KEY_READ | purgeon::UninstallKeyOf(source).view,
                                      key.put()) == ERROR_SUCCESS;
}

// Every value of a key with few values and none large, in one pass; nothing for a larger key, or
// for one that changed while it was read.
std::optional<std::vector<RegValue>> SmallKeyValues(HKEY key) {
    DWORD count = 0, maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS ||
        count > kWholeKeyLimit || maxData > kWholeKeyDataLimit)
        return std::nullopt;
    std::vector<RegValue> values;
    std::wstring name(maxName + 1, L'\0');
    std::vector<BYTE> data(maxData + sizeof(wchar_t));
    for (DWORD index = 0; index < count; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        LSTATUS status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (status != ERROR_SUCCESS) return std::nullopt;
        values.push_back({name.substr(0, nameLength), type, std::vector<BYTE>(data.begin(), data.begin() + size)});
    }
    return values;
}

// Readers enough to keep the registry busy, and no more than the entries need.
unsigned ReadAheadThreads(size_t entries) {
    const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 2u, 4u);
    return static_cast<unsigned>(std::min<size_t>(cores, 1 + entries / 64));
}

}  // namespace

ProgramEntry::KeyValues ProgramEntry::WholeKey(std::vector<RegValue> values) {
    KeyValues read;
    for (int field = 0; field < kFieldCount; ++field)
        for (const RegValue& value : values)
            if (purgeon::EqualsNoCase(value.name, kFieldNames[field])) read.fields[field] = value;
    read.read.set();
    read.whole = std::move(values);
    return read;
}

std::optional<RegValue> ProgramEntry::QueryField(HKEY key, Field field) {
    std::optional<RegValue> value = QueryValue(key, kFieldNames[field]);
    // Only what Text can use is kept: one character past the longest text tells it is too long.
    if (value && value->data.size() > (kDataChars + 1) * sizeof(wchar_t)) value->data.resize((kDataChars + 1) * sizeof(wchar_t));
    return value;
}

std::optional<ProgramEntry::KeyValues> ProgramEntry::ReadKeyAhead(const CatalogContext& context, const EntryName& entry) {
    UniqueHKey key;
    if (!OpenEntryKey(context, entry.source, entry.keyName, key)) return std::nullopt;
    if (std::optional<std::vector<RegValue>> values = SmallKeyValues(key.get())) return WholeKey(std::move(*values));
    KeyValues fields;
    for (int field = 0; field < kFieldCount; ++field) fields.fields[field] = QueryField(key.get(), static_cast<Field>(field));
    fields.read.set();
    return fields;
}

std::vector<std::optional<ProgramEntry::KeyValues>> ProgramEntry::ReadAhead(const CatalogContext& context,
                                                                            const std::vector<EntryName>& entries) {
    std::vector<std::optional<KeyValues>> read(entries.size());
    std::atomic<size_t> next{0};
    auto readEntries = [&] {
        for (size_t index; (index = next++) < entries.size();) {
            // Nothing may leave a reader's body: an entry that could not be read ahead (memory
            // short, say) is read when asked, as one not read ahead.
            try {
                read[index] = ReadKeyAhead(context, entries[index]);
            } catch (...) {
                read[index].reset();
            }
        }
    };
    std::vector<std::thread> readers;
    try {
        for (unsigned n = 1; n < ReadAheadThreads(entries.size()); ++n) readers.emplace_back(readEntries);
    } catch (const std::system_error&) {
        // Fewer readers, the same result.
    }
    readEntries();
    for (std::thread& reader : readers) reader.join();
    return read;
}

HKEY ProgramEntry::Key() {
    // Tried once: a key that cannot be opened reads as empty values.
    if (!keyOpened_) {
        keyOpened_ = true;
        if (OpenEntryKey(*context_, source_, keyName_, key_)) {
            if (std::optional<std::vector<RegValue>> values = SmallKeyValues(key_.get())) values_ = WholeKey(std::move(*values));
        }
    }
    return key_.get();
}

const std::optional<RegValue>& ProgramEntry::Value(Field field) {
    if (!values_.read[field]) {
        HKEY key = Key();  // which may read the whole key
        if (!values_.read[field]) {
            values_.read[field] = true;
            if (key) values_.fields[field] = QueryField(key, field);
        }
    }
    return values_.fields[field];
}

std::wstring ProgramEntry::Text(Field field) {
    const auto& value = Value(field);
    if (!value || !IsText(*value)) return std::wstring();
    std::wstring text = purgeon::RegBytesToString(value->data);
    const bool data = field == kUninstallString || field == kInstallLocation || field == kDisplayIcon;
    if (!data) return CutText(std::move(text), kDisplayChars);
    // A longer path or command is none: cut, it would name another file or run another command.
    return text.size() <= kDataChars ? text : std::wstring();
}

HRESULT ProgramEntry::TextOut(Field field, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    return Guarded([&] { return ReturnText(Text(field), value); });
}

void ProgramEntry::Retarget(std::wstring keyName) {
    keyName_ = std::move(keyName);
    key_.reset();
    keyOpened_ = false;
    values_ = {};
    rows_.reset();
    iconIndex_.reset();
}

HRESULT ProgramEntry::GetDisplayName(BSTR* value) { return TextOut(kDisplayName, value); }
HRESULT ProgramEntry::GetUninstallString(BSTR* value) { return TextOut(kUninstallString, value); }
HRESULT ProgramEntry::GetPublisher(BSTR* value) { return TextOut(kPublisher, value); }
HRESULT ProgramEntry::GetInstallLocation(BSTR* value) { return TextOut(kInstallLocation, value); }
HRESULT ProgramEntry::GetInstallDate(BSTR* value) { return TextOut(kInstallDate, value); }
HRESULT ProgramEntry::GetVersion(BSTR* value) { return TextOut(kDisplayVersion, value); }
HRESULT ProgramEntry::GetHelpLink(BSTR* value) { return TextOut(kHelpLink, value); }
HRESULT ProgramEntry::GetAboutLink(BSTR* value) { return TextOut(kUrlInfoAbout, value); }
HRESULT ProgramEntry::GetUpdateLink(BSTR* value) { return TextOut(kUrlUpdateInfo, value); }

HRESULT ProgramEntry::GetKeyName(BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    return Guarded([&] { return ReturnText(keyName_, value); });
}

HRESULT ProgramEntry::LoadKey(BSTR keyName) {
    // A subkey name cannot hold a backslash: refuse paths that would leave the Uninstall key.
    if (!keyName || SysStringLen(keyName) == 0) return E_INVALIDARG;
    std::wstring_view name(keyName, SysStringLen(keyName));
    if (name.find(L'\\') != std::wstring_view::npos) return E_INVALIDARG;
    return Guarded([&] {
        Retarget(std::wstring(name));
        return S_OK;
    });
}

HRESULT ProgramEntry::GetKind(long* value) {
    if (!value) return E_POINTER;
    *value = 0;
    return Guarded([&] {
        // Cheapest test first: the name costs no registry call.
        bool patch = IsPatchKeyName(keyName_) || !purgeon::Trim(Text(kParentKeyName)).empty() ||
                     IsPatchReleaseType(Text(kReleaseType));
        *value = patch ? 1 : 0;
        return S_OK;
    });
}

long ProgramEntry::ComputeIconIndex() {
    IconIndexCache& icons = context_->Icons();
    std::wstring displayIcon = Text(kDisplayIcon);
    if (!purgeon::Trim(displayIcon).empty()) {
        IconLocation location = ParseIconLocation(displayIcon);
        location.path = purgeon::ExpandEnvironment(location.path);
        if (!location.path.empty())
            if (auto index = icons.IconOf(location.path, location.index)) return *index;
    }
    std::wstring program = purgeon::ExpandEnvironment(purgeon::ProgramPathOfCommand(Text(kUninstallString)));
    if (!program.empty()) {
        // "MsiExec.exe /X{...}", "rundll32.exe ...": bare names live in the system folder.
        if (program.find_first_of(L"\\/:") == std::wstring::npos) {
            if (purgeon::ExtractFileName(program).find(L'.') == std::wstring::npos) program += L".exe";
            program = purgeon::IncludeTrailingBackslash(purgeon::SystemDirectory()) + program;
        }
        if (auto index = icons.IconOf(program, 0)) return *index;
    }
    return icons.GenericProgram();
}

HRESULT ProgramEntry::GetIconIndex(long* value) {
    if (!value) return E_POINTER;
    *value = 0;
    return Guarded([&] {
        if (!iconIndex_) iconIndex_ = ComputeIconIndex();
        *value = *iconIndex_;
        return S_OK;
    });
}

HRESULT ProgramEntry::GetUsedFrequency(unsigned long* value) {
    if (!value) return E_POINTER;
    *value = 0;
    return S_OK;
}

HRESULT ProgramEntry::GetLastUsed(BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    return ReturnText(std::wstring(), value);
}

ULONGLONG ProgramEntry::SizeBytes() {
    const auto& size = Value(kEstimatedSize);
    if (!size || size->type != REG_DWORD || size->data.size() != sizeof(DWORD)) return 0;
    DWORD kilobytes = 0;
    memcpy(&kilobytes, size->data.data(), sizeof kilobytes);
    return static_cast<ULONGLONG>(kilobytes) * 1024;
}

HRESULT ProgramEntry::GetSize(float* value) {
    if (!value) return E_POINTER;
    *value = 0;
    return Guarded([&] {
        *value = static_cast<float>(SizeBytes());
        return S_OK;
    });
}

namespace {

// Every value of a key in registry order, as far as kMaxRows, each cut at kRowBytes: only one
// buffer as large as the key's largest value is held.
std::vector<RegValue> BoundedValues(HKEY key) {
    std::vector<RegValue> values;
    DWORD maxName = 0, maxData = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return values;
    std::wstring name(maxName + 1, L'\0');
    std::vector<BYTE> data(maxData ? maxData : 1);
    for (DWORD index = 0, retries = 0; values.size() < kMaxRows;) {
        DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        const LSTATUS status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (status == ERROR_MORE_DATA && ++retries < 8) {
            // Grown since we asked: enlarge and read this index again.
            name.resize(std::max<size_t>(name.size(), 16384));
            data.resize(std::max<size_t>(data.size() * 2, size));
            continue;
        }
        if (status != ERROR_SUCCESS) break;
        retries = 0;
        ++index;
        values.push_back({name.substr(0, nameLength), type,
                          std::vector<BYTE>(data.begin(), data.begin() + std::min<size_t>(size, kRowBytes))});
    }
    return values;
}

}  // namespace

const std::vector<RegValue>& ProgramEntry::Rows() {
    if (!rows_) {
        std::vector<RegValue> rows;
        if (HKEY key = Key()) rows = values_.whole ? *values_.whole : BoundedValues(key);
        for (RegValue& row : rows)
            if (row.data.size() > kRowBytes) row.data.resize(kRowBytes);
        if (auto stored = context_->StoredComment(CommentName())) {
            RegValue comment{L"Comments", REG_SZ, {}};
            const BYTE* bytes = reinterpret_cast<const BYTE*>(stored->c_str());
            comment.data.assign(bytes, bytes + (stored->size() + 1) * sizeof(wchar_t));
            // The user's comment stands in for the installer's text.
            bool replaced = false;
            for (RegValue& row : rows)
                if (purgeon::EqualsNoCase(row.name, L"Comments")) {
                    row = comment;
                    replaced = true;
                }
            if (!replaced) rows.push_back(std::move(comment));
        }
        rows_ = std::move(rows);
    }
    return *rows_;
}

HRESULT ProgramEntry::GetValueCount(long* value) {
    if (!value) return E_POINTER;
    *value = 0;
    return Guarded([&] {
        *value = static_cast<long>(Rows().size());
        return S_OK;
    });
}

HRESULT ProgramEntry::GetValueName(long index, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    return Guarded([&] {
        const auto& rows = Rows();
        if (index < 0 || static_cast<size_t>(index) >= rows.size()) return E_INVALIDARG;
        const std::wstring& name = rows[static_cast<size_t>(index)].name;
        return ReturnText(name.empty() ? std::wstring(L"(Default)") : CutText(name, kDisplayChars), value);
    });
}

HRESULT ProgramEntry::GetValueData(long index, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    return Guarded([&] {
        const auto& rows = Rows();
        if (index < 0 || static_cast<size_t>(index) >= rows.size()) return E_INVALIDARG;
        return ReturnText(CutText(purgeon::RenderRegValue(rows[static_cast<size_t>(index)]), kDisplayChars), value);
    });
}

HRESULT ProgramEntry::SetComment(BSTR comment) {
    return Guarded([&] {
        std::wstring text = comment ? std::wstring(comment, SysStringLen(comment)) : std::wstring();
        // The user's comment is kept in the per-user store, never in the program's key: the
        // key's own Comments value is the installer's text, which a note must not overwrite.
        UniqueHKey key;
        HKEY uninstall = context_->Uninstall(source_);
        LSTATUS status = uninstall ? RegOpenKeyExW(uninstall, keyName_.c_str(), 0,
                                                   KEY_QUERY_VALUE | purgeon::UninstallKeyOf(source_).view, key.put())
                                   : ERROR_FILE_NOT_FOUND;
        if (status == ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(status);  // no such program
        const HRESULT hr = context_->StoreComment(CommentName(), text);
        rows_.reset();  // the listing must show the new value
        return hr;
    });
}

}  // namespace doffkit
