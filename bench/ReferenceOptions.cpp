#include "bench/ReferenceOptions.h"

#include <cstdio>
#include <limits>
#include <sstream>

namespace {

// A decimal number of 1 to 2^31 - 1: digits only, no sign, no blanks.
bool parsePositive(const std::string& text, int32_t& value) {
    if (text.empty() || text.size() > 10) {
        return false;
    }
    int64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        result = result * 10 + (c - '0');
    }
    if (result < 1 || result > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    value = static_cast<int32_t>(result);
    return true;
}

[[noreturn]] void fail(const std::string& what) {
    throw what + "\n" + referenceUsage();
}

}  // namespace

std::string referenceUsage() {
    return "Usage: korvid_reference <d2d|gdi> <fill|blit> <size> <count> [--warmup N] "
           "[--no-pin]";
}

ReferenceOptions parseReferenceOptions(const std::vector<std::string>& arguments) {
    ReferenceOptions options;
    std::vector<std::string> positional;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--no-pin") {
            options.pinToFirstProcessor = false;
        } else if (argument == "--warmup") {
            if (i + 1 >= arguments.size()) {
                fail("--warmup needs a number of operations");
            }
            const std::string& value = arguments[++i];
            int32_t warmup = 0;
            if (value == "0") {
                options.warmup = 0;
            } else if (parsePositive(value, warmup)) {
                options.warmup = warmup;
            } else {
                fail("not a number of warm-up operations: " + value);
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            fail("unknown option: " + argument);
        } else {
            positional.push_back(argument);
        }
    }
    if (positional.size() != 4) {
        fail("expected 4 arguments, got " + std::to_string(positional.size()));
    }

    if (positional[0] == "d2d") {
        options.backEnd = ReferenceOptions::BackEnd::Direct2D;
    } else if (positional[0] == "gdi") {
        options.backEnd = ReferenceOptions::BackEnd::GDI;
    } else {
        fail("unknown back end: " + positional[0]);
    }
    if (positional[1] == "fill") {
        options.operation = ReferenceOptions::Operation::FillRect;
    } else if (positional[1] == "blit") {
        options.operation = ReferenceOptions::Operation::BltBitMap;
    } else {
        fail("unknown operation: " + positional[1]);
    }
    // The operations need room for the square and, for the blit source's rectangles, a
    // square of at least 2 pixels; the benchmark itself starts at 16.
    if (!parsePositive(positional[2], options.size) || options.size < 2) {
        fail("not a square size of at least 2: " + positional[2]);
    }
    if (!parsePositive(positional[3], options.count)) {
        fail("not a positive operation count: " + positional[3]);
    }
    return options;
}

double operationsPerSecond(int32_t count, double seconds) {
    if (!(seconds > 0.0)) {
        return 0.0;
    }
    return static_cast<double>(count) / seconds;
}

std::string referenceResultLine(const ReferenceOptions& options, double seconds) {
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "seconds=%.6f ops_per_s=%.3f", seconds,
                  operationsPerSecond(options.count, seconds));
    std::ostringstream line;
    line << "REFERENCE backend="
         << (options.backEnd == ReferenceOptions::BackEnd::Direct2D ? "d2d" : "gdi")
         << " op=" << (options.operation == ReferenceOptions::Operation::FillRect ? "fill" : "blit")
         << " size=" << options.size << " count=" << options.count << " " << numbers;
    return line.str();
}
