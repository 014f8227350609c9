#include "server/pages/PackageDigests.h"

#include "server/text/Digest.h"

std::string PackageDigests::of(const std::string& path, std::uint64_t size, std::int64_t modifiedNanoseconds)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto found = known_.find(path);
        if (found != known_.end() && found->second.size == size && found->second.modified == modifiedNanoseconds)
            return found->second.digest;
    }
    // Hashed outside the lock: two first views may both hash, but none waits for another file.
    const std::string digest = sha256HexOfFile(path);
    std::lock_guard<std::mutex> lock(mutex_);
    known_[path] = Known{size, modifiedNanoseconds, digest};
    ++hashed_;
    return digest;
}

std::size_t PackageDigests::filesHashed() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return hashed_;
}
