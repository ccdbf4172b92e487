#include "session/Gang.h"

#include "common/IniFile.h"
#include "common/Text.h"
#include "lpt/Clock.h"
#include "session/AdapterOptions.h"
#include "session/ExitCodes.h"
#include "session/Messages.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vorbrant {

namespace {

// What two slots may not share: the LPT port, the GPIO chip, the FT232H.
std::string AdapterIdentity(const GangSlot& slot, std::string& error)
{
    const std::string upper = ToUpper(slot.Adapter);
    if (upper == "LPT1" || upper == "LPT2" || upper == "LPT3")
        return upper;
    if (upper == "SIM") {
        if (slot.Sim.empty())
            error = "slot [" + slot.Name + "] has Adapter=sim but no Sim= board";
        return "";
    }
    AdapterChoice choice;
    if (!ParseAdapterChoice(slot.Adapter, choice, error)) {
        error = "slot [" + slot.Name + "]: " + error;
        return "";
    }
    if (!slot.Sim.empty())
        return ""; // a simulated board behind the adapter's model
    switch (choice.Kind) {
    case AdapterKind::Lpt: error = "slot [" + slot.Name + "]: name the port (LPT1, LPT2 or LPT3)"; return "";
    case AdapterKind::Gpio: return "gpio " + choice.Gpio.Chip;
    case AdapterKind::Ft232h:
        return "ft232h " + (choice.Ft232h.Serial.empty() ? choice.Ft232h.BusPath : choice.Ft232h.Serial);
    }
    return "";
}

std::string ChildProgram(std::vector<std::string>& leading)
{
    char self[PATH_MAX] = "";
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string exe = n > 0 ? std::string(self, static_cast<size_t>(n)) : "vorbrant-cli";
    const std::filesystem::path path(exe);
    if (path.filename() == "vorbrant-cli")
        return exe;
    std::error_code ec;
    const std::filesystem::path cli = path.parent_path() / "vorbrant-cli";
    if (std::filesystem::exists(cli, ec))
        return cli.string();
    leading.push_back("--headless");
    return exe;
}

} // namespace

bool ReadGangFile(const std::string& path, std::vector<GangSlot>& slots, std::string& error)
{
    IniFile ini(path);
    std::string reason;
    if (!std::filesystem::is_regular_file(path) || !ini.Load(&reason)) {
        error = "Cannot read the gang file " + path + (reason.empty() ? "" : ": " + reason);
        return false;
    }
    std::vector<GangSlot> read;
    for (const std::string& section : ini.Sections()) {
        GangSlot slot{section, ini.ReadString(section, "Adapter", ""), ini.ReadString(section, "Sim", ""),
                      ini.ReadString(section, "File", ""), ini.ReadString(section, "Part", "")};
        if (slot.Adapter.empty() && !slot.Sim.empty())
            slot.Adapter = "sim";
        if (slot.Adapter.empty()) {
            error = "Gang file " + path + ": slot [" + section + "] names no Adapter";
            return false;
        }
        read.push_back(std::move(slot));
    }
    if (read.empty()) {
        error = "Gang file " + path + " has no slots (one [section] per board, with Adapter=)";
        return false;
    }
    for (size_t i = 0; i < read.size(); ++i) {
        const std::string id = AdapterIdentity(read[i], error);
        if (!error.empty()) {
            error = "Gang file " + path + ": " + error;
            return false;
        }
        for (size_t j = 0; j < i && !id.empty(); ++j) {
            std::string ignored;
            if (AdapterIdentity(read[j], ignored) == id) {
                error = "Gang file " + path + ": slots [" + read[j].Name + "] and [" + read[i].Name + "] both use " + id;
                return false;
            }
        }
    }
    slots = std::move(read);
    return true;
}

std::vector<std::string> GangSlotArguments(const GangSlot& slot, const std::vector<std::string>& classicArgs,
                                           const std::string& iniPath)
{
    // Each slot keeps a configuration of its own, unless the gang keeps none.
    std::vector<std::string> args;
    if (std::find(classicArgs.begin(), classicArgs.end(), "--no-ini") == classicArgs.end())
        args.push_back("--ini=" + iniPath);
    const std::string upper = ToUpper(slot.Adapter);
    if (!slot.Sim.empty())
        args.push_back("--sim=" + slot.Sim);
    if (upper.starts_with("LPT"))
        args.push_back("-s" + upper);
    else if (upper != "SIM" && slot.Sim.empty())
        args.push_back("--adapter=" + slot.Adapter);
    if (!slot.Part.empty())
        args.push_back("--part=" + slot.Part);
    bool steps = false;
    for (size_t i = 0; i < classicArgs.size(); ++i) {
        const std::string& arg = classicArgs[i];
        if (!slot.File.empty() && arg.starts_with("-f"))
            continue; // the slot's own file stands
        steps = steps || arg == "-e" || arg == "-b" || arg == "-p" || arg == "-v" || arg.starts_with("--steps");
        args.push_back(arg);
    }
    if (!slot.File.empty())
        args.push_back("-f" + slot.File);
    if (!steps) {
        // Production's usual run: erase, program, verify.
        for (const char* step : {"-e", "-p", "-v"})
            args.push_back(step);
    }
    return args;
}

