#pragma once
// The byte pipe to an FT232H in MPSSE mode: command bytes out, result bytes
// in. libftdi1 on real hardware (LibFtdiTransport), the simulator's MPSSE
// interpreter in tests and --sim runs.
//
//   transport.Write(batch.Bytes());
//   transport.Read(replies.data(), batch.ReplyCount(), 500);
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorbrant {

class FtdiTransport {
public:
    virtual ~FtdiTransport() = default;
    // False when the device is gone.
    virtual bool Write(const std::vector<uint8_t>& bytes) = 0;
    // Exactly n bytes within timeoutMs, or false.
    virtual bool Read(uint8_t* data, size_t n, uint32_t timeoutMs) = 0;
};

} // namespace vorbrant
