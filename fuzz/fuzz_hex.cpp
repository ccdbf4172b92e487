// Intel HEX files, line by line, as the loader reads them, under any load
// offset: the first four bytes of the input are the offset (little-endian),
// the rest is the file.
#include "FuzzRecords.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    uint32_t offset = 0;
    for (int i = 3; i >= 0; --i)
        offset = (offset << 8) | data[i];
    vorbrant::fuzzing::FuzzRecordFormat(vorbrant::LoadFormat::Hex, data + 4, size - 4,
                                        static_cast<int32_t>(offset));
    return 0;
}
