#pragma once

#include <memory>
#include <vector>

#include "sysinfo/SystemDescription.h"

class BCCPUObj;
class BCLibraryVersionObj;
class BCMotherboardObj;
class BCObject;
class BCObjectCollection;
class BCOperatingSysVersionObj;
class OutputPair;

// The records a description puts into a result; the run keeps these handles for its lifetime.
struct SystemDescriptionRecords {
    std::shared_ptr<BCOperatingSysVersionObj> operatingSystem;
    std::shared_ptr<BCCPUObj> processor;
    std::shared_ptr<BCMotherboardObj> motherboard;
    std::vector<std::shared_ptr<BCLibraryVersionObj>> libraries;
};

// The collection "Libraries" of "BenchmarkLibraryVersion" records that the run attaches to its
// root record before anything is gathered.
std::shared_ptr<BCObjectCollection> makeLibraryCollection();

// Adds the description to the result: the operating system, processor and motherboard records
// (sub-objects "OperatingSystem", "Processor", "Motherboard"), the search-key fields
// ProcessorVersion, ProcessorClockSpeed, FSBClockSpeed, L1CacheSize, L2CacheSize, L3CacheSize,
// RAMSize and (when known) CodePage, and library records for kernel32.dll and gdi32.dll (always, also 0.0.0.0).
// root is the client's root record (BenchmarkClient::getRootObject()).
SystemDescriptionRecords recordSystemDescription(BCObject& root, BCObjectCollection& libraries,
                                                 const SystemDescription& description);

// The "System Information:" block, to console and transcript.
void printSystemDescription(OutputPair& output, const SystemDescription& description);

// The library version lines, to the console only. Direct2D and Direct3D 10 appear, with a
// library record each, only when their versions are known.
void printLibraryVersions(OutputPair& output, const SystemDescription& description,
                          BCObjectCollection& libraries, SystemDescriptionRecords& records);

// Two empty lines that close the description, to console and transcript.
void printDescriptionEnd(OutputPair& output);
