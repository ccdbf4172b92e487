// The adapters beside the parallel port, on the simulator's clock and the
// MPSSE interpreter's timing model (each run is vorbrant-cli with --sim, so
// the figures are what a user's batch run reports):
//
//  1. whole-part program and verify over LPT, GPIO and FT232H: port time,
//     USB round trips per 256-byte block, violations;
//  2. GPIO against LPT on every run;
//  3. a gang of four simulated boards against one, on the wall clock.
//
// The figures are checked against the goals at the end; the program exits 1
// when one is missed.
#include "lpt/Clock.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Cli()
{
    char self[PATH_MAX] = "";
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    return (fs::path(std::string(self, n > 0 ? static_cast<size_t>(n) : 0)).parent_path().parent_path() / "vorbrant-cli")
        .string();
}

struct Run {
    int Code = -1;
    double PortSeconds = -1;
    long RoundTrips = 0;
    long Violations = 0;
};

Run Cli(const std::string& args)
{
    const std::string command = Cli() + " " + args + " 2>&1";
    Run run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = pclose(pipe);
    run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const size_t result = out.rfind("Result:");
    if (result == std::string::npos)
        return run;
    const std::string line = out.substr(result);
    const size_t on = line.find(" s on the port");
    if (on != std::string::npos)
        run.PortSeconds = std::atof(line.substr(line.rfind(' ', on - 1) + 1).c_str());
    const size_t trips = line.find(" USB round trips");
    if (trips != std::string::npos)
        run.RoundTrips = std::atol(line.substr(line.rfind(' ', trips - 1) + 1).c_str());
    const size_t violations = line.find(" protocol violations");
    if (violations != std::string::npos)
        run.Violations = std::atol(line.substr(line.rfind(' ', violations - 1) + 1).c_str());
    return run;
}

void WriteImage(const std::string& path, size_t size)
{
    std::mt19937 random(27);
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < size; ++i)
        out.put(static_cast<char>(random() & 0xFF));
}

struct Goal {
    std::string What;
    double Value;
    double Limit;
    bool Met() const { return Value >= 0 && Value <= Limit; }
};

} // namespace

