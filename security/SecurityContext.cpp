#include "security/SecurityContext.h"

namespace vorbrant {

bool ConfirmAndEraseC2Chip(SecurityContext& context)
{
    if (!context.Op.AskOkCancel(ChipEraseQuestion, false))
        return false;
    context.Op.SetBusy(true);
    if (!context.Dev.Flash().EraseFlash(EraseKind::Chip, 0, 0)) {
        context.Op.ShowMessage(MessageKind::Error, ChipEraseFailedText);
        context.Op.SetBusy(false);
        return false;
    }
    context.Reconnect();
    return true;
}

} // namespace vorbrant
