#pragma once
// Sample programs for batch uninstalls: each one's own uninstaller is its quiet form, named by its
// entry's QuietUninstallString, while its UninstallString asks first, as real ones do.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/testSupport.h"
#include "tools/samples/sampleCatalog.h"

namespace purgeon::test {

inline void SetEntryText(const std::wstring& keyName, const wchar_t* value, const std::wstring& text) {
    UniqueHKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, samples::UninstallKeyPath(keyName).c_str(), 0,
                      KEY_SET_VALUE | KEY_WOW64_64KEY, key.put()) != ERROR_SUCCESS) {
        ADD_FAILURE() << "no entry to write into: " << ToUtf8(keyName);
        return;
    }
    RegSetValueExW(key.get(), value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

// Its publisher is its own, so the batch's rules let it run beside the others.
inline samples::InstalledSample QuietSample(const wchar_t* name, samples::UninstallBehaviour behaviour, DWORD exitCode) {
    samples::SampleSpec spec;
    spec.name = name;
    spec.publisher = std::wstring(name) + L" Works";
    spec.behaviour = behaviour;
    spec.exitCode = exitCode;
    samples::InstalledSample sample = samples::InstallSample(spec, BinDir());
    SetEntryText(sample.keyName, L"QuietUninstallString", sample.uninstallString);
    SetEntryText(sample.keyName, L"UninstallString", L"\"" + sample.uninstallerPath + L"\" /asks-first");
    return sample;
}

inline bool EntryExists(const std::wstring& keyName) {
    UniqueHKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, samples::UninstallKeyPath(keyName).c_str(), 0, KEY_READ | KEY_WOW64_64KEY,
                         key.put()) == ERROR_SUCCESS;
}

}  // namespace purgeon::test
