#include "sysinfo/SystemDescriptionReport.h"

#include <ostream>
#include <string>

#include "base/OutputPair.h"
#include "base/Units.h"
#include "results/BCCPUObj.h"
#include "results/BCLibraryVersionObj.h"
#include "results/BCMotherboardObj.h"
#include "results/BCObject.h"
#include "results/BCObjectCollection.h"
#include "results/BCOperatingSysVersionObj.h"

namespace {

constexpr int kSearchKey = 1;

std::shared_ptr<BCLibraryVersionObj> addLibrary(BCObjectCollection& libraries,
                                                SystemDescriptionRecords& records,
                                                const std::string& fileName,
                                                const FileVersionNumbers& version)
{
    auto record = std::make_shared<BCLibraryVersionObj>(fileName, versionText(version));
    libraries.addObject(record);
    records.libraries.push_back(record);
    return record;
}

void printVersionOrUnknown(std::ostream& console, const char* label,
                           const FileVersionNumbers& version)
{
    console << label;
    if (version.major == 0) {
        console << "Unknown";
    } else {
        console << versionText(version);
    }
    console << std::endl;
}

// Libraries that may be missing are neither printed nor recorded then: a result should only
// claim the libraries the machine has.
void printAndRecordIfKnown(std::ostream& console, const char* label, const std::string& fileName,
                           const FileVersionNumbers& version, BCObjectCollection& libraries,
                           SystemDescriptionRecords& records)
{
    if (version.major == 0) {
        return;
    }
    console << label << versionText(version) << std::endl;
    addLibrary(libraries, records, fileName, version);
}

} // namespace

std::shared_ptr<BCObjectCollection> makeLibraryCollection()
{
    return std::make_shared<BCObjectCollection>("Libraries", "BenchmarkLibraryVersion");
}

SystemDescriptionRecords recordSystemDescription(BCObject& root, BCObjectCollection& libraries,
                                                 const SystemDescription& description)
{
    SystemDescriptionRecords records;
    records.operatingSystem =
        std::make_shared<BCOperatingSysVersionObj>("Windows", description.osDescription);
    root.addSubObject("OperatingSystem", records.operatingSystem);
    records.processor = std::make_shared<BCCPUObj>(description.cpuName);
    root.addSubObject("Processor", records.processor);
    records.motherboard =
        std::make_shared<BCMotherboardObj>(description.boardModel, description.boardManufacturer);
    root.addSubObject("Motherboard", records.motherboard);

    root.addField("ProcessorVersion", description.cpuVersion, kSearchKey);
    root.addField("ProcessorClockSpeed", std::to_string(description.cpuClockSpeed), kSearchKey);
    root.addField("FSBClockSpeed", std::to_string(description.externalBusSpeed), kSearchKey);
    root.addField("L1CacheSize", std::to_string(description.l1CacheSize), kSearchKey);
    root.addField("L2CacheSize", std::to_string(description.l2CacheSize), kSearchKey);
    root.addField("L3CacheSize", std::to_string(description.l3CacheSize), kSearchKey);
    root.addField("RAMSize", std::to_string(description.totalMemory), kSearchKey);
    // The server reads the description records' bytes in this page; a result is never looked
    // up, so the field changes no record's identity.
    if (description.codePage != 0) {
        root.addField("CodePage", std::to_string(description.codePage), kSearchKey);
    }

    addLibrary(libraries, records, "kernel32.dll", description.kernel32);
    addLibrary(libraries, records, "gdi32.dll", description.gdi32);
    return records;
}

void printSystemDescription(OutputPair& output, const SystemDescription& description)
{
    output << "System Information:" << std::endl;
    output << "OS: " << "Windows" << " " << description.osDescription << std::endl;
    output << "Motherboard/Device: " << description.boardModel
           << ", manufactured by: " << description.boardManufacturer << std::endl;
    output << "CPU: " << description.cpuName << ", " << description.cpuVersion << " @ ";
    printFrequency(output, description.cpuClockSpeed);
    output << std::endl;
    output << "L1 Cache Size: " << description.l1CacheSize
           << ", L2 Cache Size: " << description.l2CacheSize
           << ", L3 Cache Size: " << description.l3CacheSize << std::endl;
    output << "Total RAM: ";
    printSize(output, description.totalMemory);
    output << std::endl;
    output << "External Bus (FSB) Speed: ";
    printFrequency(output, description.externalBusSpeed);
    output << std::endl;
}

void printLibraryVersions(OutputPair& output, const SystemDescription& description,
                          BCObjectCollection& libraries, SystemDescriptionRecords& records)
{
    std::ostream& console = output.console();
    printVersionOrUnknown(console, "Kernel32.dll version: ", description.kernel32);
    printVersionOrUnknown(console, "Gdi32.dll version: ", description.gdi32);
    printAndRecordIfKnown(console, "d2d1.dll version: ", "d2d1.dll", description.d2d1, libraries,
                          records);
    printAndRecordIfKnown(console, "d3d10.dll version: ", "d3d10.dll", description.d3d10,
                          libraries, records);
}

void printDescriptionEnd(OutputPair& output)
{
    output << std::endl << std::endl;
}
