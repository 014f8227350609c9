#pragma once

class OutputPair;

// The banner that opens every run, printed through the output pair.
void printBanner(OutputPair& output);

// The line of 60 hyphens that frames the banner and opens the submission status.
void printSeparatorLine(OutputPair& output);
