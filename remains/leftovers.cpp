#include "remains/leftovers.h"

#include <shlobj.h>
#include <knownfolders.h>

#include <algorithm>
#include <cwctype>
#include <optional>
#include <unordered_map>

#include "remains/checkTree.h"
#include "remains/defaultMarks.h"
#include "common/funUtils.h"
#include "common/handles.h"

namespace purgeon::remains {

namespace {

constexpr size_t kShortName = 4;  // names this long or shorter never match loosely
constexpr int kCheckedScore = 80;
constexpr ULONGLONG kRecentTicks = 24ull * 60 * 60 * 10000000;  // FILETIME units in a day
// How deep the walk follows folders and keys that hold an installed program's.
constexpr int kMaxHolderDepth = 8;

// Words that name what many programs keep, beyond those a remains scan already takes as common.
constexpr const wchar_t* kGenericExtras[] = {L"Tmp",       L"Bin",          L"Lib",  L"Resources", L"Docs",
                                             L"Packages",  L"CrashDumps",   L"CrashReports", L"AppData",
                                             L"Application Data", L"Downloads", L"Documents", L"Logfiles"};

// Words versions and editions add to a display name.
constexpr const wchar_t* kEditionWords[] = {L"x64", L"x86", L"64-bit", L"32-bit", L"64bit", L"32bit", L"version", L"amd64"};
// Words a company form adds to a publisher.
constexpr const wchar_t* kCompanyForms[] = {L"inc",  L"inc.", L"ltd",   L"ltd.",  L"llc", L"gmbh",  L"corp",
                                            L"corp.", L"corporation", L"co", L"co.", L"ag",  L"limited", L"s.a.",
                                            L"sa",   L"b.v.", L"bv",    L"srl",   L"s.r.l.", L"oy", L"ab", L"plc",
                                            L"pty",  L"pty.", L"kg",    L"&"};

std::wstring TrimmedName(const std::wstring& name) { return Trim(name); }

bool IsVersionWord(const std::wstring& word) {
    std::wstring w = ToLower(word);
    if (!w.empty() && w[0] == L'v') w.erase(0, 1);
    if (w.empty() || !iswdigit(w[0])) return false;
    // Digits with dots, dashes or underscores between, and at most one letter at the end ("2.1b").
    size_t letters = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        const wchar_t c = w[i];
        if (iswdigit(c) || c == L'.' || c == L'-' || c == L'_') {
            if (letters) return false;
            continue;
        }
        if (iswalpha(c) && ++letters <= 1) continue;
        return false;
    }
    return true;
}

// The text without its last blank-separated word when `drop` says so, repeatedly.
template <typename Drop>
std::wstring WithoutTrailingWords(std::wstring text, Drop&& drop) {
    for (;;) {
        text = Trim(text);
        while (!text.empty() && (text.back() == L',' || text.back() == L'-')) text = Trim(text.substr(0, text.size() - 1));
        // "(x64)", "(64-bit)", "(remove only)": an edition in brackets goes whole.
        if (!text.empty() && text.back() == L')') {
            const size_t open = text.rfind(L'(');
            if (open != std::wstring::npos && open > 0) {
                text = text.substr(0, open);
                continue;
            }
        }
        const size_t blank = text.find_last_of(L" \t");
        if (blank == std::wstring::npos) return text;
        if (!drop(text.substr(blank + 1))) return text;
        text = text.substr(0, blank);
    }
}

bool InList(const std::wstring& word, const wchar_t* const* begin, const wchar_t* const* end) {
    return std::any_of(begin, end, [&](const wchar_t* listed) { return EqualsNoCase(word, listed); });
}

// True when `path` is `folder` or lies inside it (both comparable).
bool SameOrInside(const std::wstring& path, const std::wstring& folder) {
    if (folder.empty()) return false;
    return path == folder || (path.size() > folder.size() && path[folder.size()] == L'\\' &&
                              path.compare(0, folder.size(), folder) == 0);
}

// Every folder above a path ("c:\a\b\c" gives "c:\a\b", "c:\a", "c:").
std::vector<std::wstring> AncestorsOf(const std::wstring& path) {
    std::vector<std::wstring> out;
    for (size_t at = path.rfind(L'\\'); at != std::wstring::npos && at > 0; at = path.rfind(L'\\', at - 1))
        out.push_back(path.substr(0, at));
    return out;
}

bool IsFullPath(const std::wstring& path) {
    return (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\') ||
           (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\');
}

std::wstring LeafName(const std::wstring& comparablePath) {
    const size_t at = comparablePath.rfind(L'\\');
    return at == std::wstring::npos ? std::wstring() : comparablePath.substr(at + 1);
}

// Names go into one set or the other by their length: short ones only ever match exactly.
void AddName(const std::wstring& raw, std::unordered_set<std::wstring>& names, std::unordered_set<std::wstring>& shortNames) {
    const std::wstring name = TrimmedName(raw);
    if (name.empty()) return;
    if (name.size() <= kShortName)
        shortNames.insert(ToLower(name));
    else
        names.insert(FoldedName(name));
}

bool HasName(const std::wstring& raw, const std::unordered_set<std::wstring>& names,
             const std::unordered_set<std::wstring>& shortNames) {
    const std::wstring name = TrimmedName(raw);
    if (name.empty()) return false;
    if (name.size() <= kShortName) return shortNames.count(ToLower(name)) != 0;
    return names.count(FoldedName(name)) != 0;
}

// A claimed folder that is a place, holds one or is never offered would claim far too much: an
// uninstaller in the Windows folder, an install location "C:\Program Files".
bool IsUsableClaimFolder(const std::wstring& folder, const std::vector<std::wstring>& places,
                         const std::vector<std::wstring>& neverOffered) {
    if (!IsFullPath(folder) || folder.size() <= 3) return false;
    for (const std::wstring& place : places)
        if (SameOrInside(place, folder)) return false;
    for (const std::wstring& never : neverOffered)
        if (SameOrInside(folder, never) || SameOrInside(never, folder)) return false;
    return true;
}

// The records of programs this program uninstalled, for quick look-ups: like the claims, but
// each look-up says which program.
class Records {
public:
    Records(const std::vector<RemovedProgram>& removed, const std::vector<std::wstring>& places,
            const std::vector<std::wstring>& neverOffered) {
        for (size_t i = 0; i < removed.size(); ++i) {
            const RemovedProgram& program = removed[i];
            const std::wstring folder = ComparableFolder(program.installLocation);
            if (IsUsableClaimFolder(folder, places, neverOffered)) {
                folders_.push_back({folder, i});
                AddNamed(LeafName(folder), i);
            }
            AddNamed(program.keyName, i);
            AddNamed(program.displayName, i);
            AddNamed(NameWithoutVersion(program.displayName), i);
        }
    }

    // The record naming a folder (by its path or name) or a key (by name, with an empty path).
    std::optional<size_t> Naming(const std::wstring& comparablePath, const std::wstring& raw) const {
        for (const auto& [folder, index] : folders_)
            if (!comparablePath.empty() && SameOrInside(comparablePath, folder)) return index;
        const std::wstring name = TrimmedName(raw);
        if (name.empty()) return std::nullopt;
        const auto found = names_.find(Key(name));
        return found == names_.end() ? std::nullopt : std::optional<size_t>(found->second);
    }

private:
    // Short names are kept apart, as they only ever match exactly.
    static std::wstring Key(const std::wstring& name) {
        return name.size() <= kShortName ? L"=" + ToLower(name) : FoldedName(name);
    }
    void AddNamed(const std::wstring& raw, size_t index) {
        const std::wstring name = TrimmedName(raw);
        if (!name.empty() && !IsGenericLeftoverName(name)) names_.emplace(Key(name), index);
    }
    std::vector<std::pair<std::wstring, size_t>> folders_;
    std::unordered_map<std::wstring, size_t> names_;
};

ULONGLONG Ticks(const FILETIME& time) { return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }
void KeepNewer(FILETIME& newest, const FILETIME& time) {
    if (Ticks(time) > Ticks(newest)) newest = time;
}

bool IsExecutableName(const std::wstring& name) {
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos) return false;
    const std::wstring extension = name.substr(dot);
    return EqualsNoCase(extension, L".exe") || EqualsNoCase(extension, L".com");
}

// Forwards the place being looked at no more often than every kProgressIntervalMs.
class Progress {
public:
    explicit Progress(const ScanProgress& progress) : progress_(progress) {}
    void Examine(const std::wstring& path) {
        if (!progress_) return;
        const ULONGLONG now = GetTickCount64();
        if (reported_ && now - last_ < kProgressIntervalMs) return;
        reported_ = true;
        last_ = now;
        progress_(path);
    }

private:
    const ScanProgress& progress_;
    ULONGLONG last_ = 0;
    bool reported_ = false;
};

struct DirEntry {
    std::wstring name;
    DWORD attributes = 0;
    FILETIME written{};
};

std::vector<DirEntry> ListFolder(const std::wstring& folder) {
    std::vector<DirEntry> entries;
    WIN32_FIND_DATAW found{};
    UniqueFindHandle find(FindFirstFileExW((IncludeTrailingBackslash(folder) + L"*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return entries;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        entries.push_back({name, found.dwFileAttributes, found.ftLastWriteTime});
    } while (FindNextFileW(find.get(), &found));
    return entries;
}

bool IsWalkableFolder(const DirEntry& entry) {
    // A link leads elsewhere: never offered, never entered.
    return (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

struct SubkeyEntry {
    std::wstring name;
    FILETIME written{};
};

std::vector<SubkeyEntry> ListSubkeys(HKEY key) {
    std::vector<SubkeyEntry> out;
    wchar_t buffer[256];  // key names have at most 255 characters
    for (DWORD index = 0;; ++index) {
        DWORD length = 256;
        FILETIME written{};
        const LONG status = RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, &written);
        if (status != ERROR_SUCCESS) break;
        out.push_back({std::wstring(buffer, length), written});
    }
    return out;
}

class Finder {
public:
    Finder(const LeftoverSearch& search, const ScanProgress& progress)
        : search_(search),
          places_(PlacePaths(search)),
          never_(Comparable(search.neverOffered)),
          claims_(search.installed, search.ownFolders, places_),
          records_(search.removed, places_, never_),
          progress_(progress) {}

    std::vector<Leftover> Run() {
        for (const FolderPlace& place : search_.folders) WalkFolderPlace(place);
        for (const KeyPlace& place : search_.keys) WalkKeyPlace(place);
        return std::move(found_);
    }

private:
    static std::vector<std::wstring> Comparable(const std::vector<std::wstring>& folders) {
        std::vector<std::wstring> out;
        for (const std::wstring& folder : folders)
            if (!folder.empty()) out.push_back(ComparableFolder(folder));
        return out;
    }
    static std::vector<std::wstring> PlacePaths(const LeftoverSearch& search) {
        std::vector<std::wstring> out;
        for (const FolderPlace& place : search.folders) out.push_back(ComparableFolder(place.path));
        return out;
    }

    bool IsPlace(const std::wstring& comparable) const {
        return std::find(places_.begin(), places_.end(), comparable) != places_.end();
    }
    bool NeverOffered(const std::wstring& comparable) const {
        for (const std::wstring& never : never_)
            if (SameOrInside(comparable, never) || SameOrInside(never, comparable)) return true;
        return false;
    }

    // --- folders ---------------------------------------------------------------------------

    void WalkFolderPlace(const FolderPlace& place) {
        const std::wstring base = ExcludeTrailingBackslash(place.path);
        for (const DirEntry& entry : ListFolder(base)) {
            if (!IsWalkableFolder(entry)) continue;
            if (std::any_of(place.systemNames.begin(), place.systemNames.end(),
                            [&](const std::wstring& own) { return EqualsNoCase(own, entry.name); }))
                continue;
            ExamineFolder(place, base + L"\\" + entry.name, entry, 1, L"", found_);
        }
    }

    // Looks at one folder: claimed, holding what is claimed, or a candidate. True when anything
    // claims it or lies in it, so whoever holds it is claimed too.
    bool ExamineFolder(const FolderPlace& place, const std::wstring& path, const DirEntry& entry, int depth,
                       const std::wstring& vendor, std::vector<Leftover>& out) {
        progress_.Examine(path);
        const std::wstring comparable = ComparableFolder(path);
        if (IsPlace(comparable) || NeverOffered(comparable)) return true;
        const Claim claim = claims_.OfFolder(comparable, entry.name);
        if (claim == Claim::Is) return true;
        const bool vendorLevel = claim == Claim::Vendor && depth == 1;
        if (claim == Claim::Holds || vendorLevel) {
            std::vector<Leftover> inside;
            bool anyClaimed = claim == Claim::Holds;
            if (depth < kMaxHolderDepth)
                for (const DirEntry& child : ListFolder(path))
                    if (IsWalkableFolder(child) &&
                        ExamineFolder(place, path + L"\\" + child.name, child, depth + 1, entry.name, inside))
                        anyClaimed = true;
            if (anyClaimed) {
                out.insert(out.end(), std::make_move_iterator(inside.begin()), std::make_move_iterator(inside.end()));
                return true;
            }
            // A vendor folder of an installed publisher that holds none of its programs: offered
            // whole, not as its parts.
        }
        // Shared folders of the system or every program are never offered, whatever their name.
        if (IsProtectedFolder(path)) return true;
        CandidateFacts facts;
        facts.name = entry.name;
        facts.place = place.kind;
        facts.installedVendor = claim == Claim::Vendor;
        facts.closeToInstalled = claims_.CloseToInstalled(entry.name);
        facts.newestWrite = entry.written;
        Leftover leftover;
        const std::optional<size_t> record = records_.Naming(comparable, entry.name);
        if (record) {
            facts.recorded = true;
            leftover.program = RecordedName(*record);
        }
        WalkContents(path, facts, record.has_value() ? nullptr : &leftover);
        leftover.target = PathTarget(path);
        leftover.text = path;
        leftover.vendor = vendor;
        leftover.name = entry.name;
        ScoreLeftover(facts, search_.now, leftover);
        out.push_back(std::move(leftover));
        return false;
    }

    // Counts what lies below a candidate; for one no record names, also whether it holds only
    // what records name (a vendor folder of gone programs).
    void WalkContents(const std::wstring& path, CandidateFacts& facts, Leftover* vendorOf) {
        bool onlyRecorded = vendorOf != nullptr;
        bool anyRecorded = false;
        std::wstring recordedProgram;
        WalkBelow(path, facts, [&](const DirEntry& child, bool direct) {
            if (!direct || !onlyRecorded) return;
            if (!IsWalkableFolder(child)) {
                onlyRecorded = false;  // a file of its own beside the programs
                return;
            }
            const std::optional<size_t> named = records_.Naming(ComparableFolder(path + L"\\" + child.name), child.name);
            if (!named) {
                onlyRecorded = false;
                return;
            }
            if (!anyRecorded) recordedProgram = RecordedName(*named);
            anyRecorded = true;
        });
        if (onlyRecorded && anyRecorded) {
            facts.removedVendor = true;
            vendorOf->program = recordedProgram;
        }
    }

    template <typename Each>
    void WalkBelow(const std::wstring& folder, CandidateFacts& facts, Each&& each, bool direct = true) {
        for (const DirEntry& entry : ListFolder(folder)) {
            each(entry, direct);
            KeepNewer(facts.newestWrite, entry.written);
            if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (!(entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                    WalkBelow(folder + L"\\" + entry.name, facts, each, false);
                continue;
            }
            ++facts.files;
            if (IsExecutableName(entry.name)) facts.executables = true;
        }
    }

    std::wstring RecordedName(size_t index) const {
        const RemovedProgram& program = search_.removed[index];
        return Trim(program.displayName).empty() ? program.keyName : Trim(program.displayName);
    }

    // --- keys ----------------------------------------------------------------------------

    void WalkKeyPlace(const KeyPlace& place) {
        UniqueHKey key;
        if (RegOpenKeyExW(place.key.root, place.key.path.c_str(), 0, KEY_READ | place.key.view, key.put()) != ERROR_SUCCESS)
            return;
        for (const SubkeyEntry& entry : ListSubkeys(key.get())) {
            std::vector<std::wstring> systemChildren;
            bool system = false;
            for (const std::wstring& own : place.systemNames) {
                const size_t slash = own.find(L'\\');
                if (slash == std::wstring::npos) {
                    system = system || EqualsNoCase(own, entry.name);
                } else if (EqualsNoCase(own.substr(0, slash), entry.name)) {
                    systemChildren.push_back(own.substr(slash + 1));
                }
            }
            if (system || IsProtectedRegistryKey(place.key.path, entry.name)) continue;
            const RegistryKey child{place.key.root, place.key.view, place.key.path + L"\\" + entry.name};
            if (IsOtherKeyPlace(child)) continue;
            ExamineKey(child, entry, 1, L"", systemChildren, found_);
        }
    }

    bool IsOtherKeyPlace(const RegistryKey& key) const {
        return std::any_of(search_.keys.begin(), search_.keys.end(), [&](const KeyPlace& place) {
            return place.key.root == key.root && EqualsNoCase(place.key.path, key.path);
        });
    }

    bool ExamineKey(const RegistryKey& where, const SubkeyEntry& entry, int depth, const std::wstring& vendor,
                    const std::vector<std::wstring>& systemChildren, std::vector<Leftover>& out) {
        progress_.Examine(where.Text());
        const Claim claim = claims_.OfKey(entry.name);
        if (claim == Claim::Is) return true;
        UniqueHKey key;
        if (RegOpenKeyExW(where.root, where.path.c_str(), 0, KEY_READ | where.view, key.put()) != ERROR_SUCCESS)
            return true;  // what cannot be read is not offered
        const std::vector<SubkeyEntry> children = ListSubkeys(key.get());
        bool holds = false;
        for (const SubkeyEntry& child : children) {
            const bool systems = std::any_of(systemChildren.begin(), systemChildren.end(),
                                             [&](const std::wstring& own) { return EqualsNoCase(own, child.name); });
            if (systems || claims_.OfKey(child.name) == Claim::Is) holds = true;
        }
        if (holds || (claim == Claim::Vendor && depth == 1)) {
            std::vector<Leftover> inside;
            bool anyClaimed = holds;
            if (depth < kMaxHolderDepth) {
                for (const SubkeyEntry& child : children) {
                    if (std::any_of(systemChildren.begin(), systemChildren.end(),
                                    [&](const std::wstring& own) { return EqualsNoCase(own, child.name); }))
                        continue;
                    const RegistryKey inner{where.root, where.view, where.path + L"\\" + child.name};
                    if (ExamineKey(inner, child, depth + 1, entry.name, {}, inside)) anyClaimed = true;
                }
            }
            if (anyClaimed) {
                out.insert(out.end(), std::make_move_iterator(inside.begin()), std::make_move_iterator(inside.end()));
                return true;
            }
        }
        CandidateFacts facts;
        facts.name = entry.name;
        facts.isFolder = false;
        facts.installedVendor = claim == Claim::Vendor;
        facts.closeToInstalled = claims_.CloseToInstalled(entry.name);
        facts.newestWrite = entry.written;
        Leftover leftover;
        const std::optional<size_t> record = records_.Naming(L"", entry.name);
        if (record) {
            facts.recorded = true;
            leftover.program = RecordedName(*record);
        } else if (!children.empty()) {
            // A vendor key of gone programs: every subkey a recorded program's, no value of its own.
            bool onlyRecorded = true;
            for (const SubkeyEntry& child : children)
                if (!records_.Naming(L"", child.name)) onlyRecorded = false;
            DWORD values = 0;
            if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                                 nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                onlyRecorded = false;
            if (onlyRecorded && values == 0) {
                facts.removedVendor = true;
                leftover.program = RecordedName(*records_.Naming(L"", children.front().name));
            }
        }
        for (const SubkeyEntry& child : children) {
            KeepNewer(facts.newestWrite, child.written);
            NewestBelow(key.get(), child.name, facts.newestWrite);
        }
        leftover.target = KeyTarget(where);
        leftover.text = where.Text();
        leftover.vendor = vendor;
        leftover.name = entry.name;
        ScoreLeftover(facts, search_.now, leftover);
        out.push_back(std::move(leftover));
        return false;
    }

    // The newest write time of every key below parent\name. Each key's time comes with its name.
    void NewestBelow(HKEY parent, const std::wstring& name, FILETIME& newest) {
        UniqueHKey key;
        if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
        for (const SubkeyEntry& child : ListSubkeys(key.get())) {
            KeepNewer(newest, child.written);
            NewestBelow(key.get(), child.name, newest);
        }
    }

    const LeftoverSearch& search_;
    std::vector<std::wstring> places_;
    std::vector<std::wstring> never_;
    Claims claims_;
    Records records_;
    Progress progress_;
    std::vector<Leftover> found_;
};

}  // namespace

std::wstring FoldedName(const std::wstring& name) {
    std::wstring out;
    out.reserve(name.size());
    for (wchar_t c : name)
        if (c != L' ' && c != L'_' && c != L'-' && c != L'\t') out.push_back(c);
    return ToLower(out);
}

bool NamesMatch(const std::wstring& a, const std::wstring& b) {
    const std::wstring ta = TrimmedName(a), tb = TrimmedName(b);
    if (ta.empty() || tb.empty()) return false;
    if (ta.size() <= kShortName || tb.size() <= kShortName) return EqualsNoCase(ta, tb);
    return FoldedName(ta) == FoldedName(tb);
}

bool NamesClose(const std::wstring& a, const std::wstring& b) {
    const std::wstring ta = TrimmedName(a), tb = TrimmedName(b);
    if (ta.size() <= kShortName || tb.size() <= kShortName || NamesMatch(ta, tb)) return false;
    const std::wstring fa = FoldedName(ta), fb = FoldedName(tb);
    const std::wstring& shorter = fa.size() <= fb.size() ? fa : fb;
    const std::wstring& longer = fa.size() <= fb.size() ? fb : fa;
    if (shorter.size() <= kShortName) return false;
    if (longer.compare(0, shorter.size(), shorter) == 0) return true;
    // One character different, missing or added.
    if (longer.size() - shorter.size() > 1) return false;
    size_t i = 0;
    while (i < shorter.size() && shorter[i] == longer[i]) ++i;
    if (shorter.size() == longer.size()) return shorter.compare(i + 1, std::wstring::npos, longer, i + 1, std::wstring::npos) == 0;
    return shorter.compare(i, std::wstring::npos, longer, i + 1, std::wstring::npos) == 0;
}

std::wstring NameWithoutVersion(const std::wstring& displayName) {
    const std::wstring stripped = WithoutTrailingWords(displayName, [](const std::wstring& word) {
        return IsVersionWord(word) || InList(word, std::begin(kEditionWords), std::end(kEditionWords));
    });
    return stripped.empty() ? Trim(displayName) : stripped;
}

std::wstring NameWithoutCompanyForm(const std::wstring& publisher) {
    std::wstring text = Trim(publisher);
    // "Acme Software, Inc.": the form after a comma goes whole.
    const std::wstring stripped = WithoutTrailingWords(text, [](const std::wstring& word) {
        return InList(word, std::begin(kCompanyForms), std::end(kCompanyForms));
    });
    if (stripped.empty()) return text;
    // A publisher that is only a form and one word keeps that word ("Acme Inc" is "Acme").
    return stripped;
}

bool IsGenericLeftoverName(const std::wstring& name) {
    return IsGenericKeyName(name) || InList(Trim(name), std::begin(kGenericExtras), std::end(kGenericExtras));
}

std::wstring ComparableFolder(const std::wstring& path) {
    std::wstring text = CleanInstallLocation(path);
    std::replace(text.begin(), text.end(), L'/', L'\\');
    if (text.size() > 4 && text.compare(0, 4, L"\\\\?\\") == 0) text.erase(0, 4);
    // "C:\PROGRA~1\Vendor" is "C:\Program Files\Vendor": only such a path is looked up on disk.
    if (text.find(L'~') != std::wstring::npos) text = NormalisedPath(text);
    return ToLower(ExcludeTrailingBackslash(text));
}

Claims::Claims(const std::vector<InstalledProgram>& installed, const std::vector<std::wstring>& ownFolders,
               const std::vector<std::wstring>& places) {
    auto addFolder = [&](const std::wstring& raw) {
        const std::wstring folder = ComparableFolder(raw);
        if (!IsUsableClaimFolder(folder, places, {})) return;
        folders_.insert(folder);
        for (const std::wstring& above : AncestorsOf(folder)) holders_.insert(above);
    };
    for (const std::wstring& own : ownFolders) addFolder(own);
    std::unordered_set<std::wstring> close;
    for (const InstalledProgram& program : installed) {
        for (const std::wstring* folder : {&program.installLocation, &program.uninstallerFolder, &program.iconFolder})
            addFolder(*folder);
        const std::wstring display = NameWithoutVersion(program.displayName);
        for (const std::wstring* name : {&program.keyName, &program.displayName, &display}) {
            AddName(*name, names_, shortNames_);
            if (Trim(*name).size() > kShortName) close.insert(Trim(*name));
        }
        // The install folder's own name claims folders and keys of that name elsewhere (its
        // settings in AppData, its key), and the folder it lies in names its vendor.
        const std::wstring location = ComparableFolder(program.installLocation);
        if (IsUsableClaimFolder(location, places, {})) {
            const std::wstring leaf = ExtractFileName(ExcludeTrailingBackslash(CleanInstallLocation(program.installLocation)));
            if (!IsGenericLeftoverName(leaf)) AddName(leaf, names_, shortNames_);
            const std::wstring parent = location.substr(0, location.rfind(L'\\'));
            if (IsUsableClaimFolder(parent, places, {})) AddName(LeafName(parent), vendors_, shortVendors_);
        }
        AddName(program.publisher, vendors_, shortVendors_);
        AddName(NameWithoutCompanyForm(program.publisher), vendors_, shortVendors_);
    }
    closeNames_.assign(close.begin(), close.end());
}

Claim Claims::OfName(const std::wstring& name) const {
    if (HasName(name, names_, shortNames_)) return Claim::Is;
    if (HasName(name, vendors_, shortVendors_)) return Claim::Vendor;
    return Claim::None;
}

Claim Claims::OfFolder(const std::wstring& path, const std::wstring& name) const {
    const std::wstring comparable = ComparableFolder(path);
    if (folders_.count(comparable)) return Claim::Is;
    for (const std::wstring& above : AncestorsOf(comparable))
        if (folders_.count(above)) return Claim::Is;
    const Claim byName = OfName(name);
    if (byName == Claim::Is) return byName;
    if (holders_.count(comparable)) return Claim::Holds;
    return byName;
}

Claim Claims::OfKey(const std::wstring& name) const { return OfName(name); }

bool Claims::CloseToInstalled(const std::wstring& name) const {
    if (Trim(name).size() <= kShortName) return false;
    return std::any_of(closeNames_.begin(), closeNames_.end(), [&](const std::wstring& installed) {
        return NamesClose(name, installed);
    });
}

void ScoreLeftover(const CandidateFacts& facts, const FILETIME& now, Leftover& leftover) {
    std::vector<LeftoverReason> sure, doubts;
    int score = 40;  // unclaimed, and nothing more known
    if (facts.recorded) {
        sure.push_back(LeftoverReason::Recorded);
        score = 95;
    } else if (facts.removedVendor) {
        sure.push_back(LeftoverReason::RemovedVendor);
        score = 90;
    } else if (facts.isFolder && facts.place == LeftoverPlace::StartMenu && facts.files == 0) {
        sure.push_back(LeftoverReason::EmptyStartMenu);
        score = 85;
    }
    const auto doubt = [&](bool holds, LeftoverReason reason, int cost) {
        if (!holds) return;
        doubts.push_back(reason);
        score -= cost;
    };
    doubt(facts.installedVendor, LeftoverReason::InstalledVendor, 40);
    doubt(facts.closeToInstalled, LeftoverReason::CloseToInstalled, 35);
    doubt(facts.executables, LeftoverReason::HoldsPrograms, 35);
    doubt(facts.files > kManyFiles, LeftoverReason::ManyFiles, 25);
    doubt(IsGenericLeftoverName(facts.name), LeftoverReason::GenericName, 30);
    const ULONGLONG written = Ticks(facts.newestWrite), at = Ticks(now);
    doubt(written != 0 && written + kRecentTicks > at, LeftoverReason::RecentlyWritten, 30);

    leftover.score = std::clamp(score, 0, 100);
    leftover.checked = leftover.score >= kCheckedScore;
    leftover.reasons.clear();
    // The deciding reason first: the sure one when it holds, else the doubt that outweighs it.
    if (leftover.checked) {
        leftover.reasons = sure;
    } else {
        leftover.reasons = doubts;
        leftover.reasons.insert(leftover.reasons.end(), sure.begin(), sure.end());
        if (leftover.reasons.empty()) leftover.reasons.push_back(LeftoverReason::Unclaimed);
    }
}

std::vector<Leftover> FindLeftovers(const LeftoverSearch& search, const ScanProgress& progress) {
    return Finder(search, progress).Run();
}

namespace {

std::wstring KnownFolderPath(REFKNOWNFOLDERID id) {
    UniqueCoTaskMem<wchar_t> path;
    if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DONT_VERIFY, nullptr, path.put())) && path) return path.get();
    return L"";
}

const std::vector<std::wstring> kProgramFilesOwn = {
    L"Common Files", L"Internet Explorer", L"ModifiableWindowsApps", L"Windows Defender",
    L"Windows Defender Advanced Threat Protection", L"Windows Mail", L"Windows Media Player",
    L"Windows Multimedia Platform", L"Windows NT", L"Windows Photo Viewer", L"Windows Portable Devices",
    L"Windows Security", L"Windows Sidebar", L"WindowsApps", L"WindowsPowerShell", L"Microsoft Update Health Tools",
    L"MSBuild", L"Reference Assemblies", L"Uninstall Information", L"Microsoft.NET"};
const std::vector<std::wstring> kProgramDataOwn = {
    L"Microsoft", L"Packages", L"Package Cache", L"regid.1991-06.com.microsoft", L"ssh", L"USOPrivate", L"USOShared",
    L"Application Data", L"Desktop", L"Documents", L"Start Menu", L"Templates", L"Favorites", L"Comms"};
const std::vector<std::wstring> kAppDataOwn = {
    L"Microsoft", L"Packages", L"Temp", L"ConnectedDevicesPlatform", L"D3DSCache", L"PlaceholderTileLogoFolder",
    L"Publishers", L"VirtualStore", L"Comms", L"CrashDumps", L"History", L"Temporary Internet Files",
    L"Application Data", L"Programs", L"Wine"};
const std::vector<std::wstring> kStartMenuOwn = {
    L"Accessibility", L"Accessories", L"Administrative Tools", L"Maintenance", L"Startup", L"System Tools",
    L"Windows PowerShell", L"Windows Accessories", L"Windows Administrative Tools", L"Windows Ease of Access",
    L"Windows System", L"Windows Tools", L"Wine"};
const std::vector<std::wstring> kUserProgramsOwn = {L"Common"};
// Below SOFTWARE: the shared names (a remains scan never offers them either), Windows' own and
// what Wine writes into a fresh prefix.
const std::vector<std::wstring> kSoftwareOwn = {
    L"Microsoft", L"Classes", L"Policies", L"Wow6432Node", L"Clients", L"RegisteredApplications",
    L"Registered Applications", L"Windows", L"ODBC", L"OEM", L"Partner", L"Setup", L"DefaultUserEnvironment",
    L"OpenSSH", L"Intel", L"Khronos", L"Wine", L"Borland\\Database Engine", L"AppDataLow"};

}  // namespace

LeftoverSearch MachineLeftoverPlaces() {
    LeftoverSearch search;
    auto addFolder = [&](const std::wstring& path, LeftoverPlace kind, const std::vector<std::wstring>& own) {
        if (path.empty()) return;
        const std::wstring comparable = ComparableFolder(path);
        for (const FolderPlace& place : search.folders)
            if (ComparableFolder(place.path) == comparable) return;  // one folder on a 32-bit system
        search.folders.push_back({ExcludeTrailingBackslash(path), kind, own});
    };
    addFolder(KnownFolderPath(FOLDERID_ProgramFilesX64), LeftoverPlace::ProgramFiles, kProgramFilesOwn);
    addFolder(KnownFolderPath(FOLDERID_ProgramFiles), LeftoverPlace::ProgramFiles, kProgramFilesOwn);
    addFolder(KnownFolderPath(FOLDERID_ProgramFilesX86), LeftoverPlace::ProgramFiles, kProgramFilesOwn);
    addFolder(KnownFolderPath(FOLDERID_ProgramData), LeftoverPlace::ProgramData, kProgramDataOwn);
    const std::wstring local = KnownFolderPath(FOLDERID_LocalAppData);
    addFolder(KnownFolderPath(FOLDERID_RoamingAppData), LeftoverPlace::AppData, kAppDataOwn);
    addFolder(local, LeftoverPlace::AppData, kAppDataOwn);
    // Wine 8 has no per-user programs folder among its known folders; Windows keeps it there too.
    std::wstring userPrograms = KnownFolderPath(FOLDERID_UserProgramFiles);
    if (userPrograms.empty() && !local.empty()) userPrograms = IncludeTrailingBackslash(local) + L"Programs";
    addFolder(userPrograms, LeftoverPlace::ProgramFiles, kUserProgramsOwn);
    addFolder(KnownFolderPath(FOLDERID_Programs), LeftoverPlace::StartMenu, kStartMenuOwn);
    addFolder(KnownFolderPath(FOLDERID_CommonPrograms), LeftoverPlace::StartMenu, kStartMenuOwn);

    for (const auto& [root, path] : {std::pair{HKEY_LOCAL_MACHINE, L"SOFTWARE"},
                                      std::pair{HKEY_LOCAL_MACHINE, L"SOFTWARE\\WOW6432Node"},
                                      std::pair{HKEY_CURRENT_USER, L"SOFTWARE"}}) {
        KeyPlace place;
        place.key.root = root;
        place.key.path = path;
        place.systemNames = kSoftwareOwn;
        search.keys.push_back(std::move(place));
    }

    for (REFKNOWNFOLDERID id :
         {FOLDERID_Documents, FOLDERID_Desktop, FOLDERID_Downloads, FOLDERID_Pictures, FOLDERID_Music, FOLDERID_Videos,
          FOLDERID_Windows, FOLDERID_System, FOLDERID_SystemX86, FOLDERID_Startup, FOLDERID_CommonStartup,
          FOLDERID_AdminTools, FOLDERID_CommonAdminTools, FOLDERID_Templates, FOLDERID_CommonTemplates,
          FOLDERID_Favorites, FOLDERID_SendTo, FOLDERID_Recent, FOLDERID_SavedGames, FOLDERID_Links,
          FOLDERID_Contacts, FOLDERID_SavedSearches, FOLDERID_PublicDocuments, FOLDERID_PublicDesktop,
          FOLDERID_PublicDownloads, FOLDERID_PublicPictures, FOLDERID_PublicMusic, FOLDERID_PublicVideos,
          FOLDERID_ProgramFilesCommon, FOLDERID_ProgramFilesCommonX86, FOLDERID_ProgramFilesCommonX64,
          FOLDERID_UserProgramFilesCommon, FOLDERID_CDBurning, FOLDERID_NetHood, FOLDERID_PrintHood,
          FOLDERID_Cookies, FOLDERID_History, FOLDERID_InternetCache})
        if (std::wstring path = KnownFolderPath(id); !path.empty()) search.neverOffered.push_back(path);
    if (const std::wstring temp = TempDirectory(); !temp.empty()) search.neverOffered.push_back(temp);
    GetSystemTimeAsFileTime(&search.now);
    return search;
}

std::vector<LeftoverGroup> GroupLeftovers(const std::vector<Leftover>& leftovers) {
    std::vector<LeftoverGroup> groups;
    std::unordered_map<std::wstring, size_t> byName;
    std::vector<std::wstring> names, vendors;
    for (size_t i = 0; i < leftovers.size(); ++i) {
        const Leftover& leftover = leftovers[i];
        const std::wstring name = leftover.program.empty() ? leftover.name : leftover.program;
        const std::wstring key = FoldedName(name);
        auto [at, added] = byName.emplace(key, groups.size());
        if (added) {
            groups.push_back({});
            names.push_back(name);
            vendors.emplace_back();
        }
        groups[at->second].members.push_back(i);
        if (vendors[at->second].empty() && !leftover.vendor.empty() && !NamesMatch(leftover.vendor, name))
            vendors[at->second] = leftover.vendor;
    }
    for (size_t g = 0; g < groups.size(); ++g)
        groups[g].label = vendors[g].empty() ? names[g] : names[g] + L" (" + vendors[g] + L")";
    return groups;
}

void LeftoverTrees(const std::vector<Leftover>& leftovers, const LeftoverReasonText& reasonText,
                   std::vector<ScanNode>& keys, std::vector<ScanNode>& files) {
    for (const LeftoverGroup& group : GroupLeftovers(leftovers)) {
        ScanNode keyGroup, fileGroup;
        keyGroup.text = fileGroup.text = group.label;
        for (size_t index : group.members) {
            const Leftover& leftover = leftovers[index];
            ScanNode node = FindingNode(leftover.target);
            node.state = leftover.checked ? kChecked : kUnchecked;
            if (reasonText) node.reasonText = reasonText(leftover);
            (leftover.target.kind == FindingTarget::Kind::Key ? keyGroup : fileGroup).children.push_back(std::move(node));
        }
        for (auto [group, into] : {std::pair{&keyGroup, &keys}, std::pair{&fileGroup, &files}}) {
            if (group->children.empty()) continue;
            group->state = RolledUpState(group->children);
            into->push_back(std::move(*group));
        }
    }
}

std::vector<ScanNode> UngroupedNodes(const std::vector<ScanNode>& grouped) {
    std::vector<ScanNode> flat;
    for (const ScanNode& top : grouped) {
        if (top.target.kind != FindingTarget::Kind::None) {
            flat.push_back(top);
            continue;
        }
        flat.insert(flat.end(), top.children.begin(), top.children.end());
    }
    return flat;
}

void RegroupNodes(std::vector<ScanNode>& grouped, std::vector<ScanNode> flat) {
    std::vector<ScanNode> groups;
    std::unordered_map<std::wstring, size_t> groupOf;
    for (ScanNode& top : grouped) {
        if (top.target.kind != FindingTarget::Kind::None) continue;  // a finding: it is in `flat`
        for (const ScanNode& child : top.children) groupOf.emplace(FoldCase(child.text), groups.size());
        top.children.clear();
        groups.push_back(std::move(top));
    }
    std::vector<ScanNode> loose;
    for (ScanNode& node : flat) {
        const auto at = groupOf.find(FoldCase(node.text));
        if (at == groupOf.end())
            loose.push_back(std::move(node));
        else
            groups[at->second].children.push_back(std::move(node));
    }
    grouped.clear();
    for (ScanNode& group : groups) {
        if (group.children.empty()) continue;
        group.state = RolledUpState(group.children);
        grouped.push_back(std::move(group));
    }
    grouped.insert(grouped.end(), std::make_move_iterator(loose.begin()), std::make_move_iterator(loose.end()));
}

}  // namespace purgeon::remains
