#pragma once

#include <cstdint>

class OutputPair;

// Both write the same text to both streams of the pair, with no line end, using the
// format flags and precision the streams have at the moment of the call.
void printSize(OutputPair& output, uint64_t bytes);
void printFrequency(OutputPair& output, uint64_t hertz);
