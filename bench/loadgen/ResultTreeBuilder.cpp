#include "bench/loadgen/ResultTreeBuilder.h"

#include <ostream>
#include <string>

#include "base/OutputPair.h"
#include "client/BenchmarkClient.h"
#include "bench/loadgen/SyntheticGfxTest.h"
#include "sysinfo/SystemDescription.h"
#include "sysinfo/SystemDescriptionReport.h"
#include "base/VideoControllerInfo.h"

namespace {

// The shortest timed run the runner accepts, as on a machine with a 1 us clock.
const uint64_t kMinimumMicroseconds = 1000;

SystemDescription describeMachine(const MachineVariant& machine)
{
    SystemDescription description;
    description.osDescription = "10 Pro (build " + std::to_string(19041 + machine.operatingSystem) + ")";
    // Boards come in pairs of one name, with and without a manufacturer: the one without must
    // never be taken for the one with.
    description.boardModel = "PRIME Z370-P rev " + std::to_string(machine.motherboard / 2);
    description.boardManufacturer = machine.motherboard % 2 == 1 ? "" : "ASUSTeK COMPUTER INC.";
    // Every other processor name carries the registered sign as the ANSI code page's 8-bit byte.
    if (machine.processor % 2 == 0)
        description.cpuName = "Intel(R) Core(TM) i5-" + std::to_string(8400 + machine.processor) + " CPU @ 2.80GHz";
    else
        description.cpuName = "Genuine Intel\xae CPU " + std::to_string(4000 + machine.processor) + " @ 3.10GHz";
    description.cpuVersion = "Intel64 Family 6 Model 158 Stepping " + std::to_string(machine.processor % 16);
    description.cpuClockSpeed = 2800000000ULL + machine.processor * 100000000ULL;
    description.externalBusSpeed = 100000000;
    description.l1CacheSize = 393216;
    description.l2CacheSize = 1572864;
    description.l3CacheSize = 9437184;
    description.totalMemory = (8ULL + machine.processor % 3 * 8) << 30;
    const FileVersionNumbers system{10, 0, 19041, 1000 + machine.libraries};
    description.kernel32 = system;
    description.gdi32 = system;
    // Odd library variants are machines without Direct2D, which record only what they have.
    if (machine.libraries % 2 == 0) {
        description.d2d1 = system;
        description.d3d10 = system;
    }
    return description;
}

VideoControllerInfo describeCard(const MachineVariant& machine)
{
    VideoControllerInfo card;
    card.videoMemorySize = (2ULL + machine.graphicsCard % 4) << 30;
    card.driverNames = "nvldumdx.dll,nvldumdx.dll,nvldumdx.dll,nvldumdx.dll";
    card.driverVersion = "31.0.15." + std::to_string(3000 + machine.driver);
    // Every fourth card has no PCI IDs, so that its name is what identifies it.
    if (machine.graphicsCard % 4 == 3) {
        card.cardName = "Basic Display Adapter " + std::to_string(machine.graphicsCard);
        return card;
    }
    card.cardName = "NVIDIA GeForce GTX 10" + std::to_string(machine.graphicsCard);
    card.productID = 0x1b80 + machine.graphicsCard;
    card.vendorID = 0x10de;
    card.subProductID = 0x8591;
    card.subVendorID = 0x1043;
    return card;
}

}  // namespace

void ResultTreeBuilder::build(BenchmarkClient& client, const MachineVariant& machine, std::mt19937_64& random) const
{
    // What a run prints is of no use here; a stream without a buffer swallows it.
    std::ostream discarded(nullptr);
    OutputPair output(discarded, discarded);

    const std::shared_ptr<BCObjectCollection> libraries = makeLibraryCollection();
    client.addSubObjectCollection(libraries);
    const SystemDescription description = describeMachine(machine);
    SystemDescriptionRecords records = recordSystemDescription(*client.getRootObject(), *libraries, description);
    printLibraryVersions(output, description, *libraries, records);

    SyntheticGfxTest test(client, output, describeCard(machine), description.d2d1.major != 0, random);
    if (!test.runTests(kMinimumMicroseconds))
        throw std::string("the synthetic run reported a failed test");
}
