// The card a Direct2D run records is the adapter its device was made on.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <sstream>

#include "base/OutputPair.h"
#include "client/BenchmarkClient.h"
#include "d2d/D2DTest.h"
#include "results/BCField.h"
#include "results/BCObject.h"
#include "results/BCObjectField.h"
#include "sysinfo/DrawingAdapterWin.h"
#include "sysinfo/DriverKeyMemoryRegistryWin.h"
#include "sysinfo/SystemQueries.h"
#include "sysinfo/WMIQueryRunnerWin.h"

namespace {

std::string fieldOf(const BCObject& record, const std::string& name)
{
    for (int i = 0; i < record.getNumFields(); ++i) {
        if (record.getField(i)->getName() == name)
            return record.getField(i)->getValue();
    }
    return "(none)";
}

std::string hex(uint32_t value)
{
    std::ostringstream text;
    text << "0x" << std::hex << value;
    return text.str();
}

} // namespace

TEST(D2DCard, RecordsTheAdapterTheDeviceWasMadeOnWithItsMemory)
{
    std::ostringstream console, transcript;
    OutputPair output{console, transcript};
    BenchmarkClient client{"KorvidResult", "https://localhost:9/api/v1/", "Korvid_Windows_2.9", "TestKey",
                           "http://localhost:9/Benchmark/Korvid/Result/", "Korvid/2.9 (Windows)"};
    const auto test = std::make_unique<D2DTest>(client, "Korvid. ", output, 0x1F);

    const DrawingAdapter adapter = drawingAdapterOfDevice(test->getDevice());
    ASSERT_TRUE(adapter.known);
    EXPECT_NE(adapter.ids.vendorID, 0u);
    EXPECT_FALSE(adapter.description.empty());

    // The listed controller with the device's IDs, looked up apart from the set-up.
    WMIServiceQueryRunner wmi;
    const VideoControllerListing* drew = nullptr;
    const std::vector<VideoControllerListing> controllers = listVideoControllers(wmi);
    for (const VideoControllerListing& controller : controllers) {
        if (!drew && pciIdsOfDevice(controller.pnpDeviceId) == adapter.ids)
            drew = &controller;
    }
    ASSERT_NE(drew, nullptr) << "Wine lists the adapter of its device";
    EXPECT_NE(console.str().find("\nBoard name: " + drew->info.cardName + "\n"), std::string::npos) << console.str();

    const auto card = client.getRootObject()->getSubObjectField(0)->getObject();
    EXPECT_EQ(fieldOf(*card, "VendorID"), hex(adapter.ids.vendorID));
    EXPECT_EQ(fieldOf(*card, "ProductID"), hex(adapter.ids.productID));
    // The driver writes no 64-bit size under Wine, so the memory is DXGI's for this adapter
    // (Wine gives the host's memory as llvmpipe reports it), not AdapterRAM's 4 GiB at most.
    DriverKeyMemoryRegistry registry;
    const std::optional<uint64_t> registered = registry.memorySize(drew->pnpDeviceId);
    const uint64_t expected = registered && *registered ? *registered : adapter.dedicatedVideoMemory;
    EXPECT_GT(expected, 0u);
    EXPECT_EQ(fieldOf(*client.getRootObject(), "VRAMSize"), std::to_string(expected));
}
