// libFuzzer target: the results server's reply, any bytes, read for every kind of record type.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "client/ReplyParser.h"
#include "results/BCException.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte picks the type asked for, so both the direct and the wrapped forms and the
    // substring rule get exercised.
    static const char* const types[] = {"BenchmarkCPU", "BenchmarkLibraryVersion", "KorvidResult", ""};
    const std::string type = size > 0 ? types[data[0] % 4] : types[0];
    const char* text = reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0);
    const std::size_t length = size > 0 ? size - 1 : 0;
    try {
        const int32_t id = extractObjectIDFromReply(text, length, type);
        // A reply yields an ID or "not found"; 0 is never an ID. The server's number is taken as
        // it reads (atol rules), negative ones included.
        if (id == 0) {
            std::abort();
        }
    } catch (const BCException&) {
        // The invalid-response and wrong-type errors are the expected way to refuse.
    }
    return 0;
}
