#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

// The SHA-256 of each package file, worked out once per version of the file (its size and
// modification time) instead of on every view of the download page: a package is megabytes.
class PackageDigests {
public:
    // The digest of the file as it is now; throws std::runtime_error when it cannot be read.
    std::string of(const std::string& path, std::uint64_t size, std::int64_t modifiedNanoseconds);
    // How many files were read to hash them so far (for tests).
    std::size_t filesHashed() const;

private:
    struct Known {
        std::uint64_t size = 0;
        std::int64_t modified = 0;
        std::string digest;
    };

    mutable std::mutex mutex_;
    std::map<std::string, Known> known_;
    std::size_t hashed_ = 0;
};
