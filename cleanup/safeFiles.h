#pragma once
// File operations that never act through a link. Under Wine the file functions act on what a link
// points to (a move or a delete of the link moves or deletes its target), and nothing in a link to
// a file marks it as one; what does see through links is the final path of an opened handle. So
// every item is opened first, its final path compared with the place it must be, and then moved
// or deleted through that same handle, which leaves no moment for the place to change.
#include <windows.h>

#include <optional>
#include <string>

#include "cleanup/itemOutcome.h"
#include "common/handles.h"

namespace purgeon::cleanup {

// Full, without "." and ".." parts, forward slashes or a trailing backslash ("C:\" keeps its own).
std::wstring FullPathOf(const std::wstring& path);
// "C:\x" as "\\?\C:\x", "\\server\share" as "\\?\UNC\server\share": the file functions then take
// the text as it stands, with no length limit. Other texts are returned unchanged.
std::wstring ExtendedPath(const std::wstring& fullPath);
// The other way: "\\?\C:\x" as "C:\x", "\\?\UNC\server\share" as "\\server\share".
std::wstring PlainPath(const std::wstring& path);
// Case-insensitive equality of two paths in plain form.
bool SamePath(const std::wstring& a, const std::wstring& b);
// `full` relative to `folder` ("C:\App\x\y" in "C:\App" gives "x\y", the folder itself ""); nothing
// when it does not lie inside. Both full paths.
std::optional<std::wstring> RelativeInside(const std::wstring& full, const std::wstring& folder);

// The place the file system reaches at `path` (links resolved), in plain form; nothing when it
// cannot be opened, with the error in `error`.
std::optional<std::wstring> FinalPathOf(const std::wstring& path, DWORD* error = nullptr);
std::optional<std::wstring> FinalPathOf(HANDLE handle);

// True on Windows, whose file functions act on a link itself when asked to; false under Wine.
bool PlatformActsOnLinksThemselves();

// An item opened for a move or a delete, after checking that the file system reaches at its path
// exactly `expectedFinal`. Without a handle, `reason` says why: LinkNotFollowed when the place
// differs (a link, or a folder on the way that is one), else the error's reason.
struct CheckedItem {
    UniqueHandle handle;
    Reason reason = Reason::None;
    DWORD error = ERROR_SUCCESS;
};
enum class OpenAs { Target, LinkItself };
CheckedItem OpenChecked(const std::wstring& path, const std::wstring& expectedFinal, DWORD access,
                        OpenAs as = OpenAs::Target);

// Attributes and times of an opened item.
std::optional<FILE_BASIC_INFO> BasicInfoOf(HANDLE handle);
// Gives the item at `path` these attributes and times (a folder's too).
DWORD ApplyBasicInfo(const std::wstring& path, const FILE_BASIC_INFO& info);

// Renames an item opened with DELETE access to `target` (a full path), never replacing what is
// there. ERROR_NOT_SAME_DEVICE when the target lies on another volume.
DWORD RenameOpened(HANDLE item, const std::wstring& target);
// A file's move to another volume: a copy of `source` (opened for reading, DELETE and
// FILE_WRITE_ATTRIBUTES), never over an existing file, checked byte for byte, given the source's
// attributes and times; only then is the source marked for deletion when its handle closes.
// On failure the copy is gone again and the source is left as it was.
DWORD CopyVerifyAndDelete(HANDLE source, const std::wstring& target);
// A rename, or across volumes a copy, check and deletion, as above.
DWORD MoveOpened(HANDLE item, const std::wstring& target);
// Takes back a deletion asked for on this handle and not yet done.
DWORD CancelDelete(HANDLE item);
// Deletes an item opened with DELETE and FILE_WRITE_ATTRIBUTES access, read-only or not.
DWORD DeleteOpened(HANDLE item);

// True when both files can be read and hold the same bytes.
bool SameContent(const std::wstring& a, const std::wstring& b);

// Creates a folder and its missing parents (full paths); ERROR_SUCCESS when it exists afterwards.
DWORD CreateFolders(const std::wstring& fullPath);

}  // namespace purgeon::cleanup
