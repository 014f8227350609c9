#pragma once

#include <cstdint>
#include <string>

// Conversions of the management service's values into the units the result records carry.

// Megahertz to hertz, without 32-bit overflow: 2400 gives 2400000000.
uint64_t megahertzToHertz(uint32_t megahertz);

// Cache sizes come in kilobytes and are kept in 32 bits: 512 gives 524288.
uint32_t kilobytesToBytes(uint32_t kilobytes);

// The total physical memory arrives as decimal text. Blanks around the digits are allowed;
// anything else, no digits at all, or a value beyond 64 bits gives 0.
uint64_t parseMemorySize(const std::string& text);

// The adapter's memory size is a 32-bit count that the service delivers as a signed number:
// only its low 32 bits mean anything.
uint64_t videoMemoryFromAdapterRam(uint32_t adapterRam);
