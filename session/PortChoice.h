#pragma once
// The port the operator chose, as the configuration stores it: 1..100 are
// serial port numbers (no adapter port here), 101..103 LPT1..LPT3 and 104 a
// user-defined address. Other values read from a file stay as they are.
#include <cstdint>
#include <string>

namespace vorbrant {

enum class PortChoice : uint8_t { None = 0, Lpt1 = 101, Lpt2 = 102, Lpt3 = 103, UserDefined = 104 };

constexpr uint8_t ToInt(PortChoice choice) { return static_cast<uint8_t>(choice); }
// An adapter port (LPT1.. or the user-defined address).
constexpr bool IsLptChoice(PortChoice choice) { return ToInt(choice) > 100; }
// 1 for LPT1; meaningful for IsLptChoice values.
constexpr int LptNumber(PortChoice choice) { return ToInt(choice) - 100; }
constexpr PortChoice LptChoice(int number) { return static_cast<PortChoice>(100 + number); }
// LPT1..LPT3 at their fixed or discovered addresses.
constexpr bool IsNumberedLpt(PortChoice choice) { return choice >= PortChoice::Lpt1 && choice <= PortChoice::Lpt3; }

} // namespace vorbrant
