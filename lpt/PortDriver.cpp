#include "lpt/PortDriver.h"

#include "lpt/DirectDriver.h"
#include "lpt/PpdevDriver.h"

#include <utility>

namespace vorbrant {

std::unique_ptr<PortDriver> MakePortDriver(std::string_view kind, std::string procRoot, std::string devRoot)
{
    if (kind == "ppdev")
        return std::make_unique<PpdevDriver>(std::make_unique<LinuxPpdevCalls>(), std::move(procRoot),
                                             std::move(devRoot));
    if (kind == "direct")
        return std::make_unique<DirectDriver>(std::move(procRoot));
    return nullptr;
}

} // namespace vorbrant
