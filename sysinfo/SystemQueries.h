#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sysinfo/CardThatDrew.h"
#include "base/VideoControllerInfo.h"

class CpuidReader;
class WMIQueryRunner;

// The machine-description queries of the management service. Each optional value is a
// pointer: null means the property is not read. Failures are thrown as text (std::string).
//
// These take the service and the processor instruction as parameters so that any answers can
// be tried; the Windows build adds the same operations on the real service (SystemQueriesWin.h).

// "XP Professional Service Pack 3 (build 2600)": the caption's version part, the service pack
// when the system type is above 16, and the build number. Empty when there is no caption.
std::string queryOperatingSystem(WMIQueryRunner& wmi);

// The model; the manufacturer when asked for. Values that cannot be read leave the text as it
// was (the model starts empty).
std::string queryMotherboard(WMIQueryRunner& wmi, std::string* manufacturer);

// Clock and bus speeds in hertz, cache sizes in bytes; a speed or a level-2/3 cache size that
// cannot be read is 0; a version that cannot be read (absent, or NULL) is empty. Throws
// "ERROR: Could not get CPU's ID." when a processor has no ID, "ERROR: Could not get CPU
// details." when no processor is listed or its name cannot be read, "ERROR: Multiple processors detected. Not supported at present." when the
// processors listed have different IDs.
void queryProcessor(WMIQueryRunner& wmi, CpuidReader& cpuid, std::string* version,
                    uint64_t* clockSpeed, std::string* name, uint64_t* externalBusSpeed,
                    uint32_t* l1CacheSize, uint32_t* l2CacheSize, uint32_t* l3CacheSize);

// Bytes; 0 when the service does not tell.
uint64_t queryTotalMemory(WMIQueryRunner& wmi);

// Every video controller the service lists, in its order; values it cannot read are empty or 0.
std::vector<VideoControllerListing> listVideoControllers(WMIQueryRunner& wmi);

// The last controller listed (what the service's order leaves when nothing says which adapter
// drew); empty and 0 when none is listed.
VideoControllerInfo queryVideoController(WMIQueryRunner& wmi);

// The card that drew on `adapter`, with its memory size (describeCardThatDrew).
VideoControllerInfo queryVideoController(WMIQueryRunner& wmi, const DrawingAdapter& adapter,
                                         AdapterMemoryRegistry& registry);
