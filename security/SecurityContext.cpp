#include "security/SecurityContext.h"

namespace vorbrant {

bool EraseC2Chip(SecurityContext& context)
{
    if (!context.Dev.Flash().EraseFlash(EraseKind::Chip, 0, 0))
        return false;
    context.Reconnect();
    return true;
}

} // namespace vorbrant
