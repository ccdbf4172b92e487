// Loading and saving a 4 MiB image as Intel HEX, beside GNU objcopy doing the
// same on the same files in the same run. Prints MB/s of both and the ratio.
#include "image/FileLoader.h"
#include "image/FileSaver.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using namespace vorbrant;
using Clock = std::chrono::steady_clock;

// Best seconds per iteration of each benchmark, for the closing comparison.
struct Results {
    std::map<std::string, double> Best;
    void Note(const std::string& name, double seconds)
    {
        auto it = Best.find(name);
        if (it == Best.end() || seconds < it->second)
            Best[name] = seconds;
    }
};

bool RunProgram(std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Files {
    std::string Folder;
    std::string Hex;      // 4 MiB of random bytes as Intel HEX, 32-byte records
    std::string Bin;      // the same bytes as binary
    uintmax_t HexSize = 0;
};

Files MakeFiles()
{
    Files f;
    std::string tmpl = (std::filesystem::temp_directory_path() / "vorbrant-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    f.Folder = tmpl;
    f.Hex = f.Folder + "/image.hex";
    f.Bin = f.Folder + "/image.bin";
    auto image = std::make_unique<ImageBuffer>();
    std::mt19937 random(42);
    for (uint32_t a = 0; a < ImageBuffer::Capacity; ++a)
        image->StoreByte(a, static_cast<uint8_t>(random()));
    std::string error;
    if (!SaveImage(*image, f.Hex, SaveFormat::Hex, error) || !SaveImage(*image, f.Bin, SaveFormat::Binary, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    f.HexSize = std::filesystem::file_size(f.Hex);
    return f;
}

template <typename Work>
void Timed(benchmark::State& state, Results& results, const std::string& name, int64_t bytes, Work work)
{
    for (auto _ : state) {
        auto t0 = Clock::now();
        if (!work()) {
            state.SkipWithError("run failed");
            return;
        }
        double s = std::chrono::duration<double>(Clock::now() - t0).count();
        state.SetIterationTime(s);
        results.Note(name, s);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void PrintComparison(const Results& results, const char* what, const std::string& ours, const std::string& theirs,
                     double megabytes, double needed)
{
    auto a = results.Best.find(ours), b = results.Best.find(theirs);
    if (a == results.Best.end() || b == results.Best.end())
        return;
    double ratio = b->second / a->second;
    std::printf("%-5s vorbrant %8.1f MB/s   objcopy %8.1f MB/s   ratio %.2f (needs >= %.1f) %s\n", what,
                megabytes / a->second, megabytes / b->second, ratio, needed, ratio >= needed ? "ok" : "TOO SLOW");
}

} // namespace

int main(int argc, char** argv)
{
    const Files files = MakeFiles();
    Results results;
    auto image = std::make_unique<ImageBuffer>();
    const int64_t hexBytes = static_cast<int64_t>(files.HexSize);
    const int64_t imageBytes = ImageBuffer::Capacity;

    benchmark::RegisterBenchmark("LoadHex/vorbrant", [&](benchmark::State& state) {
        Timed(state, results, "load-ours", hexBytes, [&] {
            FileState fileState;
            fileState.CurrentFilePath = files.Hex;
            return LoadFile(*image, fileState).Loaded() && image->ImageSize == ImageBuffer::Capacity;
        });
    })->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("LoadHex/objcopy", [&](benchmark::State& state) {
        const std::string out = files.Folder + "/objcopy.bin";
        Timed(state, results, "load-objcopy", hexBytes,
              [&] { return RunProgram({"objcopy", "-I", "ihex", "-O", "binary", files.Hex, out}); });
    })->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SaveFormat::Hex/vorbrant", [&](benchmark::State& state) {
        const std::string out = files.Folder + "/ours.hex";
        image->StartAddress = 0;
        image->EndAddress = ImageBuffer::Capacity - 1;
        Timed(state, results, "save-ours", imageBytes, [&] {
            std::string error;
            return SaveImage(*image, out, SaveFormat::Hex, error);
        });
    })->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SaveFormat::Hex/objcopy", [&](benchmark::State& state) {
        const std::string out = files.Folder + "/objcopy.hex";
        Timed(state, results, "save-objcopy", imageBytes,
              [&] { return RunProgram({"objcopy", "-I", "binary", "-O", "ihex", files.Bin, out}); });
    })->UseManualTime()->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\nBest runs, %.1f MB of HEX text for a %.1f MB image:\n", hexBytes / 1e6, imageBytes / 1e6);
    PrintComparison(results, "load", "load-ours", "load-objcopy", hexBytes / 1e6, 2.0);
    PrintComparison(results, "save", "save-ours", "save-objcopy", imageBytes / 1e6, 1.0);
    std::error_code ec;
    std::filesystem::remove_all(files.Folder, ec);
    return 0;
}
