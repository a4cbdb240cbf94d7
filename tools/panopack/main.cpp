// panopack: makes panorama viewer executables from a JPEG, and inspects them.
#include <iostream>

#include "tools/panopack/panopack.h"

int main(int argc, char** argv)
{
    return RunPanopack(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
