#include "uninstall/batchPlan.h"

#include <algorithm>
#include <cwctype>

#include "common/funUtils.h"

namespace purgeon::uninstall {

namespace {

// Upper case, forward slashes as backslashes, no quotes or blanks at the ends, one trailing
// backslash: "C:\App" and "\"c:/app/\"" compare equal, and "C:\App2" does not lie in "C:\App".
std::wstring FolderKey(const std::wstring& location) {
    std::wstring text = Trim(location);
    if (!text.empty() && text.front() == L'"') text.erase(0, 1);
    if (!text.empty() && text.back() == L'"') text.pop_back();
    text = Trim(text);
    if (text.empty()) return text;
    for (wchar_t& c : text) c = c == L'/' ? L'\\' : static_cast<wchar_t>(std::towupper(c));
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    return text + L'\\';
}

std::wstring PublisherKey(const std::wstring& publisher) {
    std::wstring key;
    for (wchar_t c : publisher)
        if (!std::iswspace(c)) key += static_cast<wchar_t>(std::towupper(c));
    return key;
}

bool Clash(const BatchItem& a, const BatchItem& b) {
    return (a.windowsInstaller && b.windowsInstaller) || (!a.quiet && !b.quiet) ||
           FoldersNest(a.installLocation, b.installLocation) || SamePublisher(a.publisher, b.publisher);
}

}  // namespace

bool FoldersNest(const std::wstring& a, const std::wstring& b) {
    const std::wstring x = FolderKey(a), y = FolderKey(b);
    if (x.empty() || y.empty()) return false;
    return x.size() <= y.size() ? y.compare(0, x.size(), x) == 0 : x.compare(0, y.size(), y) == 0;
}

bool SamePublisher(const std::wstring& a, const std::wstring& b) {
    const std::wstring x = PublisherKey(a);
    return !x.empty() && x == PublisherKey(b);
}

std::vector<size_t> StartableNow(const std::vector<BatchItem>& items, const std::vector<size_t>& waiting,
                                 const std::vector<size_t>& running, size_t sideBySide) {
    std::vector<size_t> busy = running, start;
    for (size_t candidate : waiting) {
        if (busy.size() >= sideBySide) break;
        const bool clashes = std::any_of(busy.begin(), busy.end(),
                                         [&](size_t other) { return Clash(items[candidate], items[other]); });
        if (clashes) continue;
        busy.push_back(candidate);
        start.push_back(candidate);
    }
    return start;
}

}  // namespace purgeon::uninstall
