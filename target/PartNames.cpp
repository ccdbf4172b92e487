#include "target/PartNames.h"

#include "common/Text.h"
#include "target/IdentTables.h"

#include <string_view>
#include <vector>

namespace vorbrant {

namespace {

// "F" and at least three digits.
bool IsPartNumber(std::string_view name)
{
    return name.size() >= 4 && name.front() == 'F' &&
           name.find_first_not_of("0123456789", 1) == std::string_view::npos;
}

// Same length, and every character equal or an 'X' of the table's standing
// for any digit ("F2XX", "F34x").
bool SameWithWildcards(std::string_view pattern, std::string_view part)
{
    if (pattern.size() != part.size())
        return false;
    for (size_t i = 0; i < pattern.size(); ++i)
        if (pattern[i] != part[i] && !(pattern[i] == 'X' && part[i] >= '0' && part[i] <= '9'))
            return false;
    return true;
}

// The last digits of base replaced by a shorter tail: "F340" and "2" give
// "F342", "F120" and "131" give "F131".
std::string WithTail(std::string_view base, std::string_view tail)
{
    if (tail.size() >= base.size())
        return std::string(tail);
    return std::string(base.substr(0, base.size() - tail.size())) + std::string(tail);
}

// One alternative of a table name: "F340/2/4/6", "F020..23", "F2XX".
bool PieceMatches(std::string_view piece, std::string_view part)
{
    if (size_t dots = piece.find(".."); dots != std::string_view::npos) {
        const std::string_view first = piece.substr(0, dots);
        const std::string last = WithTail(first, piece.substr(dots + 2));
        // Part numbers of one length compare as their digits do.
        return part.size() == first.size() && part.size() == last.size() && first <= part && part <= last;
    }
    size_t slash = piece.find('/');
    const std::string_view base = piece.substr(0, slash);
    if (SameWithWildcards(base, part))
        return true;
    while (slash != std::string_view::npos) {
        const size_t next = piece.find('/', slash + 1);
        if (SameWithWildcards(WithTail(base, piece.substr(slash + 1, next - slash - 1)), part))
            return true;
        slash = next;
    }
    return false;
}

// Every derivative name the identification tables can give.
std::vector<const char*> TableNames()
{
    std::vector<const char*> names;
    auto add = [&](const char* name) {
        if (name)
            names.push_back(name);
    };
    for (const JtagIdentRow& row : JtagIdentTable()) {
        add(row.Name);
        add(row.SmallName);
    }
    for (const C2IdentRow& row : C2IdentTable()) {
        add(row.WhenAllProbesPass.Name);
        add(row.Locked.Name);
        for (uint8_t i = 0; i < row.ProbeCount; ++i)
            add(row.Probes[i].Result.Name);
    }
    return names;
}

} // namespace

std::string NormalPartName(const std::string& written)
{
    std::string name = ToUpper(Trim(written));
    if (name.starts_with("C8051"))
        name.erase(0, 5);
    if (size_t dash = name.find('-'); dash != std::string::npos)
        name.erase(dash);
    return IsPartNumber(name) ? name : std::string();
}

bool PartNameMatches(const std::string& derivativeName, const std::string& written)
{
    const std::string part = NormalPartName(written);
    if (part.empty())
        return false;
    std::string_view name = derivativeName;
    if (name.starts_with("Locked "))
        name.remove_prefix(7);
    const std::string table = ToUpper(std::string(name));
    std::string_view rest = table;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        if (PieceMatches(rest.substr(0, comma), part))
            return true;
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    }
    return false;
}

bool IsCataloguePart(const std::string& written)
{
    for (const char* name : TableNames())
        if (PartNameMatches(name, written))
            return true;
    return false;
}

} // namespace vorbrant
