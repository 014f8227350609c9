#include "bench/ReferenceOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ReferenceOptions parse(std::vector<std::string> arguments) {
    return parseReferenceOptions(arguments);
}

// The first line of the thrown message (the rest is the usage text).
std::string errorOf(std::vector<std::string> arguments) {
    try {
        parseReferenceOptions(arguments);
    } catch (const std::string& message) {
        EXPECT_NE(message.find("\nUsage: korvid_reference <d2d|gdi> <fill|blit> <size> <count>"),
                  std::string::npos)
            << message;
        return message.substr(0, message.find('\n'));
    }
    ADD_FAILURE() << "no error thrown";
    return "";
}

TEST(ReferenceOptions, ReadsBackEndOperationSizeAndCountWithDefaults) {
    const ReferenceOptions d2d = parse({"d2d", "fill", "256", "1000"});
    EXPECT_EQ(d2d.backEnd, ReferenceOptions::BackEnd::Direct2D);
    EXPECT_EQ(d2d.operation, ReferenceOptions::Operation::FillRect);
    EXPECT_EQ(d2d.size, 256);
    EXPECT_EQ(d2d.count, 1000);
    EXPECT_EQ(d2d.warmup, 16);
    EXPECT_TRUE(d2d.pinToFirstProcessor);

    const ReferenceOptions gdi = parse({"--no-pin", "gdi", "blit", "64", "2147483647",
                                        "--warmup", "0"});
    EXPECT_EQ(gdi.backEnd, ReferenceOptions::BackEnd::GDI);
    EXPECT_EQ(gdi.operation, ReferenceOptions::Operation::BltBitMap);
    EXPECT_EQ(gdi.size, 64);
    EXPECT_EQ(gdi.count, 2147483647);
    EXPECT_EQ(gdi.warmup, 0);
    EXPECT_FALSE(gdi.pinToFirstProcessor);

    EXPECT_EQ(parse({"gdi", "fill", "2", "1", "--warmup", "250"}).warmup, 250);
}

TEST(ReferenceOptions, RejectsWhatItCannotRun) {
    EXPECT_EQ(errorOf({}), "expected 4 arguments, got 0");
    EXPECT_EQ(errorOf({"d2d", "fill", "64"}), "expected 4 arguments, got 3");
    EXPECT_EQ(errorOf({"d2d", "fill", "64", "10", "5"}), "expected 4 arguments, got 5");
    EXPECT_EQ(errorOf({"D2D", "fill", "64", "10"}), "unknown back end: D2D");
    EXPECT_EQ(errorOf({"d2d", "composite", "64", "10"}), "unknown operation: composite");
    EXPECT_EQ(errorOf({"gdi", "fill", "1", "10"}), "not a square size of at least 2: 1");
    EXPECT_EQ(errorOf({"gdi", "fill", "0", "10"}), "not a square size of at least 2: 0");
    EXPECT_EQ(errorOf({"gdi", "fill", "64x64", "10"}), "not a square size of at least 2: 64x64");
    EXPECT_EQ(errorOf({"gdi", "fill", "64", "0"}), "not a positive operation count: 0");
    EXPECT_EQ(errorOf({"gdi", "fill", "64", "+5"}), "not a positive operation count: +5");
    // One past the largest count a signed 32-bit loop counter holds, and far past it.
    EXPECT_EQ(errorOf({"gdi", "fill", "64", "2147483648"}),
              "not a positive operation count: 2147483648");
    EXPECT_EQ(errorOf({"gdi", "fill", "64", "99999999999"}),
              "not a positive operation count: 99999999999");
    EXPECT_EQ(errorOf({"gdi", "fill", "64", "10", "--warmup"}),
              "--warmup needs a number of operations");
    EXPECT_EQ(errorOf({"gdi", "fill", "64", "10", "--warmup", "-1"}),
              "not a number of warm-up operations: -1");
    EXPECT_EQ(errorOf({"gdi", "fill", "64", "10", "--pin"}), "unknown option: --pin");
}

TEST(ReferenceOptions, OperationsPerSecond) {
    EXPECT_DOUBLE_EQ(operationsPerSecond(10000, 2.5), 4000.0);
    EXPECT_DOUBLE_EQ(operationsPerSecond(1, 4e-3), 250.0);
    // No measurable time gives no rate rather than a division by zero.
    EXPECT_EQ(operationsPerSecond(10000, 0.0), 0.0);
    EXPECT_EQ(operationsPerSecond(10000, -1.0), 0.0);
}

TEST(ReferenceOptions, ResultLineIsOneParseableLine) {
    EXPECT_EQ(referenceResultLine(parse({"d2d", "fill", "256", "1000"}), 3.7123454),
              "REFERENCE backend=d2d op=fill size=256 count=1000 seconds=3.712345 "
              "ops_per_s=269.371");
    EXPECT_EQ(referenceResultLine(parse({"gdi", "blit", "64", "480000"}), 1.2),
              "REFERENCE backend=gdi op=blit size=64 count=480000 seconds=1.200000 "
              "ops_per_s=400000.000");
}

}  // namespace
