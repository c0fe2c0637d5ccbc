#pragma once
// Which findings of a remains scan are checked before the user looks: only what surely belongs to
// the program. Everything found is still listed; the rest is unchecked, with the reason.
#include <string>
#include <vector>

#include "remains/remainsScan.h"

namespace purgeon::remains {

// Who a remains scan is for: the program's terms as they were when its uninstall began, and what
// tells its keys and folders from other programs'.
struct ScanRequest {
    std::wstring keyName;
    std::wstring installLocation;
    std::wstring uninstallKeyPath;  // its entry's full path; empty when not known
    std::wstring publisher;
    std::vector<std::wstring> otherInstallLocations;  // of every other program listed
    bool checkNothing = false;      // the program is still installed: list, but check nothing
};

// A key name so short or so common that a match proves nothing: three characters or fewer,
// digits only, or a word many programs use (Settings, Options, Default, Data, Config, ...).
bool IsGenericKeyName(const std::wstring& name);

// Checked by default: the program's uninstall key; a match directly below a SOFTWARE root (the
// user's, the machine's, the machine's 32-bit view); a match directly below a vendor key named
// like the publisher or like the parent folder of the install location; a match of the
// installer's product keys. For a generic key name only the uninstall key, and inside Windows'
// own subtree (SOFTWARE\Microsoft\Windows) only the uninstall key, whatever the name. Values
// take their key's mark.
void SetDefaultKeyMarks(std::vector<ScanNode>& keys, const ScanRequest& request);

// Every folder or file that is another listed program's install folder or lies inside one is
// unchecked with all below it; a folder that holds one is never checked itself, so it stays,
// with the other program in it. Folders show what their children show.
void SetDefaultFileMarks(ScanNode& installFolder, const ScanRequest& request);

// The registry and file findings for a program, walked and marked.
struct ScanFindings {
    std::vector<ScanNode> keys;
    std::vector<ScanNode> files;  // the install folder's tree, or nothing
};
ScanFindings ScanRemains(const ScanRequest& request, const ScanProgress& progress = {});

}  // namespace purgeon::remains
