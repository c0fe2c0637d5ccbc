#pragma once
// Whether a file may be handed to the shell's icon extraction. Uninstall entries name their icon
// files, and whoever wrote the entry wrote the file: the shell's extraction trusts the offsets and
// sizes inside an icon file or an executable's resources and reads wherever they point (under Wine
// an icon file claiming images past its end takes the process down). So the file's own directory
// is checked against its size first, reading at most a bounded amount of it.
#include <windows.h>

#include <functional>
#include <string>

namespace doffkit {

enum class IconFileKind {
    Sound,    // an icon file or executable whose icon directories lie within the file
    Unsound,  // claims icons it cannot hold, or is too large to check: never handed to the shell
    Other,    // neither: the shell shows its type's icon without reading it
};

// Largest icon file that is checked and handed over; larger ones are refused.
inline constexpr ULONGLONG kMaxIconFileBytes = 16ull << 20;
// Most icon images (and group directories) looked at in one executable.
inline constexpr size_t kMaxCheckedIcons = 20000;

// Reads `size` bytes at `offset` into `out`; false when they are not all there.
using ByteReader = std::function<bool(ULONGLONG offset, size_t size, void* out)>;

// The check on a file of `fileSize` bytes read through `read`.
IconFileKind CheckIconBytes(const ByteReader& read, ULONGLONG fileSize);
// The check on a file on disk; Unsound when it cannot be opened or read.
IconFileKind CheckIconFile(const std::wstring& path);

}  // namespace doffkit
