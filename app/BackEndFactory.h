#pragma once

#include "app/RunEnvironment.h"

// The graphics back ends this build of the program contains: Direct2D first, GDI as fallback.
class BackEndFactory : public GfxTestFactory {
public:
    std::unique_ptr<GfxTest> createDirect2DTest(BenchmarkClient& client,
                                                const std::string& statusPrefix,
                                                OutputPair& output, uint32_t testFlags) override;
    std::unique_ptr<GfxTest> createGDITest(BenchmarkClient& client,
                                           const std::string& statusPrefix, OutputPair& output,
                                           uint32_t testFlags) override;
};
