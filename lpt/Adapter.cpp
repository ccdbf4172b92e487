#include "lpt/Adapter.h"

#include "lpt/PinMap.h"

namespace vorbrant {

bool Adapter::ReadPin(uint8_t pin)
{
    if (!ioAccessGranted_ || pin < FirstPin || pin > LastPin)
        return false;
    const PinInfo& p = PinTable[pin];
    uint8_t v = io_.PortIn(static_cast<uint16_t>(ports_.LptBase + static_cast<uint8_t>(p.Register)));
    return PinLevel(p, v);
}

void Adapter::SetPin(uint8_t pin, bool high)
{
    if (!ioAccessGranted_ || pin < FirstPin || pin > LastPin)
        return;
    const PinInfo& p = PinTable[pin];
    if (!p.Settable)
        return;
    auto port = static_cast<uint16_t>(ports_.LptBase + static_cast<uint8_t>(p.Register));
    uint8_t v = io_.PortIn(port);
    bool setBit = p.HighWhenClear ? !high : high;
    v = setBit ? static_cast<uint8_t>(v | p.Mask) : static_cast<uint8_t>(v & ~p.Mask);
    io_.PortOut(port, v);
}

bool Adapter::DetectAdapter()
{
    SecondGeneration = false;
    // Pin 10 must follow data bits 4/5: high with 0xFF, low with 0xCF.
    WriteData(0xFF);
    SetPin(14, true);
    AdapterName = "Ironquill";
    if (!ReadPin(10))
        return false;
    WriteData(0xCF);
    if (ReadPin(10))
        return false;
    // The second generation also returns data bit 4 on pin 13.
    if (!ReadPin(13)) {
        WriteData(0xDF);
        if (ReadPin(13)) {
            AdapterName = "Ironquill2";
            SecondGeneration = true;
        }
    }
    WriteData(0x8F);
    DataShadow = 0x8F;
    return true;
}

} // namespace vorbrant
