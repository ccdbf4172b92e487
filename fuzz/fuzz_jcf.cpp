// JCF files and the JTAG device list: whatever the text, a chain of at most
// ten entries whose programming files are at most 255 trimmed characters,
// and every entry read back the same from the text it is written as.
#include "chain/JcfFile.h"
#include "chain/JtagDeviceTable.h"
#include "common/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool Same(const vorbrant::tJTAGChainDevice& a, const vorbrant::tJTAGChainDevice& b)
{
    return a.DeviceName == b.DeviceName && a.IRLength == b.IRLength && a.BSLength == b.BSLength &&
           a.IDCode == b.IDCode && a.ProgFileName == b.ProgFileName;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vorbrant;
    IniFile file;
    file.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    JtagChainList chain;
    ReadJcf(file, chain);
    if (chain.ChainDeviceCount() > JtagChainList::MaxChainDevices)
        std::abort();
    for (const tJTAGChainDevice& entry : chain.Devices) {
        if (entry.ProgFileName.size() > MaxProgFileChars)
            std::abort();
        tJTAGChainDevice again;
        std::string bad;
        if (!ParseChainEntry(ChainEntryText(entry), again, bad) || !Same(entry, again))
            std::abort();
    }
    (void)ChainReportText(chain);

    JtagDeviceTable table;
    table.Load(file);
    if (table.Entries.size() > JtagDeviceTable::MaxJtagDevices)
        std::abort();
    IniFile written;
    table.Save(written);
    JtagDeviceTable reread;
    reread.Load(written);
    if (reread.Entries.size() != table.Entries.size())
        std::abort();
    return 0;
}
