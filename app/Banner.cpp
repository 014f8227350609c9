#include "app/Banner.h"

#include "BuildConfig.h"
#include "base/OutputPair.h"

namespace {
const char* const separator = "------------------------------------------------------------";
}

void printBanner(OutputPair& output)
{
    output << separator << std::endl;
    output << "Korvid " KORVID_VERSION << std::endl;
    output << "A benchmark tool for graphics cards." << std::endl;
    output << "Measures 2D drawing through Direct2D (or GDI) on this machine's graphics card." << std::endl;
    output << std::endl;
    output << "Run it with -h to see the command line options." << std::endl;
    output << separator << std::endl;
    output << std::endl;
}

void printSeparatorLine(OutputPair& output)
{
    output << separator << std::endl;
}
