// libFuzzer target for the server reply parser: any bytes must give an ID or a BCException.
//   clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -I. -I/usr/include \
//       tests/client/ReplyParserFuzzer.cpp client/ReplyParser.cpp results/BCException.cpp
#include <cstddef>
#include <cstdint>
#include <string>

#include "client/ReplyParser.h"
#include "results/BCException.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte picks the type asked for, so that wrappers and substring matches are reached.
    static const char* types[] = {"BenchmarkCPU", "BenchmarkLibraryVersion", "KorvidResult", ""};
    const std::string type = size > 0 ? types[data[0] % 4] : types[0];
    const char* text = reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0);
    const size_t length = size > 0 ? size - 1 : 0;
    try {
        const int32_t id = extractObjectIDFromReply(text, length, type);
        if (id == 0)
            __builtin_trap();  // 0 is never a valid ID
    } catch (const BCException&) {
    }
    return 0;
}
