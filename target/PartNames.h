#pragma once
// Part names as people write them ("F342", "C8051F342", "c8051f342-gq") held
// against the derivative names of the identification tables ("F340/2/4/6",
// "F020..23", "F2XX", "Locked F34x"), and what makes a JTAG chain entry a
// C8051F part.
#include <cstdint>
#include <string>

namespace vorbrant {

// The part number of a name as written: upper case, without a "C8051"
// prefix and without an ordering suffix after '-' ("F342"); empty when it
// is no "F" part number at all.
std::string NormalPartName(const std::string& written);

// True when the written name is one of the derivatives a table name stands
// for: "F342" matches "F340/2/4/6", "F021" matches "F020..23", "F345"
// matches "Locked F34x". An empty or unreadable name matches nothing.
bool PartNameMatches(const std::string& derivativeName, const std::string& written);

// True when some row of the identification tables stands for the name.
bool IsCataloguePart(const std::string& written);

} // namespace vorbrant
