#include "doffkit/IconFileCheck.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/handles.h"

namespace doffkit {

namespace {

// Little-endian fields of a byte buffer, read only where the buffer holds them.
template <typename T>
T Field(const std::vector<BYTE>& bytes, size_t at) {
    T value{};
    if (at + sizeof(T) <= bytes.size()) memcpy(&value, bytes.data() + at, sizeof(T));
    return value;
}

class Reader {
public:
    Reader(const ByteReader& read, ULONGLONG size) : read_(read), size_(size) {}
    ULONGLONG size() const { return size_; }
    bool Within(ULONGLONG offset, ULONGLONG length) const { return offset <= size_ && length <= size_ - offset; }
    bool Read(ULONGLONG offset, size_t length, std::vector<BYTE>& out) const {
        if (!Within(offset, length)) return false;
        out.resize(length);
        return length == 0 || read_(offset, length, out.data());
    }

private:
    const ByteReader& read_;
    ULONGLONG size_;
};

constexpr BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Icons are drawn at most this wide and tall; a larger claim is a fault, not an icon.
constexpr LONG kMaxIconSide = 1024;
// Icon files hold a few dozen images; the format allows 65,535, each to be checked.
constexpr WORD kMaxIconImages = 1024;

// One icon image of `length` bytes at `offset`: a PNG, or a device-independent bitmap whose
// colour table, colour bits and mask fit in those bytes (the extraction computes their sizes from
// the header and reads them without looking at the length).
bool IsSoundImage(const Reader& file, ULONGLONG offset, ULONGLONG length) {
    std::vector<BYTE> head;
    if (length < sizeof kPngSignature || !file.Read(offset, static_cast<size_t>(std::min<ULONGLONG>(length, 40)), head))
        return false;
    if (memcmp(head.data(), kPngSignature, sizeof kPngSignature) == 0) return true;  // its decoder knows its length
    if (head.size() < 40) return false;
    const DWORD headerSize = Field<DWORD>(head, 0);
    const LONG width = Field<LONG>(head, 4), height = Field<LONG>(head, 8);
    const WORD planes = Field<WORD>(head, 12), bits = Field<WORD>(head, 14);
    const DWORD compression = Field<DWORD>(head, 16), colorsUsed = Field<DWORD>(head, 32);
    if (headerSize < 40 || headerSize > 124 || planes > 1) return false;
    if (width <= 0 || width > kMaxIconSide || height <= 0 || height > 2 * kMaxIconSide) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (compression != BI_RGB && compression != BI_BITFIELDS) return false;
    ULONGLONG colors = bits <= 8 ? (colorsUsed ? colorsUsed : (1ull << bits)) : (compression == BI_BITFIELDS ? 3 : 0);
    if (colors > 256) return false;
    const ULONGLONG rows = static_cast<ULONGLONG>(height) / 2 ? static_cast<ULONGLONG>(height) / 2 : 1;
    const ULONGLONG colorStride = ((static_cast<ULONGLONG>(width) * bits + 31) / 32) * 4;
    const ULONGLONG maskStride = ((static_cast<ULONGLONG>(width) + 31) / 32) * 4;
    const ULONGLONG needed = headerSize + colors * 4 + rows * (colorStride + maskStride);
    return needed <= length;
}

// An .ico or .cur file: its directory, and each image it names, within the file.
IconFileKind CheckIconDirectory(const Reader& file) {
    if (file.size() > kMaxIconFileBytes) return IconFileKind::Unsound;
    std::vector<BYTE> header;
    if (!file.Read(0, 6, header)) return IconFileKind::Unsound;
    const WORD count = Field<WORD>(header, 4);
    std::vector<BYTE> entries;
    const ULONGLONG directoryEnd = 6 + 16ull * count;
    if (count == 0 || count > kMaxIconImages || !file.Read(6, 16u * count, entries)) return IconFileKind::Unsound;
    for (WORD i = 0; i < count; ++i) {
        const DWORD length = Field<DWORD>(entries, 16u * i + 8), offset = Field<DWORD>(entries, 16u * i + 12);
        if (offset < directoryEnd || !file.Within(offset, length) || !IsSoundImage(file, offset, length))
            return IconFileKind::Unsound;
    }
    return IconFileKind::Sound;
}

struct Section {
    DWORD virtualAddress, virtualSize, rawSize, rawOffset;
};

// A portable executable: its headers, sections and the icon part of its resource tree (icon
// images and icon groups) within the file. Other resources the shell does not read for icons.
class ExecutableCheck {
public:
    explicit ExecutableCheck(const Reader& file) : file_(file) {}

