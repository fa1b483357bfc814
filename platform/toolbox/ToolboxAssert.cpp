#include "ToolboxAssert.h"

#include <cstdio>
#include <cstdlib>

void ToolboxAssertFailed(const char* inCondition, const char* inFile, int inLine)
{
    std::fprintf(stderr, "Toolbox assertion failed: %s (%s:%d)\n", inCondition, inFile, inLine);
    std::fflush(stderr);
    std::abort();
}
