#pragma once
// The protection of a connected part as values, for scripts: read it, tell
// it in a line or two, write a requested protection and compare.
#include "target/Target.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorbrant {

struct Protection {
    SecurityAccess Kind = SecurityAccess::C2PageCount;
    uint8_t Pages = 0;           // C2 page count: pages locked from address 0
    uint8_t F30xByte = 0xFF;     // F30x: the lock byte as stored
    uint8_t ReadLock = 0xFF;     // JTAG bytes as stored: 0 bit = block locked
    uint8_t WriteEraseLock = 0xFF;
    // Pages was found by the reads the part refuses, its lock byte being
    // locked with them.
    bool CountedByReads = false;

    // The same protection, however it was learnt.
    bool operator==(const Protection& o) const
    {
        return Kind == o.Kind && Pages == o.Pages && F30xByte == o.F30xByte && ReadLock == o.ReadLock &&
               WriteEraseLock == o.WriteEraseLock;
    }
};

// What the command line asks to lock; each field fits one family only.
struct LockRequest {
    std::optional<int> Pages;
    std::optional<uint8_t> F30xByte;
    std::optional<uint8_t> ReadLock;
    std::optional<uint8_t> WriteEraseLock;

    bool Any() const { return Pages || F30xByte || ReadLock || WriteEraseLock; }
};

// Nothing when the part does not let its protection be read (the texts
// say why by the part's kind: ProtectionUnreadableText). A page count whose
// lock byte is locked with the pages (the byte's own page locks with any
// count) is counted from the reads the part refuses, on a part identified as
// itself.
std::optional<Protection> ReadProtection(Target& dev);

// After the reconnect that follows a lock: a part found locked shows as its
// family's locked row, whose name and size are not its own ("Locked F33x",
// 8 KB, for an F334). When the reconnect saw the family the part was
// identified as before, it keeps that identity, so that the check and the
// lines after it count the part's own pages.
void KeepIdentity(ChipInfo& chip, const ChipInfo& before);

// "Security: 4 pages locked (0x0000-0x07FF)", "Security: unprotected",
// "Security: read/write lock set, write lock clear", or the two JTAG lines
// "Read lock: FE (block 0000-1FFFH locked)" and "Write/erase lock: FF (none)".
std::vector<std::string> DescribeProtection(const ChipInfo& chip, const Protection& protection);

// Empty when the request fits the connected part, else why not. With
// erasedFirst (a chip erase comes before the lock) a part that answers only
// as its locked family passes: it is checked again once the erase has
// identified it afresh.
std::string CheckLockRequest(const ChipInfo& chip, const LockRequest& request, bool erasedFirst = false);
// Writes the requested bytes (fields of other families are ignored).
bool WriteLockRequest(Target& dev, const LockRequest& request);
// What the part holds after the request was written over `before`.
Protection ExpectedProtection(const Protection& before, const LockRequest& request);
// "4 pages", "F0", "read FE, write/erase FF": for the comparison message.
std::string ProtectionText(const Protection& protection);

} // namespace vorbrant
