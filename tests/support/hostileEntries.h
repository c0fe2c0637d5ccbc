#pragma once
// A seeded set of uninstall entries written as a broken or hostile installer might write them,
// beside two sound ones, with the icon files they name and a Run value of the same kind: strings
// without their terminating NUL or of an odd length, names stored as binary or as numbers, values
// of megabytes, numbers stored as text, dates that are none, icons that are empty or garbage (one
// .ico claiming 65,535 images past its end), ten thousand values, subkeys 150 deep, key names
// with tabs, control characters or 255 characters. Everything is removed at destruction.
#include <windows.h>

#include <string>
#include <vector>

namespace purgeon::test {

struct SoundEntry {
    std::wstring keyName, displayName, publisher, installLocation, uninstallString;
};

class HostileEntries {
public:
    HostileEntries();
    ~HostileEntries();
    HostileEntries(const HostileEntries&) = delete;
    HostileEntries& operator=(const HostileEntries&) = delete;

    // Every key seeded under the machine's Uninstall key, sound ones included.
    const std::vector<std::wstring>& keyNames() const { return keyNames_; }
    // The sound entries, as they must be shown.
    const std::vector<SoundEntry>& sound() const { return sound_; }
    // The folder holding the icon files the entries name.
    const std::wstring& folder() const { return folder_; }
    // The key of the entry whose icon file claims 65,535 images and whose size is 0xFFFFFFFF KB,
    // and of the one of 123,456,789 KB.
    static constexpr const wchar_t* kEvilIconKey = L"PurgeonHostileEvilIcon";
    static constexpr const wchar_t* kOddSizeKey = L"PurgeonHostileOddSize";
    // An entry whose key and display name hold what a JSON text must escape: quotes, backslashes,
    // control characters, a character beyond the BMP and a lone surrogate.
    static constexpr const wchar_t* kJsonKey = L"PurgeonHostileJson\"Quote\"";
    static constexpr const wchar_t* kJsonDisplayName =
        L"Quote \" back \\ slash / tab\t nl\n bell\x07 esc\x1b del\x7f smile \U0001F600 lone \xD800 end";
    // The name of the sound Run value seeded beside the hostile ones in the user's Run key.
    static constexpr const wchar_t* kSoundRunName = L"PurgeonHostileSoundRun";

private:
    std::vector<std::wstring> keyNames_;
    std::vector<SoundEntry> sound_;
    std::vector<std::wstring> runNames_;
    std::wstring folder_;
};

}  // namespace purgeon::test
