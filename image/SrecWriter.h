#pragma once
// Motorola S-record output: a header record (S0), data records of up to 32
// bytes counted from the start, a record count (S5, or S6 beyond 65,535
// records) and the end record that goes with the data records (S9 after S1,
// S8 after S2, S7 after S3); CR LF line ends, as the Intel HEX writer.
#include <cstdint>
#include <string>

namespace vorbrant {

// The address bytes the data records use: wanted (2 = S1, 3 = S2, 4 = S3;
// 0 = as few as the highest address needs), widened when the highest
// address does not fit.
unsigned SrecAddressBytes(uint32_t lastAddress, unsigned wanted);

// The whole S-record text of count bytes starting at address start (data
// points at the byte for start).
void AppendSrecImage(std::string& out, const uint8_t* data, uint32_t start, uint32_t count, unsigned addressBytes = 0);

} // namespace vorbrant
