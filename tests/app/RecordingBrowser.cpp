// Stands in for a web browser in the tests of opening web pages: appends its command line and
// its arguments, one per line, to the file named by KORVID_BROWSER_RECORD, then ends.
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include <windows.h>

int main(int argc, char** argv)
{
    const char* record = std::getenv("KORVID_BROWSER_RECORD");
    if (!record)
        return 2;
    std::ofstream out(record, std::ios::app | std::ios::binary);
    out << "commandline " << GetCommandLineA() << "\n";
    for (int i = 1; i < argc; ++i)
        out << "arg " << argv[i] << "\n";
    out << "end\n";
    return 0;
}