int main()
{
    char folder[] = "/tmp/vorbrant-adapter-bench-XXXXXX";
    if (!mkdtemp(folder))
        return 2;
    const std::string dir = folder;
    std::vector<Goal> goals;
    long violations = 0;

    struct Part {
        const char* Name;
        size_t Bytes; // the code area below the lock bytes
        double LptVerify, LptProgram;
        double GoalVerify, GoalProgram;
    };
    // The LPT figures the goals were set against; measured again below.
    const Part parts[] = {{"F340", 0xFBFF, 4.5, 4.3, 1.5, 4.0}, {"F120", 0x1FBFE, 10.8, 15.0, 2.5, 12.0}};

    std::printf("## Whole part over each adapter (s on the port)\n\n");
    std::printf("| Part | Adapter | Program | Verify | USB round trips per block (program / verify) | Violations |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (const Part& part : parts) {
        const std::string image = dir + "/" + part.Name + ".bin";
        WriteImage(image, part.Bytes);
        const double blocks = static_cast<double>((part.Bytes + 255) / 256);
        double lpt[2] = {0, 0};
        for (const char* adapter : {"ironquill2", "gpio", "ft232h"}) {
            const std::string flash = dir + "/" + part.Name + "-" + adapter + ".flash";
            const std::string sim = std::string("--sim=") + part.Name + ",adapter=" + adapter + ",flash=" + flash;
            const Run program = Cli(sim + " -f" + image + " --format=bin --steps=program");
            const Run verify = Cli(sim + " -f" + image + " --format=bin --steps=verify");
            violations += program.Violations + verify.Violations;
            if (program.Code != 0 || verify.Code != 0)
                goals.push_back({std::string(part.Name) + " over " + adapter + " ended with an exit code", 1, 0});
            std::printf("| %s | %s | %.3f | %.3f | %.2f / %.2f | %ld |\n", part.Name, adapter, program.PortSeconds,
                        verify.PortSeconds, program.RoundTrips / blocks, verify.RoundTrips / blocks,
                        program.Violations + verify.Violations);
            const std::string name = std::string(part.Name) + " over " + adapter;
            if (std::string(adapter) == "ironquill2") {
                lpt[0] = program.PortSeconds;
                lpt[1] = verify.PortSeconds;
            } else if (std::string(adapter) == "gpio") {
                goals.push_back({name + ": program, times the LPT port time", program.PortSeconds / lpt[0], 1.3});
                goals.push_back({name + ": verify, times the LPT port time", verify.PortSeconds / lpt[1], 1.3});
            } else {
                goals.push_back({name + ": program (s)", program.PortSeconds, part.GoalProgram});
                goals.push_back({name + ": verify (s)", verify.PortSeconds, part.GoalVerify});
                goals.push_back({name + ": USB round trips per block, program", program.RoundTrips / blocks, 2});
                goals.push_back({name + ": USB round trips per block, verify", verify.RoundTrips / blocks, 2});
            }
        }
    }

    // 3. Gang: four boards of 32 KB each against one, on the wall clock.
    std::printf("\n## Gang of simulated F340 boards, 32 KB each, erase, program, verify (wall clock)\n\n");
    const std::string image = dir + "/gang.bin";
    WriteImage(image, 32768);
    double cpu[5] = {};
    auto gang = [&](int slots) {
        std::ofstream ini(dir + "/gang" + std::to_string(slots) + ".ini");
        for (int i = 1; i <= slots; ++i)
            ini << "[Slot " << i << "]\nSim=F340,flash=" << dir << "/gang" << slots << "-" << i << ".flash\nFile=" << image
                << "\n";
        ini.close();
        vorbrant::RealClock clock;
        double best = 1e9;
        for (int round = 0; round < 3; ++round) {
            rusage before{}, after{};
            getrusage(RUSAGE_CHILDREN, &before);
            const uint64_t start = clock.NowNs();
            const Run run = Cli("--gang=" + dir + "/gang" + std::to_string(slots) + ".ini --format=bin -e -p -v");
            const double seconds = static_cast<double>(clock.NowNs() - start) / 1e9;
            getrusage(RUSAGE_CHILDREN, &after);
            auto secs = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
            cpu[slots] = secs(after.ru_utime) + secs(after.ru_stime) - secs(before.ru_utime) - secs(before.ru_stime);
            if (run.Code != 0)
                goals.push_back({"gang of " + std::to_string(slots) + " ended with an exit code", 1, 0});
            best = std::min(best, seconds);
        }
        return best;
    };
    const double one = gang(1), four = gang(4);
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("| Slots | Wall time (s, best of 3) | CPU time of the slots (s, last round) |\n|---|---|---|\n");
    std::printf("| 1 | %.3f | %.3f |\n| 4 | %.3f | %.3f |\n\n", one, cpu[1], four, cpu[4]);
    std::printf("%ld cores, load average %.2f while measuring (other work on the machine shares the cores)\n", cores,
                load[0]);
    goals.push_back({"gang of 4 against one slot (times)", four / one, cores >= 4 ? 1.3 : 2.6});
    goals.push_back({"protocol violations", static_cast<double>(violations), 0});

    std::printf("\n## Goals\n\n| Goal | Measured | Limit | Met |\n|---|---|---|---|\n");
    bool all = true;
    for (const Goal& g : goals) {
        std::printf("| %s | %.3f | %.3f | %s |\n", g.What.c_str(), g.Value, g.Limit, g.Met() ? "yes" : "NO");
        all = all && g.Met();
    }
    std::error_code ec;
    fs::remove_all(dir, ec);
    return all ? 0 : 1;
}
