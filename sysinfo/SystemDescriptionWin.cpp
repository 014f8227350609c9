#include "sysinfo/SystemDescription.h"

#include <windows.h>

#include "sysinfo/FileVersion.h"
#include "sysinfo/SystemQueriesWin.h"

namespace {

FileVersionNumbers versionOf(const char* fileName)
{
    FileVersionNumbers v;
    getFileVersion(fileName, &v.major, &v.minor, &v.build, &v.revision);
    return v;
}

} // namespace

SystemDescription gatherSystemDescription()
{
    SystemDescription d;
    d.osDescription = queryOperatingSystem();
    d.boardModel = queryMotherboard(&d.boardManufacturer);
    queryProcessor(&d.cpuVersion, &d.cpuClockSpeed, &d.cpuName, &d.externalBusSpeed,
                   &d.l1CacheSize, &d.l2CacheSize, &d.l3CacheSize);
    d.totalMemory = queryTotalMemory();
    // The management service's texts were converted to this page (as were the card's, later).
    d.codePage = GetACP();
    d.kernel32 = versionOf("kernel32.dll");
    d.gdi32 = versionOf("gdi32.dll");
    d.d2d1 = versionOf("d2d1.dll");
    d.d3d10 = versionOf("d3d10.dll");
    return d;
}
