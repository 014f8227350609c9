#include <iostream>
#include <sstream>

#include "app/Banner.h"
#include "app/OutputPair.h"

int main()
{
    std::ostringstream transcript;
    OutputPair output(std::cout, transcript);
    printBanner(output);
    return 0;
}
