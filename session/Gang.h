#pragma once
// Gang programming: several boards at once, one slot per adapter, each slot
// a vorbrant-cli of its own (its own port, programmer stack and
// configuration), started together. The slots' output is shown slot by
// slot, then a table, and the gang ends with the first failing slot's code.
//
// The gang file (INI), one section per slot, in order:
//   [Board A]
//   Adapter=LPT1                  ; LPT1..LPT3, gpio:..., ft232h..., or sim
//   Sim=F340,flash=a.bin          ; a simulated board (with Adapter=sim, gpio or ft232h)
//   File=firmware.hex             ; this slot's file (else the -f of the command line)
//   Part=F340                     ; the part the board must carry
#include <cstdio>
#include <string>
#include <vector>

namespace vorbrant {

struct GangSlot {
    std::string Name;
    std::string Adapter;
    std::string Sim;
    std::string File;
    std::string Part;
};

struct GangSlotResult {
    int ExitCode = 0;
    double Seconds = 0;
    std::string Output;
};

// False with a reason: the file cannot be read, has no slots, a slot names
// no adapter, an unknown adapter, or two slots share one adapter.
bool ReadGangFile(const std::string& path, std::vector<GangSlot>& slots, std::string& error);

// The command line of a slot's program (after the program's name).
std::vector<std::string> GangSlotArguments(const GangSlot& slot, const std::vector<std::string>& classicArgs,
                                           const std::string& iniPath);

// slot | adapter | part | result | exit code | time
std::string GangTable(const std::vector<GangSlot>& slots, const std::vector<GangSlotResult>& results);

// The whole gang run; out gets the slots' output, the table and the result
// line. Returns the exit code.
int RunGang(const std::string& gangFile, const std::vector<std::string>& classicArgs, std::FILE* out);

} // namespace vorbrant