    IconFileKind Run() {
        std::vector<BYTE> dos, nt;
        if (!file_.Read(0, 64, dos)) return IconFileKind::Unsound;
        const DWORD ntOffset = Field<DWORD>(dos, 0x3C);
        if (!file_.Read(ntOffset, 24, nt) || memcmp(nt.data(), "PE\0\0", 4) != 0)
            return IconFileKind::Unsound;  // a 16-bit or broken executable: no icons it could safely give
        const WORD sections = Field<WORD>(nt, 6), optionalSize = Field<WORD>(nt, 20);
        if (sections > 96) return IconFileKind::Unsound;
        std::vector<BYTE> optional;
        const ULONGLONG optionalAt = ntOffset + 24ull;
        if (!file_.Read(optionalAt, optionalSize, optional) || optionalSize < 2) return IconFileKind::Unsound;
        const WORD magic = Field<WORD>(optional, 0);
        size_t countAt;
        if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
            countAt = 92;
        else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
            countAt = 108;
        else
            return IconFileKind::Unsound;
        const size_t resourceAt = countAt + 4 + IMAGE_DIRECTORY_ENTRY_RESOURCE * 8;
        if (Field<DWORD>(optional, countAt) <= IMAGE_DIRECTORY_ENTRY_RESOURCE || resourceAt + 8 > optional.size())
            return IconFileKind::Sound;  // no resource directory: the shell finds no icons in it
        const DWORD resourceRva = Field<DWORD>(optional, resourceAt);
        if (resourceRva == 0) return IconFileKind::Sound;

        std::vector<BYTE> table;
        if (!file_.Read(optionalAt + optionalSize, 40u * sections, table)) return IconFileKind::Unsound;
        for (WORD s = 0; s < sections; ++s)
            sections_.push_back({Field<DWORD>(table, 40u * s + 12), Field<DWORD>(table, 40u * s + 8),
                                 Field<DWORD>(table, 40u * s + 16), Field<DWORD>(table, 40u * s + 20)});
        ULONGLONG available = 0;
        if (!Offset(resourceRva, rootOffset_, available)) return IconFileKind::Unsound;
        rootLimit_ = rootOffset_ + available;
        return WalkRoot() ? IconFileKind::Sound : IconFileKind::Unsound;
    }

private:
    // The file offset of a relative virtual address, and how many bytes of its section follow it.
    bool Offset(DWORD rva, ULONGLONG& offset, ULONGLONG& available) const {
        for (const Section& section : sections_) {
            const ULONGLONG span = std::max(section.virtualSize, section.rawSize);
            if (rva < section.virtualAddress || rva - section.virtualAddress >= span) continue;
            const ULONGLONG into = rva - section.virtualAddress;
            if (into >= section.rawSize || !file_.Within(section.rawOffset, section.rawSize)) return false;
            offset = section.rawOffset + into;
            available = section.rawSize - into;
            return true;
        }
        return false;
    }

