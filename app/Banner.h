#pragma once

class OutputPair;

// The banner that opens every run, printed through the output pair.
void printBanner(OutputPair& output);
