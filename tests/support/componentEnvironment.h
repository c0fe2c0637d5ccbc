#pragma once
// Loads Doffkit.dll from beside the test program and registers it, once for the whole run;
// and uninstall entries made for one test and removed after it.
#include <gtest/gtest.h>

#include "catalogue/DoffkitLib_TLB.h"
#include "common/handles.h"
#include "tests/support/testSupport.h"

namespace purgeon::test {

class ComponentEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        module_.reset(LoadLibraryW((BinDir() + kDoffkitDllName).c_str()));
        ASSERT_TRUE(module_) << "Doffkit.dll not beside the test";
        using Register = HRESULT(STDAPICALLTYPE*)();
        auto doRegister =
            reinterpret_cast<Register>(reinterpret_cast<void*>(GetProcAddress(module_.get(), "DllRegisterServer")));
        ASSERT_TRUE(doRegister);
        ASSERT_EQ(S_OK, doRegister());
    }

private:
    UniqueModule module_;
};

inline constexpr wchar_t kUninstallKeyPath[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// An entry under the machine's Uninstall key (64-bit view), removed with everything in it.
class SeededKey {
public:
    explicit SeededKey(std::wstring name) : name_(std::move(name)) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, path().c_str());
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path().c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, key_.put(), nullptr));
    }
    ~SeededKey() {
        key_.reset();
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, path().c_str());
    }
    SeededKey(const SeededKey&) = delete;
    SeededKey& operator=(const SeededKey&) = delete;
    const std::wstring& name() const { return name_; }
    // The entry's key path, as the catalogue names it.
    std::wstring keyPath() const {
        return L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name_;
    }
    SeededKey& Text(const wchar_t* value, const std::wstring& text) {
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key_.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))));
        return *this;
    }
    SeededKey& Dword(const wchar_t* value, DWORD number) {
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key_.get(), value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                                sizeof number));
        return *this;
    }

private:
    std::wstring path() const { return kUninstallKeyPath + name_; }
    std::wstring name_;
    UniqueHKey key_;
};

}  // namespace purgeon::test
