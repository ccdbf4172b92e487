#include "BuildInfo.h"

#include <cstdio>

int main()
{
    std::printf("Vorbrant Lite %s\n", vorbrant::build::Version);
    return 0;
}