std::string GangTable(const std::vector<GangSlot>& slots, const std::vector<GangSlotResult>& results)
{
    std::vector<std::vector<std::string>> rows{{"slot", "adapter", "part", "result", "exit code", "time"}};
    for (size_t i = 0; i < slots.size() && i < results.size(); ++i) {
        const GangSlot& s = slots[i];
        std::string part = s.Part;
        if (part.empty() && !s.Sim.empty() && s.Sim.front() != '@')
            part = s.Sim.substr(0, s.Sim.find(','));
        char time[32];
        std::snprintf(time, sizeof time, "%.2f s", results[i].Seconds);
        std::string adapter = s.Adapter;
        if (!s.Sim.empty() && ToUpper(adapter) != "SIM")
            adapter += " (simulated)";
        rows.push_back({s.Name, adapter, part.empty() ? "-" : part, results[i].ExitCode == 0 ? "success" : "failed",
                        std::to_string(results[i].ExitCode), time});
    }
    std::vector<size_t> width(rows[0].size(), 0);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c)
            width[c] = std::max(width[c], row[c].size());
    std::string text;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t c = 0; c < rows[r].size(); ++c) {
            std::string cell = rows[r][c];
            if (c + 1 < rows[r].size())
                cell.resize(width[c], ' ');
            text += (c ? " | " : "") + cell;
        }
        text += "\n";
        if (r == 0) {
            for (size_t c = 0; c < width.size(); ++c)
                text += (c ? "-+-" : "") + std::string(width[c], '-');
            text += "\n";
        }
    }
    return text;
}

int RunGang(const std::string& gangFile, const std::vector<std::string>& classicArgs, std::FILE* out)
{
    std::vector<GangSlot> slots;
    std::string error;
    if (!ReadGangFile(gangFile, slots, error)) {
        std::fprintf(out, "Error: %s\n%s\n", error.c_str(), ResultLogLine(ToInt(ExitCode::CommandLineError), "").c_str());
        return ToInt(ExitCode::CommandLineError);
    }
    // Each slot keeps its configuration in a folder of the gang's own.
    char folder[] = "/tmp/vorbrant-gang-XXXXXX";
    if (!mkdtemp(folder)) {
        std::fprintf(out, "Error: no folder for the slots' configuration: %s\n", std::strerror(errno));
        return ToInt(ExitCode::SettingsNotWritten);
    }
    std::vector<std::string> leading;
    const std::string program = ChildProgram(leading);

    struct Child {
        pid_t Pid = -1;
        int Pipe = -1;
        uint64_t StartNs = 0;
    };
    RealClock clock;
    std::vector<Child> children(slots.size());
    std::vector<GangSlotResult> results(slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        std::vector<std::string> args{program};
        args.insert(args.end(), leading.begin(), leading.end());
        const std::vector<std::string> own =
            GangSlotArguments(slots[i], classicArgs, std::string(folder) + "/slot" + std::to_string(i + 1) + ".ini");
        args.insert(args.end(), own.begin(), own.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            results[i] = {ToInt(ExitCode::DriverFailed), 0, std::string("cannot start: ") + std::strerror(errno) + "\n"};
            continue;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        children[i].StartNs = clock.NowNs();
        const int rc = posix_spawn(&children[i].Pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            close(fds[0]);
            children[i].Pid = -1;
            results[i] = {ToInt(ExitCode::DriverFailed), 0, "cannot start " + program + ": " + std::strerror(rc) + "\n"};
            continue;
        }
        children[i].Pipe = fds[0];
    }

    // Collect every slot's output until its program ends.
    for (;;) {
        std::vector<pollfd> polls;
        std::vector<size_t> which;
        for (size_t i = 0; i < children.size(); ++i)
            if (children[i].Pipe >= 0) {
                polls.push_back({children[i].Pipe, POLLIN, 0});
                which.push_back(i);
            }
        if (polls.empty())
            break;
        if (poll(polls.data(), polls.size(), -1) < 0 && errno != EINTR)
            break;
        for (size_t k = 0; k < polls.size(); ++k) {
            if (!polls[k].revents)
                continue;
            Child& child = children[which[k]];
            char buffer[4096];
            const ssize_t n = read(child.Pipe, buffer, sizeof buffer);
            if (n > 0) {
                results[which[k]].Output.append(buffer, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            close(child.Pipe);
            child.Pipe = -1;
            int status = 0;
            while (waitpid(child.Pid, &status, 0) < 0 && errno == EINTR) {
            }
            results[which[k]].Seconds = static_cast<double>(clock.NowNs() - child.StartNs) / 1e9;
            results[which[k]].ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);

    int code = 0;
    for (size_t i = 0; i < slots.size(); ++i) {
        std::fprintf(out, "--- slot %s ---\n%s", slots[i].Name.c_str(), results[i].Output.c_str());
        if (code == 0)
            code = results[i].ExitCode;
    }
    std::fputs(GangTable(slots, results).c_str(), out);
    std::fprintf(out, "%s\n", ResultLogLine(code, "").c_str());
    return code;
}

} // namespace vorbrant
