#pragma once
// The connected target: connection and identification over the C2 or JTAG
// link, and the flash interface of the link the part answered on. One object
// per programmer; it holds every piece of link state (no globals) and shows
// no messages: it reports what it found.
#include "lpt/Clock.h"
#include "target/AdapterSignals.h"
#include "target/ChipInfo.h"
#include "target/FlashLink.h"

#include <cstdint>
#include <memory>

namespace vorbrant {

struct JtagChainList;
struct JtagIdentRow;
struct C2Result;
enum class C2LockTest : uint8_t;
class C2Link;
class JtagLink;
class C2FlashLink;
class JtagFlashLink;

enum class ConnectOutcome : uint8_t {
    NoAdapter, // no adapter, or nothing answered on either link
    Unknown,   // answered with Id, but no table row identifies it
    Locked,    // identified as a locked part (Chip holds the locked facts)
    Connected,
};

struct ConnectResult {
    ConnectOutcome Kind = ConnectOutcome::NoAdapter;
    int32_t Id = -1; // the identification word; -1 with NoAdapter
    // The part was found unlocked by a family whose unlocked answer ends
    // the once-per-connection locked warning.
    bool ClearsLockWarning = false;

    bool Answered() const { return Kind != ConnectOutcome::NoAdapter; }
    bool Identified() const { return Kind == ConnectOutcome::Connected || Kind == ConnectOutcome::Locked; }
};

class Target {
public:
    // chain is the chain list whose fill counts SetChainPosition applies
    // (owned by the caller, may be empty).
    Target(AdapterSignals& adapter, Clock& clock, const JtagChainList& chain);
    ~Target();
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    ConnectResult ConnectTarget();
    void DisconnectTarget();
    // The identification word read again, without a reset: true while the
    // part still answers as the one the last connect identified. A run
    // asks before it blames a mismatch on the flash.
    bool SamePartAnswers();
    // A one-byte read at address, on a run of its own, out of no cache:
    // true when the part lets the host read there.
    bool ReadsAt(uint32_t address);
    // Bypass bits around the device at this chain position (0 = single device).
    void SetChainPosition(uint8_t position);

    // The flash interface of the link the part answered on.
    FlashLink& Flash();
    C2FlashLink& C2Flash() { return *c2Flash_; }
    JtagFlashLink& JtagFlash() { return *jtagFlash_; }

    ChipInfo Chip;

    AdapterSignals& Pins() { return adapter_; }
    C2Link& C2() { return *c2_; }
    JtagLink& Jtag() { return *jtag_; }

private:
    // The identification word over C2 or JTAG (Chip.C2Mode, DeviceCode and
    // DeviceRevision set); false with id -1 when nothing answered.
    bool ReadIdentification(int32_t& id);
    // The identification word of the part on the link identification
    // chose, read without resetting it; -1 or 0 when nothing answers.
    int32_t ReadIdentityAgain();
    void PrepareF12x(const JtagIdentRow& row);
    void IdentifyJtag(const JtagIdentRow* row);
    // Locked when the family's lock test found the part locked.
    ConnectOutcome IdentifyC2(bool& clearsLockWarning);
    void SetNotIdentifiedCode();
    void ApplyC2Result(const C2Result& result);
    // The facts that follow from the identified flash size (none for a
    // part that is not identified).
    void ApplyFlashSizeFacts();
    bool JtagProbe(uint32_t address);
    bool C2Probe(uint32_t address);
    bool C2LockedByTest(C2LockTest test);

    AdapterSignals& adapter_;
    Clock& clock_;
    int32_t identifiedId_ = -1; // the identification word of the last connect
    std::unique_ptr<C2Link> c2_;
    std::unique_ptr<JtagLink> jtag_;
    std::unique_ptr<C2FlashLink> c2Flash_;
    std::unique_ptr<JtagFlashLink> jtagFlash_;
};

} // namespace vorbrant
