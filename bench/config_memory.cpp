// Memory and CPU time of reading the worst configuration files the program
// accepts: 32 MiB (the size limit) of nothing but line ends, of one key
// repeated, of one line, of 1 M sections, of distinct keys, and of one
// section opened again and again; each read the way --ini, --jcf and
// --sim=@ read it. Each read runs in a child process of its own, so its
// peak resident size (PeakMB, the whole process) and CPU time (CpuS) are
// its own. The goal is under 200 MB and 1 s for each.
#include "chain/JcfFile.h"
#include "common/IniFile.h"
#include "sim/SimConfig.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace vorbrant;

constexpr size_t FileSize = IniFile::MaxFileSize;

std::string Repeat(const std::string& head, const std::string& unit)
{
    std::string text = head;
    text.reserve(FileSize);
    while (text.size() + unit.size() <= FileSize)
        text += unit;
    return text;
}

struct Case {
    const char* Name;
    std::function<std::string()> Make;
};

const Case Cases[] = {
    {"LineEnds", [] { return std::string(FileSize, '\n'); }},
    {"OneKeyRepeated", [] { return Repeat("[S]\n", "K=\n"); }},
    {"OneHugeLine", [] { return "[S]\nK=" + std::string(FileSize - 6, 'x'); }},
    {"1MSections",
     [] {
         std::string text;
         text.reserve(FileSize);
         char line[40];
         for (int i = 0; i < (1 << 20); ++i) {
             // 32 bytes a section: a header and one key.
             std::snprintf(line, sizeof line, "[S%07d]\nK=%018d\n", i, i);
             text += line;
         }
         return text;
     }},
    {"DistinctKeys",
     [] {
         std::string text = "[S]\n";
         text.reserve(FileSize);
         char line[24];
         for (int i = 0; text.size() + 11 <= FileSize; ++i) {
             std::snprintf(line, sizeof line, "K%07d=\n", i);
             text += line;
         }
         return text;
     }},
    {"OneSectionReopened", [] { return Repeat("", "[S]\n"); }},
};

struct Reader {
    const char* Name;
    std::function<void(const std::string& path)> Read;
};

const Reader Readers[] = {
    {"ini",
     [](const std::string& path) {
         IniFile ini(path);
         benchmark::DoNotOptimize(ini.ReadString("ENVIRONMENT", "Port", ""));
     }},
    {"jcf",
     [](const std::string& path) {
         JtagChainList chain;
         benchmark::DoNotOptimize(LoadJcfFile(path, chain));
     }},
    {"sim",
     [](const std::string& path) {
         sim::SimConfig config;
         std::string error;
         benchmark::DoNotOptimize(sim::ParseSimSpec("@" + path, config, error));
     }},
};

std::string folder;

void ReadInChild(benchmark::State& state, const std::string& path, const Reader& reader)
{
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            reader.Read(path);
            _exit(0);
        }
        int status = 0;
        struct rusage usage {};
        wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("the reading child failed");
        const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        state.SetIterationTime(cpu);
        state.counters["PeakMB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
        state.counters["CpuS"] = cpu;
    }
}

} // namespace

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/vorbrant-config-memory-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    folder = pattern;
    std::vector<std::string> files;
    for (const Case& c : Cases) {
        const std::string path = folder + "/" + c.Name + ".ini";
        std::ofstream(path, std::ios::binary) << c.Make();
        files.push_back(path);
        for (const Reader& r : Readers)
            benchmark::RegisterBenchmark((std::string(c.Name) + "/" + r.Name).c_str(),
                                         [path, &r](benchmark::State& s) { ReadInChild(s, path, r); })
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const std::string& f : files)
        std::remove(f.c_str());
    rmdir(folder.c_str());
    return 0;
}
