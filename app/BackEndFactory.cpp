#include "app/BackEndFactory.h"

#include "core/GfxTest.h"

#if defined(KORVID_HAVE_D2D)
#include "d2d/D2DTest.h"
#endif
#if defined(KORVID_HAVE_GDI)
#include "gdi/GDITest.h"
#endif

std::unique_ptr<GfxTest> BackEndFactory::createDirect2DTest(BenchmarkClient& client,
                                                            const std::string& statusPrefix,
                                                            OutputPair& output,
                                                            uint32_t testFlags)
{
#if defined(KORVID_HAVE_D2D)
    return std::make_unique<D2DTest>(client, statusPrefix, output, testFlags);
#else
    (void)client, (void)statusPrefix, (void)output, (void)testFlags;
    return nullptr;
#endif
}

std::unique_ptr<GfxTest> BackEndFactory::createGDITest(BenchmarkClient& client,
                                                       const std::string& statusPrefix,
                                                       OutputPair& output, uint32_t testFlags)
{
#if defined(KORVID_HAVE_GDI)
    return std::make_unique<GDITest>(client, statusPrefix, output, testFlags);
#else
    (void)client, (void)statusPrefix, (void)output, (void)testFlags;
    return nullptr;
#endif
}
