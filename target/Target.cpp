// The target object: its links, and the flash interface of the one the part
// answered on.
#include "target/Target.h"

#include "target/C2FlashLink.h"
#include "target/C2Link.h"
#include "target/JtagFlashLink.h"
#include "target/JtagLink.h"

namespace vorbrant {

Target::Target(AdapterSignals& adapter, Clock& clock, const JtagChainList& chain)
    : adapter_(adapter), clock_(clock), c2_(std::make_unique<C2Link>(adapter, clock, Chip)),
      jtag_(std::make_unique<JtagLink>(adapter, clock, chain)), c2Flash_(std::make_unique<C2FlashLink>(*c2_, Chip)),
      jtagFlash_(std::make_unique<JtagFlashLink>(*jtag_, clock, Chip))
{
}

Target::~Target() = default;

void Target::SetChainPosition(uint8_t position)
{
    jtag_->SetChainPosition(position);
}

FlashLink& Target::Flash()
{
    if (Chip.C2Mode)
        return *c2Flash_;
    return *jtagFlash_;
}

} // namespace vorbrant
