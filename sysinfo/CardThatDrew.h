#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sysinfo/DrawingAdapter.h"
#include "base/VideoControllerInfo.h"

// One Win32_VideoController as the management service lists it.
struct VideoControllerListing {
    VideoControllerInfo info;  // read as the video-controller query reads one object
    std::string pnpDeviceId;   // empty when the service gave none
};

// Where the display driver writes the adapter's memory size in 64 bits
// (HardwareInformation.qwMemorySize in the adapter's driver key), looked up by the adapter's
// device identifier. Windows reads the registry; tests script it.
class AdapterMemoryRegistry {
public:
    virtual ~AdapterMemoryRegistry();
    // Bytes; nothing when the adapter has no such value (or no key, or is not found).
    virtual std::optional<uint64_t> memorySize(const std::string& pnpDeviceId) = 0;
};

// The card a test that drew on `adapter` records and prints:
// - the listed controller whose PCI device identifier carries the adapter's vendor, device and
//   subsystem IDs (the first such, when two identical cards are listed);
// - no such controller (Microsoft's basic render driver, WARP, an adapter the service does not
//   list): the adapter as the graphics system describes it, with no driver names, never another
//   controller's;
// - adapter unknown: the last controller listed, as the query always kept.
// Video memory: the registry's 64-bit size of the recorded controller, else the adapter's
// dedicated memory, else the controller's AdapterRAM (32 bits: 4 GiB at most).
VideoControllerInfo describeCardThatDrew(const std::vector<VideoControllerListing>& controllers,
                                         const DrawingAdapter& adapter,
                                         AdapterMemoryRegistry& registry);
