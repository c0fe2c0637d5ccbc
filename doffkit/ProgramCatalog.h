#pragma once
// Installed programs: the subkeys of the three Uninstall keys Windows lists programs from, and
// one COM entry per program, its values read ahead by a refresh or else on demand.
#include <windows.h>

#include <array>
#include <bitset>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Doffkit_h.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "common/registryKeys.h"
#include "doffkit/DualObject.h"
#include "doffkit/IconIndex.h"

namespace doffkit {

inline constexpr wchar_t kCommentStoreKey[] = L"Software\\Purgeon\\Comments";

// --- rules on plain text -------------------------------------------------------------
struct IconLocation {
    std::wstring path;
    int index = 0;
};
// "path", "path,N", "\"path\",N"; N may be negative (a resource id).
IconLocation ParseIconLocation(std::wstring_view text);
// "KB" and at least four digits at the start of the name, after an optional "{".
bool IsPatchKeyName(std::wstring_view keyName);
bool IsPatchReleaseType(std::wstring_view releaseType);
// "{" + 8-4-4-4-12 hexadecimal digits + "}": how Windows Installer names a product's key.
bool IsProductCode(std::wstring_view keyName);
// The command Windows' own program list runs for an entry: a Windows Installer product
// (WindowsInstaller = 1, key named by its product code) is removed with "MsiExec.exe /X{code}"
// whatever its UninstallString says (often "/I", which only opens the maintenance dialog);
// otherwise UninstallString, with environment variables expanded.
std::wstring UninstallCommandOf(const std::optional<purgeon::RegValue>& uninstallString, bool windowsInstaller,
                                const std::wstring& keyName);

// --- where entries come from ----------------------------------------------------------
// The three Uninstall keys and their order are the program's shared registry facts.
using purgeon::ProgramSource;

struct EntryName {
    ProgramSource source;
    std::wstring keyName;
};

// --- what one refresh shares with the entries it hands out -------------------------
class CatalogContext {
public:
    CatalogContext();
    // The Uninstall key of a source, opened for reading; null when it is missing.
    HKEY Uninstall(ProgramSource source) const { return uninstall_[static_cast<long>(source)].get(); }
    IconIndexCache& Icons() { return icons_; }
    // The user's comment on an entry, kept per user under kCommentStoreKey.
    std::optional<std::wstring> StoredComment(const std::wstring& keyName);
    HRESULT StoreComment(const std::wstring& keyName, const std::wstring& comment);

private:
    HKEY CommentStore();

    std::array<purgeon::UniqueHKey, purgeon::kProgramSourceCount> uninstall_;
    IconIndexCache icons_;
    purgeon::UniqueHKey commentStore_;
    bool commentStoreOpened_ = false;
};

// Subkey names of an Uninstall key in registry order; empty when it is missing.
std::vector<std::wstring> EnumerateProgramKeys(HKEY uninstall);
// Every entry of the three sources, source by source, each in registry order.
std::vector<EntryName> EnumerateEntries(const CatalogContext& context);
// The entry a key path names ("HKEY_CURRENT_USER\\Software\\...\\Uninstall\\Name", the
// root and the path in any letter case); nothing for a path outside the three Uninstall keys.
std::optional<EntryName> EntryOfKeyPath(std::wstring_view keyPath);
// Whether the entry's key is there now.
bool EntryExists(const EntryName& name);

class ProgramEntry final : public DualObject<IProgramEntry, &IID_IProgramEntry> {
public:
    enum Field {
        kDisplayName, kUninstallString, kPublisher, kInstallLocation, kDisplayIcon, kParentKeyName,
        kReleaseType, kEstimatedSize, kInstallDate, kDisplayVersion, kHelpLink, kUrlInfoAbout,
        kUrlUpdateInfo, kWindowsInstaller, kFieldCount
    };
    // What an entry has read of its key: every value of a small key, else the fields asked for.
    struct KeyValues {
        std::array<std::optional<purgeon::RegValue>, kFieldCount> fields;
        std::bitset<kFieldCount> read;
        std::optional<std::vector<purgeon::RegValue>> whole;
    };
    // Every entry's key read at once, on a few threads: one reader alone spends most of its time
    // waiting for each reply. Nothing for an entry whose key cannot be opened (it reads as empty
    // values when asked, as before).
    static std::vector<std::optional<KeyValues>> ReadAhead(const CatalogContext& context,
                                                           const std::vector<EntryName>& entries);

    // `readAhead`, when given, is what ReadAhead read of this entry's key.
    ProgramEntry(std::shared_ptr<CatalogContext> context, EntryName name,
                 std::optional<KeyValues> readAhead = std::nullopt);

    // IProgramEntry2 is answered by a small companion object that shares this entry.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    std::wstring KeyPath() const;
    ProgramSource Source() const { return source_; }
    std::wstring UninstallCommand();
    // "EstimatedSize" in bytes; 0 when absent or not a REG_DWORD.
    ULONGLONG SizeBytes();

    HRESULT STDMETHODCALLTYPE GetDisplayName(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetUninstallString(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetKeyName(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE LoadKey(BSTR keyName) override;
    HRESULT STDMETHODCALLTYPE GetKind(long* value) override;
    HRESULT STDMETHODCALLTYPE GetPublisher(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetInstallLocation(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetIconIndex(long* value) override;
    HRESULT STDMETHODCALLTYPE GetUsedFrequency(unsigned long* value) override;
    HRESULT STDMETHODCALLTYPE GetLastUsed(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetSize(float* value) override;
    HRESULT STDMETHODCALLTYPE GetInstallDate(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetVersion(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetHelpLink(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetAboutLink(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetUpdateLink(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetValueCount(long* value) override;
    HRESULT STDMETHODCALLTYPE GetValueName(long index, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE GetValueData(long index, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE SetComment(BSTR comment) override;

private:
    static const wchar_t* const kFieldNames[kFieldCount];

    // The fields picked out of every value of a key.
    static KeyValues WholeKey(std::vector<purgeon::RegValue> values);
    static std::optional<purgeon::RegValue> QueryField(HKEY key, Field field);
    // One entry's key as ReadAhead reads it: a small key whole, a larger one field by field.
    static std::optional<KeyValues> ReadKeyAhead(const CatalogContext& context, const EntryName& entry);
    HKEY Key();
    const std::optional<purgeon::RegValue>& Value(Field field);
    std::wstring Text(Field field);
    HRESULT TextOut(Field field, BSTR* value);
    long ComputeIconIndex();
    const std::vector<purgeon::RegValue>& Rows();
    void Retarget(std::wstring keyName);

    // Where the per-user comment store keeps this entry's comment.
    std::wstring CommentName() const;

    std::shared_ptr<CatalogContext> context_;
    ProgramSource source_;
    std::wstring keyName_;
    purgeon::UniqueHKey key_;
    bool keyOpened_ = false;
    KeyValues values_;
    std::optional<std::vector<purgeon::RegValue>> rows_;
    std::optional<long> iconIndex_;
};

// Text handed over as a new BSTR.
HRESULT ReturnText(const std::wstring& text, BSTR* out);

}  // namespace doffkit
