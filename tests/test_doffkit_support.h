#pragma once
// Shared by the catalogue component's tests: the component loaded from bin\ and registered
// once per run, and scratch entries under the real Uninstall key of the test prefix.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Doffkit_h.h"
#include "common/funUtils.h"
#include "common/handles.h"

namespace doffkit_test {

using namespace purgeon;

inline constexpr wchar_t kUninstall[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The component as the program loads it; registered before the first test.
HMODULE Component();
std::wstring ComponentPath();

// A per-test apartment, as the program uses the component.
class ComTest : public ::testing::Test {
protected:
    ComApartment apartment_;
};

ComPtr<IProgramList> CreateList();

// The three Uninstall keys the component lists, in its order.
enum class Source { Machine, Machine32, User };

// Uninstall\<name> of a source created empty (any older copy wiped) and deleted with its
// subkeys at the end.
class SeededKey {
public:
    explicit SeededKey(std::wstring name, Source source = Source::Machine);
    ~SeededKey();
    SeededKey(const SeededKey&) = delete;
    SeededKey& operator=(const SeededKey&) = delete;
    const std::wstring& name() const { return name_; }
    HKEY key() const { return key_.get(); }

    SeededKey& Raw(const wchar_t* name, DWORD type, const void* data, size_t size);
    SeededKey& Text(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ);
    SeededKey& Dword(const wchar_t* name, DWORD number) { return Raw(name, REG_DWORD, &number, sizeof number); }
    // Replaces the key's access list (SDDL); the original is put back before deletion.
    bool Protect(const wchar_t* sddl);

private:
    std::wstring name_;
    HKEY root_;
    REGSAM view_;
    UniqueHKey key_;
    bool protected_ = false;
};

// The entry of a key name, by walking the list; null when it is not listed.
ComPtr<IProgramEntry> FindEntry(IProgramList* list, const std::wstring& keyName, long* index = nullptr);

template <typename Object>
std::wstring Read(Object* object, HRESULT (STDMETHODCALLTYPE Object::*getter)(BSTR*)) {
    UniqueBstr text;
    EXPECT_EQ(S_OK, (object->*getter)(text.put()));
    return text.str();
}
template <typename Object>
std::wstring ReadAt(Object* object, HRESULT (STDMETHODCALLTYPE Object::*getter)(LONG, BSTR*), long index) {
    UniqueBstr text;
    EXPECT_EQ(S_OK, (object->*getter)(index, text.put()));
    return text.str();
}

// Name/data rows as GetValueName/GetValueData report them.
std::vector<std::pair<std::wstring, std::wstring>> ValueRows(IProgramEntry* entry);

// A name no earlier run left behind.
std::wstring UniqueName(const std::wstring& label);

// Shell_GetCachedImageIndexW as Wine exports it (ordinal 72 only).
int CachedImageIndex(const std::wstring& path, int index);

}  // namespace doffkit_test
