#include "core/GfxTest.h"

#include "client/BenchmarkClient.h"
#include "results/BCObject.h"

GfxTest::GfxTest(BenchmarkClient& client, const std::string& statusPrefix, OutputPair& output,
                 uint32_t testFlags)
    : statusPrefix(statusPrefix), client(client), output(output), testFlags(testFlags) {}

GfxTest::~GfxTest() = default;

std::shared_ptr<BCObject> GfxTest::resultRecord() {
    return client.getRootObject();
}
