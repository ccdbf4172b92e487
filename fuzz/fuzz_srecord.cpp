// Motorola S-record files, line by line, as the loader reads them.
#include "FuzzRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorbrant::fuzzing::FuzzRecordFormat(vorbrant::LoadFormat::SRecord, data, size, vorbrant::fuzzing::IgnoredOffset(size));
    return 0;
}