    // A directory of the resource tree at `at` bytes into it: its entries (name or id, then
    // the offset of a subdirectory, high bit set, or of a data entry).
    bool Directory(DWORD at, std::vector<std::pair<DWORD, DWORD>>& entries) {
        // Directories may point at each other in any number: the walk is bounded, not the tree.
        if (++directories_ > 2 * kMaxCheckedIcons) return false;
        std::vector<BYTE> header, table;
        if (rootOffset_ + at + 16 > rootLimit_ || !file_.Read(rootOffset_ + at, 16, header)) return false;
        const ULONGLONG count = Field<WORD>(header, 12) + static_cast<ULONGLONG>(Field<WORD>(header, 14));
        if (rootOffset_ + at + 16 + count * 8 > rootLimit_ || !file_.Read(rootOffset_ + at + 16, count * 8, table))
            return false;
        for (size_t i = 0; i < count; ++i)
            entries.emplace_back(Field<DWORD>(table, i * 8), Field<DWORD>(table, i * 8 + 4));
        return true;
    }

    bool WalkRoot() {
        std::vector<std::pair<DWORD, DWORD>> types;
        if (!Directory(0, types)) return false;
        for (auto [type, offset] : types) {
            if (type != 3 && type != 14) continue;  // RT_ICON, RT_GROUP_ICON
            if (!(offset & 0x80000000u)) return false;
            std::vector<std::pair<DWORD, DWORD>> names;
            if (!Directory(offset & 0x7FFFFFFFu, names)) return false;
            for (auto name : names) {
                if (!(name.second & 0x80000000u)) return false;
                std::vector<std::pair<DWORD, DWORD>> languages;
                if (!Directory(name.second & 0x7FFFFFFFu, languages)) return false;
                for (auto language : languages)
                    if ((language.second & 0x80000000u) || !DataEntry(language.second, type == 14)) return false;
            }
        }
        return true;
    }

    bool DataEntry(DWORD at, bool group) {
        if (++checked_ > kMaxCheckedIcons) return false;
        std::vector<BYTE> entry;
        if (rootOffset_ + at + 16 > rootLimit_ || !file_.Read(rootOffset_ + at, 16, entry)) return false;
        const DWORD rva = Field<DWORD>(entry, 0), size = Field<DWORD>(entry, 4);
        ULONGLONG offset = 0, available = 0;
        if (!Offset(rva, offset, available) || size > available) return false;
        if (!group) return IsSoundImage(file_, offset, size);
        std::vector<BYTE> header;
        if (size < 6 || !file_.Read(offset, 6, header)) return false;
        return Field<WORD>(header, 0) == 0 && 6 + 14ull * Field<WORD>(header, 4) <= size;
    }

    const Reader& file_;
    std::vector<Section> sections_;
    ULONGLONG rootOffset_ = 0, rootLimit_ = 0;
    size_t checked_ = 0, directories_ = 0;
};

}  // namespace

IconFileKind CheckIconBytes(const ByteReader& read, ULONGLONG fileSize) {
    const Reader file(read, fileSize);
    std::vector<BYTE> magic;
    if (!file.Read(0, 4, magic)) return IconFileKind::Other;
    if (magic[0] == 'M' && magic[1] == 'Z') return ExecutableCheck(file).Run();
    const WORD reserved = Field<WORD>(magic, 0), type = Field<WORD>(magic, 2);
    if (reserved == 0 && (type == 1 || type == 2)) return CheckIconDirectory(file);
    return IconFileKind::Other;
}

IconFileKind CheckIconFile(const std::wstring& path) {
    purgeon::UniqueHandle file = purgeon::AdoptFileHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return IconFileKind::Unsound;
    const ByteReader read = [&](ULONGLONG offset, size_t length, void* out) {
        BYTE* bytes = static_cast<BYTE*>(out);
        while (length > 0) {
            OVERLAPPED at{};
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length, 1u << 20));
            DWORD got = 0;
            if (!ReadFile(file.get(), bytes, chunk, &got, &at) || got == 0) return false;
            bytes += got;
            offset += got;
            length -= got;
        }
        return true;
    };
    return CheckIconBytes(read, static_cast<ULONGLONG>(size.QuadPart));
}

}  // namespace doffkit
