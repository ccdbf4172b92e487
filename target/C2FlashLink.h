#pragma once
// The flash operations over the C2 link. The read cache and the write buffer
// of a run live in the C2 link itself; this adds the run rules around them.
#include "target/ChipInfo.h"
#include "target/FlashLink.h"

namespace vorbrant {

class C2Link;

class C2FlashLink final : public FlashLink {
public:
    C2FlashLink(C2Link& link, const ChipInfo& chip);

    void BeginRun() override;
    void BreakRun() override {}
    // areaFlags are ignored: C2 parts reach all their flash by address.
    // Addresses above 16 bits are refused (they would wrap onto another byte).
    bool ReadFlashByte(uint32_t address, uint8_t& value, uint8_t areaFlags) override;
    bool WriteFlashByte(uint32_t address, uint8_t value, uint8_t areaFlags) override;
    std::optional<uint32_t> EndFlashAccess() override;
    std::optional<AddressSpan> LostBlock() const override { return lostBlock_; }
    bool EraseScratchpad() override { return true; }
    bool ReadLockByte(LockByte which, uint8_t& value) override;
    bool WriteLockByte(LockByte which, uint8_t value) override;
    bool SkipsAbsentBytes() const override { return false; }
    void ResetStallCount() override;
    uint32_t StallsRecovered() const override;

private:
    bool EraseCodePage(uint32_t address) override;
    // LockPage and Chip are both a device erase.
    bool EraseLockPage() override;
    bool EraseChip() override;

    uint16_t BlockLength(uint32_t address) const;
    // A failed operation keeps the link's cause and reads the identity
    // once: nothing answering is a lost part. Returns ok.
    bool Checked(bool ok);

    C2Link& link_;
    std::optional<AddressSpan> lostBlock_;
};

} // namespace vorbrant
