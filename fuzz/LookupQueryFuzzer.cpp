// libFuzzer target: the query string of a lookup, any bytes. A query is refused with 400 or
// gives a search key whose pairs keep the bounds and read as a stored value would, and whose
// pairs, written again as the client writes them, give the same key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "results/UrlEncode.h"
#include "server/protocol/LookupLine.h"
#include "server/protocol/LookupQuery.h"
#include "server/protocol/ProtocolError.h"
#include "server/protocol/SearchKey.h"
#include "server/protocol/TextEncoding.h"

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string query(reinterpret_cast<const char*>(data), size);
    const DocumentLimits limits;
    SearchKey key;
    try {
        key = parseLookupQuery(query, limits);
    } catch (const ProtocolError& error) {
        require(error.status() == 400);
        return 0;
    }
    std::string again;
    for (const auto& [name, value] : key.pairs()) {
        require(name.size() <= limits.maxNameBytes && value.size() <= limits.maxValueBytes);
        require(name.find('\0') == std::string::npos && value.find('\0') == std::string::npos);
        require(isValidUtf8(name) && isValidUtf8(value));
        require(value.empty() || value.find_first_not_of(" \t\r\n") != std::string::npos);
        again += urlEncode(name) + "=" + urlEncode(value) + "&";
    }
    const std::string canonical = key.canonical();
    require(canonical.size() <= 512 || canonical.compare(0, 7, "sha256:") == 0);
    require(parseLookupQuery(again, limits).canonical() == canonical);
    require(lookupRequestLineBytes("BenchmarkCPU", key, 0) == 4 + 12 + 1 + again.size() + 9);
    return 0;
}
