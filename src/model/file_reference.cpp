#include "file_reference.h"

#include "project.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrune {

namespace {

// Layout, integers little-endian:
//   "KFRF"  magic
//   u8      version (1)
//   u16     path length n (1 … kMaxPathLength)
//   n bytes absolute path, no NUL
//   u64 device, u64 inode, i64 size (≥ 0), i64 modification time in ns
// and nothing after. A new layout gets a new version; readers refuse versions they
// do not know rather than guess.
constexpr std::array<std::uint8_t, 4> kMagic{'K', 'F', 'R', 'F'};
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kHeaderSize = kMagic.size() + 1 + 2;
constexpr std::size_t kIdentitySize = 4 * 8;

bool isValidPath(const std::string& path) {
    return !path.empty() && path.size() <= FileReference::kMaxPathLength && path.front() == '/' &&
           path.find('\0') == std::string::npos;
}

void putLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t getLittleEndian(const std::uint8_t* in, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<std::uint64_t>(in[i]) << (8 * i);
    return value;
}

std::int64_t nanoseconds(const timespec& time) {
    // Saturates instead of overflowing on timestamps far outside ±292 years.
    std::int64_t ns = 0;
    if (__builtin_mul_overflow(static_cast<std::int64_t>(time.tv_sec), 1'000'000'000, &ns) ||
        __builtin_add_overflow(ns, static_cast<std::int64_t>(time.tv_nsec), &ns))
        return time.tv_sec < 0 ? std::numeric_limits<std::int64_t>::min()
                               : std::numeric_limits<std::int64_t>::max();
    return ns;
}

// The identity of the readable regular file at path. Opened rather than stat'ed, so
// that "readable" means what it will mean when the clip is opened for playing or
// exporting, and the identity is that of the file actually opened. O_NONBLOCK
// keeps a FIFO put at the path from hanging us before it is refused.
std::optional<FileReference> identify(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat status {};
    const bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    ::close(fd);
    if (!ok)
        return std::nullopt;
    FileReference reference;
    reference.path = path;
    reference.device = static_cast<std::uint64_t>(status.st_dev);
    reference.inode = static_cast<std::uint64_t>(status.st_ino);
    reference.size = static_cast<std::int64_t>(status.st_size);
    reference.modificationTimeNs = nanoseconds(status.st_mtim);
    return reference;
}

} // namespace

std::optional<FileReference> FileReference::make(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos)
        return std::nullopt;
    // Absolute but not canonical: the path the user chose, symbolic links and all,
    // is the one to follow next time.
    std::error_code error;
    const std::string absolute = std::filesystem::absolute(path, error).string();
    if (error || !isValidPath(absolute))
        return std::nullopt;
    return identify(absolute);
}

std::vector<std::uint8_t> FileReference::encode() const {
    std::vector<std::uint8_t> out(kMagic.begin(), kMagic.end());
    out.reserve(kHeaderSize + path.size() + kIdentitySize);
    out.push_back(kVersion);
    putLittleEndian(out, path.size(), 2);
    out.insert(out.end(), path.begin(), path.end());
    putLittleEndian(out, device, 8);
    putLittleEndian(out, inode, 8);
    putLittleEndian(out, static_cast<std::uint64_t>(size), 8);
    putLittleEndian(out, static_cast<std::uint64_t>(modificationTimeNs), 8);
    return out;
}

std::optional<FileReference> FileReference::decode(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < kHeaderSize + kIdentitySize)
        return std::nullopt;
    if (!std::equal(kMagic.begin(), kMagic.end(), bytes.begin()) ||
        bytes[kMagic.size()] != kVersion)
        return std::nullopt;
    const std::size_t pathLength = getLittleEndian(bytes.data() + kMagic.size() + 1, 2);
    // Exactly the announced length: truncated and padded references are both damaged.
    if (bytes.size() != kHeaderSize + pathLength + kIdentitySize)
        return std::nullopt;

    FileReference reference;
    const std::uint8_t* cursor = bytes.data() + kHeaderSize;
    reference.path.assign(reinterpret_cast<const char*>(cursor), pathLength);
    if (!isValidPath(reference.path))
        return std::nullopt;
    cursor += pathLength;
    reference.device = getLittleEndian(cursor, 8);
    reference.inode = getLittleEndian(cursor + 8, 8);
    reference.size = static_cast<std::int64_t>(getLittleEndian(cursor + 16, 8));
    reference.modificationTimeNs = static_cast<std::int64_t>(getLittleEndian(cursor + 24, 8));
    if (reference.size < 0)
        return std::nullopt;
    return reference;
}

std::optional<FileReference::Resolved> FileReference::resolve() const {
    if (!isValidPath(path))
        return std::nullopt;
    auto current = identify(path);
    if (!current)
        return std::nullopt;
    const bool sameFile = current->device == device && current->inode == inode &&
                          current->size == size &&
                          current->modificationTimeNs == modificationTimeNs;
    return Resolved{path, !sameFile};
}

std::optional<ClipLocation> locateClip(const VideoClip& clip) {
    const auto reference =
        clip.bookmarkData ? FileReference::decode(*clip.bookmarkData) : std::nullopt;
    if (!reference)
        return std::nullopt;
    if (const auto resolved = reference->resolve())
        return ClipLocation{resolved->path, true, resolved->isStale};
    return ClipLocation{reference->path, false, false};
}

} // namespace kestrune
