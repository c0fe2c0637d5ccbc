#pragma once
// Installed programs: the subkeys of the three Uninstall keys Windows lists programs from, and
// one COM entry per program that reads its values on demand.
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
#include "doffkit/DualObject.h"
#include "doffkit/IconIndex.h"

namespace doffkit {

inline constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
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
enum class EntrySource : long { Machine = 0, Machine32 = 1, User = 2 };
struct SourceKey {
    HKEY root;
    REGSAM view;
    const wchar_t* pathName;  // the Uninstall key as the registry editor names it
};
// In listing order: the machine's 64-bit key, its 32-bit view, the current user's key.
inline constexpr size_t kSourceCount = 3;
inline const SourceKey kSources[kSourceCount] = {
    {HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY,
     L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY,
     L"HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {HKEY_CURRENT_USER, 0, L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
};
inline const SourceKey& SourceOf(EntrySource source) { return kSources[static_cast<long>(source)]; }

struct EntryName {
    EntrySource source;
    std::wstring keyName;
};

// --- what one refresh shares with the entries it hands out -------------------------
class CatalogContext {
public:
    CatalogContext();
    // The Uninstall key of a source, opened for reading; null when it is missing.
    HKEY Uninstall(EntrySource source) const { return uninstall_[static_cast<long>(source)].get(); }
    IconIndexCache& Icons() { return icons_; }
    // The user's comment on an entry, kept per user under kCommentStoreKey.
    std::optional<std::wstring> StoredComment(const std::wstring& keyName);
    HRESULT StoreComment(const std::wstring& keyName, const std::wstring& comment);

private:
    HKEY CommentStore();

    std::array<purgeon::UniqueHKey, kSourceCount> uninstall_;
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
    ProgramEntry(std::shared_ptr<CatalogContext> context, EntryName name);

    // IProgramEntry2 is answered by a small companion object that shares this entry.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    std::wstring KeyPath() const;
    EntrySource Source() const { return source_; }
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
    enum Field {
        kDisplayName, kUninstallString, kPublisher, kInstallLocation, kDisplayIcon, kParentKeyName,
        kReleaseType, kEstimatedSize, kInstallDate, kDisplayVersion, kHelpLink, kUrlInfoAbout,
        kUrlUpdateInfo, kWindowsInstaller, kFieldCount
    };
    static const wchar_t* const kFieldNames[kFieldCount];

    HKEY Key();
    void ReadSmallKeyWhole(HKEY key);
    const std::optional<purgeon::RegValue>& Value(Field field);
    std::wstring Text(Field field);
    HRESULT TextOut(Field field, BSTR* value);
    long ComputeIconIndex();
    const std::vector<purgeon::RegValue>& Rows();
    void Retarget(std::wstring keyName);

    // Where the per-user comment store keeps this entry's comment.
    std::wstring CommentName() const;

    std::shared_ptr<CatalogContext> context_;
    EntrySource source_;
    std::wstring keyName_;
    purgeon::UniqueHKey key_;
    bool keyOpened_ = false;
    std::array<std::optional<purgeon::RegValue>, kFieldCount> values_;
    std::bitset<kFieldCount> read_;
    std::optional<std::vector<purgeon::RegValue>> whole_;  // every value, when the key is small
    std::optional<std::vector<purgeon::RegValue>> rows_;
    std::optional<long> iconIndex_;
};

// Text handed over as a new BSTR.
HRESULT ReturnText(const std::wstring& text, BSTR* out);

}  // namespace doffkit
