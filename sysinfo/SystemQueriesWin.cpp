#include "sysinfo/SystemQueriesWin.h"

#include "sysinfo/CpuidReader.h"
#include "sysinfo/DrawingAdapter.h"
#include "sysinfo/DriverKeyMemoryRegistryWin.h"
#include "sysinfo/SystemQueries.h"
#include "base/VideoControllerInfo.h"
#include "sysinfo/WMIQueryRunnerWin.h"

std::string queryOperatingSystem()
{
    WMIServiceQueryRunner wmi;
    return queryOperatingSystem(wmi);
}

std::string queryMotherboard(std::string* manufacturer)
{
    WMIServiceQueryRunner wmi;
    return queryMotherboard(wmi, manufacturer);
}

void queryProcessor(std::string* version, uint64_t* clockSpeed, std::string* name,
                    uint64_t* externalBusSpeed, uint32_t* l1CacheSize, uint32_t* l2CacheSize,
                    uint32_t* l3CacheSize)
{
    WMIServiceQueryRunner wmi;
    HostCpuidReader cpuid;
    queryProcessor(wmi, cpuid, version, clockSpeed, name, externalBusSpeed, l1CacheSize,
                   l2CacheSize, l3CacheSize);
}

uint64_t queryTotalMemory()
{
    WMIServiceQueryRunner wmi;
    return queryTotalMemory(wmi);
}

VideoControllerInfo queryVideoController()
{
    WMIServiceQueryRunner wmi;
    return queryVideoController(wmi);
}

VideoControllerInfo queryVideoController(const DrawingAdapter& adapter)
{
    WMIServiceQueryRunner wmi;
    DriverKeyMemoryRegistry registry;
    return queryVideoController(wmi, adapter, registry);
}
