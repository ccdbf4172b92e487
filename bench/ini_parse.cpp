// Reading configuration files: an INI of 25,000 and of 100,000 keys parsed,
// read key by key, one key changed and written back as text; and a simulator
// chain configuration of 20,000 sections. Time per file.
#include "common/IniFile.h"
#include "sim/SimConfig.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace vorbrant;

std::string KeysText(int keys)
{
    std::string text = "; generated\r\n[ENVIRONMENT]\r\nPort=1\r\n\r\n[JTAG Devices]\r\n";
    for (int i = 0; i < keys; ++i)
        text += "Device" + std::to_string(i) + " = F" + std::to_string(i % 1000) + ",8,0x" + std::to_string(i) + "\r\n";
    return text;
}

void IniParse(benchmark::State& state)
{
    const std::string text = KeysText(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        IniFile ini;
        ini.Parse(text);
        benchmark::DoNotOptimize(ini.ReadString("JTAG Devices", "Device" + std::to_string(state.range(0) - 1), ""));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(IniParse)->Arg(25000)->Arg(100000)->Unit(benchmark::kMillisecond);

// What the program does with its file: parse at start, read every key, and
// at close set keys and write the text back.
void IniStartAndClose(benchmark::State& state)
{
    const int keys = static_cast<int>(state.range(0));
    const std::string text = KeysText(keys);
    for (auto _ : state) {
        IniFile ini;
        ini.Parse(text);
        for (const auto& key : ini.ReadSection("JTAG Devices"))
            benchmark::DoNotOptimize(ini.ReadString("JTAG Devices", key, ""));
        ini.WriteString("ENVIRONMENT", "Port", "2");
        ini.WriteString("JTAG Devices", "Count", std::to_string(keys));
        benchmark::DoNotOptimize(ini.Serialize());
    }
    state.SetItemsProcessed(state.iterations() * keys);
}
BENCHMARK(IniStartAndClose)->Arg(25000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A --sim=@FILE with many sections: the first eleven devices are read.
void SimIniSections(benchmark::State& state)
{
    std::string text = "[Simulator]\nAdapter=ironquill\n";
    for (int i = 1; i <= state.range(0); ++i)
        text += "[Device" + std::to_string(i) + "]\nPart=F020\n";
    for (auto _ : state) {
        sim::SimConfig config;
        std::string error;
        benchmark::DoNotOptimize(sim::ParseSimIni(text, "bench.ini", config, error));
    }
}
BENCHMARK(SimIniSections)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
