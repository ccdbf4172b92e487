#include "chain/ChainCheck.h"

#include "chain/ChainTexts.h"

namespace vorbrant {

ChainCheckMessage MessageFor(const ChainCheckResult& result)
{
    switch (result.Kind) {
    case ChainCheckKind::Verified:
        return {MessageKind::Information, ChainVerifiedText};
    case ChainCheckKind::NoHardware:
        return {MessageKind::Warning, HardwareNotConnectedText};
    case ChainCheckKind::Mismatch:
        return {MessageKind::Error, ChainMismatchText(result.Position, result.IdRead)};
    }
    return {MessageKind::Error, HardwareNotConnectedText};
}

} // namespace vorbrant
