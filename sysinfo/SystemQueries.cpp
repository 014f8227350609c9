#include "sysinfo/SystemQueries.h"

#include <sstream>

#include "sysinfo/CardThatDrew.h"
#include "sysinfo/CpuidReader.h"
#include "sysinfo/L1CacheSize.h"
#include "sysinfo/OSCaption.h"
#include "sysinfo/PnpDeviceId.h"
#include "sysinfo/SysInfoUnits.h"
#include "sysinfo/WMIObject.h"

WMIObject::~WMIObject() = default;
WMIQueryRunner::~WMIQueryRunner() = default;

namespace {
// Service packs are reported only by system types above this one.
constexpr uint32_t kLastOSTypeWithoutServicePack = 16;
} // namespace

std::string queryOperatingSystem(WMIQueryRunner& wmi)
{
    std::ostringstream text;
    bool noCaption = false;
    wmi.run("SELECT * FROM Win32_OperatingSystem", "Query for operating system information failed.",
            [&](WMIObject& object) {
                std::string caption;
                if (!object.readText("Caption", caption)) {
                    noCaption = true;
                    return false;
                }
                text << osVersionFromCaption(caption);

                uint32_t osType = 0;
                object.readNumber("OSType", osType);
                std::string servicePack;
                if (osType > kLastOSTypeWithoutServicePack &&
                    object.readText("CSDVersion", servicePack)) {
                    text << " " << servicePack;
                }

                std::string build;
                if (object.readText("BuildNumber", build)) {
                    text << " (build " << build << ")";
                }
                return true;
            });
    return noCaption ? std::string() : text.str();
}

std::string queryMotherboard(WMIQueryRunner& wmi, std::string* manufacturer)
{
    std::string model;
    wmi.run("SELECT * FROM Win32_ComputerSystem", "Query for motherboard information failed.",
            [&](WMIObject& object) {
                object.readText("Model", model);
                if (manufacturer) {
                    object.readText("Manufacturer", *manufacturer);
                }
                return true;
            });
    return model;
}

namespace {

std::string requiredText(WMIObject& object, const char* property)
{
    std::string value;
    if (!object.readText(property, value)) {
        throw std::string("ERROR: Could not get CPU details.");
    }
    return value;
}

uint32_t numberOrZero(WMIObject& object, const char* property)
{
    uint32_t value = 0;
    return object.readNumber(property, value) ? value : 0;
}

} // namespace

void queryProcessor(WMIQueryRunner& wmi, CpuidReader& cpuid, std::string* version,
                    uint64_t* clockSpeed, std::string* name, uint64_t* externalBusSpeed,
                    uint32_t* l1CacheSize, uint32_t* l2CacheSize, uint32_t* l3CacheSize)
{
    // Sockets whose processors share one ID count as one processor: the results server
    // describes a machine by a single processor model.
    int processorCount = 0;
    std::string firstID;
    wmi.run("SELECT * FROM Win32_Processor", "Query for CPU details failed.",
            [&](WMIObject& object) {
                std::string id;
                if (!object.readText("ProcessorId", id)) {
                    throw std::string("ERROR: Could not get CPU's ID.");
                }
                if (processorCount == 0) {
                    firstID = id;
                    processorCount = 1;
                } else if (id != firstID) {
                    ++processorCount;
                }

                if (name) {
                    *name = requiredText(object, "Name");
                }
                // Current Windows leaves the version blank or unset on many processors: an
                // unknown version is an empty one, not a reason to stop the run.
                if (version) {
                    version->clear();
                    object.readText("Version", *version);
                }
                if (clockSpeed) {
                    *clockSpeed = megahertzToHertz(numberOrZero(object, "MaxClockSpeed"));
                }
                if (externalBusSpeed) {
                    *externalBusSpeed = megahertzToHertz(numberOrZero(object, "ExtClock"));
                }
                if (l2CacheSize) {
                    *l2CacheSize = kilobytesToBytes(numberOrZero(object, "L2CacheSize"));
                }
                if (l3CacheSize) {
                    *l3CacheSize = kilobytesToBytes(numberOrZero(object, "L3CacheSize"));
                }
                return true;
            });

    if (processorCount < 1) {
        throw std::string("ERROR: Could not get CPU details.");
    }
    if (processorCount > 1) {
        throw std::string("ERROR: Multiple processors detected. Not supported at present.");
    }
    if (l1CacheSize) {
        *l1CacheSize = readL1CacheSize(cpuid);
    }
}

uint64_t queryTotalMemory(WMIQueryRunner& wmi)
{
    uint64_t bytes = 0;
    wmi.run("SELECT * FROM Win32_ComputerSystem", "Query for system information failed.",
            [&](WMIObject& object) {
                std::string text;
                bytes = object.readText("TotalPhysicalMemory", text) ? parseMemorySize(text) : 0;
                return true;
            });
    return bytes;
}

std::vector<VideoControllerListing> listVideoControllers(WMIQueryRunner& wmi)
{
    std::vector<VideoControllerListing> controllers;
    wmi.run("SELECT * FROM Win32_VideoController", "Query for video card failed.",
            [&](WMIObject& object) {
                VideoControllerListing listing;
                VideoControllerInfo& info = listing.info;
                object.readText("Name", info.cardName);

                if (object.readText("PNPDeviceID", listing.pnpDeviceId)) {
                    const PciIds ids = parsePnpDeviceId(listing.pnpDeviceId);
                    info.vendorID = ids.vendorID;
                    info.productID = ids.productID;
                    info.subProductID = ids.subProductID;
                    info.subVendorID = ids.subVendorID;
                }

                object.readText("InstalledDisplayDrivers", info.driverNames);
                object.readText("DriverVersion", info.driverVersion);

                uint32_t adapterRam = 0;
                if (object.readNumber("AdapterRAM", adapterRam)) {
                    info.videoMemorySize = videoMemoryFromAdapterRam(adapterRam);
                }
                controllers.push_back(std::move(listing));
                return true;
            });
    return controllers;
}

VideoControllerInfo queryVideoController(WMIQueryRunner& wmi)
{
    const std::vector<VideoControllerListing> controllers = listVideoControllers(wmi);
    return controllers.empty() ? VideoControllerInfo() : controllers.back().info;
}

VideoControllerInfo queryVideoController(WMIQueryRunner& wmi, const DrawingAdapter& adapter,
                                         AdapterMemoryRegistry& registry)
{
    return describeCardThatDrew(listVideoControllers(wmi), adapter, registry);
}
