#pragma once
// Installed programs: the subkeys of the machine-wide Uninstall key and one COM entry per
// program that reads its values on demand.
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

// --- what one refresh shares with the entries it hands out -------------------------
class CatalogContext {
public:
    CatalogContext();
    HKEY Uninstall() const { return uninstall_.get(); }
    IconIndexCache& Icons() { return icons_; }
    // The per-user comment kept for a key that could not be written.
    std::optional<std::wstring> StoredComment(const std::wstring& keyName);
    HRESULT StoreComment(const std::wstring& keyName, const std::wstring& comment);
    void ForgetStoredComment(const std::wstring& keyName);

private:
    HKEY CommentStore();

    purgeon::UniqueHKey uninstall_;
    IconIndexCache icons_;
    purgeon::UniqueHKey commentStore_;
    bool commentStoreOpened_ = false;
};

// Subkey names of the Uninstall key in registry order; empty when it is missing.
std::vector<std::wstring> EnumerateProgramKeys(HKEY uninstall);

class ProgramEntry final : public DualObject<IProgramEntry, &IID_IProgramEntry> {
public:
    ProgramEntry(std::shared_ptr<CatalogContext> context, std::wstring keyName);

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
        kUrlUpdateInfo, kFieldCount
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

    std::shared_ptr<CatalogContext> context_;
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
