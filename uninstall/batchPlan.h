#pragma once
// Which programs of a batch may start now, from what runs already: the rules that keep
// uninstallers from tripping over each other. Plain data in and out, so every rule has a test.
#include <cstddef>
#include <string>
#include <vector>

namespace purgeon::uninstall {

struct BatchItem {
    std::wstring installLocation;
    std::wstring publisher;
    bool windowsInstaller = false;  // a Windows Installer job: the installer service runs one at a time
    bool quiet = false;             // runs its quiet form; else its own window asks the user
};

// How many uninstallers run side by side at most (an interactive one takes a place too).
inline constexpr size_t kSideBySide = 2;

// The waiting items (positions in `items`, in queue order) that may start now beside the running
// ones, in the order to start them. An item held back by a rule does not hold back those after it.
//   - one Windows Installer job at a time;
//   - never two at once whose install folders nest, or whose publisher is the same;
//   - at most one interactive uninstaller at a time;
//   - at most `sideBySide` running in all.
std::vector<size_t> StartableNow(const std::vector<BatchItem>& items, const std::vector<size_t>& waiting,
                                 const std::vector<size_t>& running, size_t sideBySide = kSideBySide);

// True when one folder is the other or lies inside it, after folding case, quotes and slashes.
// An empty location nests with nothing.
bool FoldersNest(const std::wstring& a, const std::wstring& b);
// The same publisher after folding case and blanks; an empty one is nobody's.
bool SamePublisher(const std::wstring& a, const std::wstring& b);

}  // namespace purgeon::uninstall
