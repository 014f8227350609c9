#include "core/GfxTest.h"

#include "results/BCObject.h"

#if __has_include("client/BenchmarkClient.h")
#include "client/BenchmarkClient.h"
#define KORVID_CORE_HAVE_CLIENT 1
#endif

GfxTest::GfxTest(BenchmarkClient& client, const std::string& statusPrefix, OutputPair& output,
                 uint32_t testFlags)
    : statusPrefix(statusPrefix), client(client), output(output), testFlags(testFlags) {}

GfxTest::~GfxTest() = default;

std::shared_ptr<BCObject> GfxTest::resultRecord() {
#ifdef KORVID_CORE_HAVE_CLIENT
    return client.getRootObject();
#else
    throw std::string("ERROR: GfxTest::resultRecord has no server client to record into.");
#endif
}
