#pragma once

// The machine-description queries on this machine's management service and processor.
// Windows only. Optional values are pointers (null: not read); failures throw text.
// The video-controller query is in base/VideoControllerInfo.h.

#include <cstdint>
#include <string>

std::string queryOperatingSystem();
std::string queryMotherboard(std::string* manufacturer = nullptr);
void queryProcessor(std::string* version = nullptr, uint64_t* clockSpeed = nullptr,
                    std::string* name = nullptr, uint64_t* externalBusSpeed = nullptr,
                    uint32_t* l1CacheSize = nullptr, uint32_t* l2CacheSize = nullptr,
                    uint32_t* l3CacheSize = nullptr);
uint64_t queryTotalMemory();
