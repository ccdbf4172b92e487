#include "sim/Simulator.h"

#include "common/AtomicFile.h"
#include "common/BoundedRead.h"
#include "common/FileLock.h"
#include "sim/AdapterCircuit.h"
#include "sim/C2Target.h"
#include "sim/Catalogue.h"
#include "sim/FlashArray.h"
#include "sim/JtagChain.h"
#include "sim/SimConfig.h"
#include "sim/ViolationLog.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <sys/stat.h>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace vorbrant::sim {

using namespace circuit;

namespace {

std::string ByteText(uint8_t value)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    return std::string("0x") + Digits[value >> 4] + Digits[value & 0xF];
}

} // namespace

struct Simulator::Impl {
    Impl(const SimConfig& config, SimClock& clock) : Config(config), Clock(clock), Chain(clock, Log) {}

    SimConfig Config;
    SimClock& Clock;
    ViolationLog Log;
    std::vector<FlashArray> Flashes;
    std::vector<bool> FlashLoaded; // false: the file could not be read, never write it back
    // Per device: the file's content as read (empty: no file yet), and the
    // lock held on it for the run.
    std::vector<std::vector<uint8_t>> FlashRead;
    std::vector<std::unique_ptr<FileLock>> FlashLocks;
    bool FlashInUse = false;
    std::unique_ptr<C2Target> C2;
    JtagChain Chain;
    std::string StartError;
    std::vector<uint8_t> NoFlash;

    // A line of boards (boards=N): the one plugged in now (from 1; 0 before
    // the first), what every board that left held, and the name the flash
    // files are made from.
    uint32_t Board = 0;
    std::vector<std::vector<uint8_t>> BoardFlash;
    std::string BoardFile;

    bool Connected = false;   // an adapter with a circuit is attached
    bool SecondGen = false;
    bool LptCircuit = false; // the Ironquill circuit sits on the parallel port
    bool Removed = false;
    uint64_t StallCountdown = 0;
    uint64_t StallRandom = 0; // generator state of seeded stalls
    bool NextStallAfter = false;

    PinLines Pins;
    uint8_t Data = 0xFF;
    uint8_t Control = 0x0C;
    // Line state derived from Data and Control.
    bool C2ck = true;
    bool HostDrives = false;
    bool HostLevel = true;
    bool Tck = true;
    bool C2InReset = false;
    uint64_t C2ckLowSince = 0;

    void Setup();
    // boards=N: the board that the virtual time says is plugged in, if any.
    void FollowBoards();
    // A new board from the box: erased, with the configured lock byte(s),
    // and the faults only when it is the bad one.
    void FreshBoard();
    std::string BoardFileName(uint32_t board) const;
    // Accesses up to the next stall: StallEvery, or with a seed a
    // geometric draw of mean StallEvery (each access stalls with the same
    // chance, whatever came before it: a busy PC's interrupts).
    uint64_t NextStallGap();
    bool StallLandsAfter();
    bool CheckFlashFiles();
    bool LoadFlashFile(const SimDeviceConfig& device, FlashArray& flash, std::vector<uint8_t>& read,
                       std::unique_ptr<FileLock>& lock);
    void WriteLines(uint8_t data, uint8_t control);
    void ApplyLines(const PinLines& lines);
    void CheckC2Reset();
    uint8_t ReadStatus();
    bool C2dLine() const
    {
        if (HostDrives)
            return HostLevel;
        if (C2 && !Removed && C2->Drives())
            return C2->Level();
        return true;
    }
    bool TdoLine() const
    {
        switch (Config.Tdo) {
        case TdoFault::StuckLow: return false;
        case TdoFault::StuckHigh: return true;
        case TdoFault::Off: break;
        }
        return Removed ? true : Chain.Tdo();
    }
};

void Simulator::Impl::Setup()
{
    LptCircuit = Config.Adapter == AdapterKind::Ironquill || Config.Adapter == AdapterKind::Ironquill2;
    Connected = LptCircuit || Config.Adapter == AdapterKind::Gpio || Config.Adapter == AdapterKind::Ft232h;
    SecondGen = Config.Adapter == AdapterKind::Ironquill2;
    // Without the circuit the pins idle as the header leaves them: TCK low.
    if (!LptCircuit)
        Tck = false;
    StallRandom = Config.StallSeed.value_or(0);
    StallCountdown = NextStallGap();
    // The boards of a line keep their flash in files of their own, written
    // at the end; none is read.
    if (Config.Boards) {
        BoardFile = Config.Devices[0].FlashFile;
        Config.Devices[0].FlashFile.clear();
        BoardFlash.resize(Config.Boards);
    }
    Flashes.reserve(Config.Devices.size());
    FlashRead.resize(Config.Devices.size());
    FlashLocks.resize(Config.Devices.size());
    const bool filesFit = CheckFlashFiles();
    for (size_t i = 0; i < Config.Devices.size(); ++i) {
        const SimDeviceConfig& device = Config.Devices[i];
        const Derivative* part = device.Part.empty() ? nullptr : FindDerivative(device.Part);
        if (!device.Part.empty() && !part) {
            StartError = "unknown part \"" + device.Part + "\"";
            Flashes.emplace_back(0, 0);
            FlashLoaded.push_back(false);
            continue;
        }
        if (!part) {
            Flashes.emplace_back(0, 0);
            FlashLoaded.push_back(true);
            Chain.Add(JtagDevice(device, nullptr, nullptr, Clock, Log, static_cast<int>(i + 1)));
            continue;
        }
        Flashes.emplace_back(part->FlashBytes, part->ScratchpadBytes);
        FlashArray& flash = Flashes.back();
        FlashLoaded.push_back(filesFit && StartError.empty() && LoadFlashFile(device, flash, FlashRead[i], FlashLocks[i]));
        if (device.Lock) {
            if (part->Link == SimLink::C2) {
                flash.Bytes[part->LockAddress] = static_cast<uint8_t>(*device.Lock);
            } else {
                flash.Bytes[part->LockAddress] = static_cast<uint8_t>(*device.Lock >> 8);
                flash.Bytes[part->LockAddress - 1] = static_cast<uint8_t>(*device.Lock);
            }
        }
        flash.SetFailingCell(device.FailWriteAddress);
        flash.SetStuckBit(device.StuckBitAddress, device.StuckBit);
        if (part->Link == SimLink::C2) {
            if (Config.Devices.size() != 1) {
                StartError = "a C2 part (" + device.Part + ") cannot sit in a JTAG chain";
                continue;
            }
            C2 = std::make_unique<C2Target>(*part, flash, device, Clock, Log);
        } else {
            Chain.Add(JtagDevice(device, part, &flash, Clock, Log, static_cast<int>(i + 1)));
        }
    }
}

void Simulator::Impl::FollowBoards()
{
    const uint64_t period = (uint64_t{Config.BoardMs} + Config.GapMs) * 1000000;
    const uint64_t now = Clock.Now();
    const uint64_t index = now / period;
    const bool present = index < Config.Boards && now % period < uint64_t{Config.BoardMs} * 1000000;
    if (present && index + 1 != Board) {
        if (Board != 0)
            BoardFlash[Board - 1] = Flashes[0].Bytes;
        Board = static_cast<uint32_t>(index + 1);
        FreshBoard();
    }
    if (!present && !Removed && C2)
        C2->Reset(); // pulled: the part lets go of C2D
    Removed = !present;
}

void Simulator::Impl::FreshBoard()
{
    const SimDeviceConfig& device = Config.Devices[0];
    const Derivative* part = FindDerivative(device.Part);
    FlashArray& flash = Flashes[0];
    std::fill(flash.Bytes.begin(), flash.Bytes.end(), 0xFF);
    if (part && device.Lock) {
        if (part->Link == SimLink::C2) {
            flash.Bytes[part->LockAddress] = static_cast<uint8_t>(*device.Lock);
        } else {
            flash.Bytes[part->LockAddress] = static_cast<uint8_t>(*device.Lock >> 8);
            flash.Bytes[part->LockAddress - 1] = static_cast<uint8_t>(*device.Lock);
        }
    }
    const bool bad = Config.BadBoard == 0 || Config.BadBoard == Board;
    flash.SetFailingCell(bad ? device.FailWriteAddress : std::nullopt);
    flash.SetStuckBit(bad ? device.StuckBitAddress : std::nullopt, device.StuckBit);
    if (C2)
        C2->Reset();
}

std::string Simulator::Impl::BoardFileName(uint32_t board) const
{
    // "line.bin" -> "line-1.bin", "line-2.bin", ...
    const std::filesystem::path path(BoardFile);
    return (path.parent_path() / (path.stem().string() + "-" + std::to_string(board) + path.extension().string()))
        .string();
}

namespace {
// splitmix64: small, and the same sequence everywhere.
uint64_t NextRandom(uint64_t& state)
{
    uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}
} // namespace

uint64_t Simulator::Impl::NextStallGap()
{
    const uint64_t every = Config.StallEvery;
    if (every <= 1 || !Config.StallSeed)
        return every;
    // u in (0, 1]; the gap is the first success of a 1/every chance.
    const double u = static_cast<double>((NextRandom(StallRandom) >> 11) + 1) * 0x1.0p-53;
    const double gap = std::floor(std::log(u) / std::log1p(-1.0 / static_cast<double>(every)));
    return 1 + static_cast<uint64_t>(std::min(gap, 1e15));
}

bool Simulator::Impl::StallLandsAfter()
{
    switch (Config.StallAt) {
    case StallPlacement::Before: return false;
    case StallPlacement::After: return true;
    case StallPlacement::Both: break;
    }
    if (Config.StallSeed)
        return (NextRandom(StallRandom) & 1) != 0;
    NextStallAfter = !NextStallAfter;
    return NextStallAfter;
}

// One file for two devices would keep only the last one's flash.
bool Simulator::Impl::CheckFlashFiles()
{
    std::vector<std::string> seen(Config.Devices.size());
    for (size_t i = 0; i < Config.Devices.size(); ++i) {
        const std::string& file = Config.Devices[i].FlashFile;
        if (file.empty())
            continue;
        // The file itself when it exists (links and hard links lead to one),
        // else the name it will get.
        struct stat st {};
        std::string final, reason;
        if (stat(file.c_str(), &st) == 0)
            seen[i] = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
        else if (ResolveFinalName(file, final, reason))
            seen[i] = std::filesystem::absolute(final).lexically_normal().string();
        else
            seen[i] = file;
        for (size_t j = 0; j < i; ++j)
            if (seen[j] == seen[i]) {
                StartError = "devices " + std::to_string(j + 1) + " and " + std::to_string(i + 1) +
                             " both keep their flash in " + file;
                return false;
            }
    }
    return true;
}

bool Simulator::Impl::LoadFlashFile(const SimDeviceConfig& device, FlashArray& flash, std::vector<uint8_t>& read,
                                    std::unique_ptr<FileLock>& lock)
{
    if (device.FlashFile.empty())
        return true;
    // Held for the run, before the file is read: another program on the same
    // file gets it once this one has written its flash back, or gives up.
    lock = std::make_unique<FileLock>();
    if (lock->Lock(device.FlashFile, FlashLockWaitMs) == FileLock::HeldElsewhere) {
        StartError = "flash file " + device.FlashFile + " is in use by another program (waited " +
                     std::to_string(FlashLockWaitMs / 1000) + " s); it is left untouched";
        FlashInUse = true;
        return false;
    }
    // A flash file is the part's flash and nothing else: a file of another
    // size (a HEX file, another part's image, a configuration) is refused
    // before anything is read, and left as it is.
    const size_t size = flash.Bytes.size();
    const std::string notImage =
        "flash=" + device.FlashFile + " is not a flash image of this part (" + std::to_string(size) + " bytes)";
    std::string content, reason;
    switch (ReadWholeFile(device.FlashFile, size, content, reason)) {
    case ReadResult::Missing:
        return true; // a missing file starts erased and is created at the end
    case ReadResult::Failed: {
        std::error_code ec;
        if (std::filesystem::is_regular_file(device.FlashFile, ec) && std::filesystem::file_size(device.FlashFile, ec) != size)
            StartError = notImage;
        else
            StartError = "cannot read flash file " + device.FlashFile + ": " + reason + "; it is left untouched";
        return false;
    }
    case ReadResult::Read:
        break;
    }
    if (content.size() != size) {
        StartError = notImage;
        return false;
    }
    std::copy(content.begin(), content.end(), flash.Bytes.begin());
    read.assign(flash.Bytes.begin(), flash.Bytes.end());
    return true;
}

void Simulator::Impl::CheckC2Reset()
{
    if (C2 && !C2ck && !C2InReset && !Removed && Clock.Now() - C2ckLowSince >= C2Timing::ResetLowNs) {
        C2->Reset();
        C2InReset = true;
    }
}

void Simulator::Impl::WriteLines(uint8_t data, uint8_t control)
{
    const uint8_t oldData = Data;
    Data = data;
    Control = control;
    if (!Connected || !LptCircuit)
        return;
    CheckC2Reset();
    const bool oldC2ck = C2ck;
    PinLines lines;
    bool modeHigh = true;
    if (SecondGen) {
        modeHigh = ModeLineHigh(control);
        lines.C2ck = modeHigh && (data & D2C2ck);
        lines.C2dDriven = modeHigh && !(data & D7C2dRelease);
        lines.C2dLevel = (data & D1TmsOrC2d) != 0;
        lines.Tck = !modeHigh && (data & D0Tck);
    } else {
        lines.C2ck = C2ck;
        lines.C2dDriven = HostDrives;
        lines.C2dLevel = HostLevel;
        lines.Tck = (data & D0Tck) != 0;
    }
    lines.Tms = (data & D1TmsOrC2d) != 0;
    lines.Tdi = (data & D6Tdi) != 0;
    ApplyLines(lines);

    if (C2 && !Removed) {
        if (SecondGen && !modeHigh && (oldData & D2C2ck) && !(data & D2C2ck))
            Log.Add("C2 strobe while the target is held in reset", Clock.Now());
        // A strobe's falling write moves C2CK and the C2D lines only: the
        // adapter's other data lines (TCK on D0 among them) hold still.
        constexpr uint8_t C2Lines = D2C2ck | D1TmsOrC2d | D7C2dRelease;
        if (oldC2ck && !C2ck && ((oldData ^ data) & ~C2Lines) != 0)
            Log.Add("C2CK lowered together with another adapter line", Clock.Now(),
                    ByteText(oldData) + " -> " + ByteText(data));
    }
}

// The target's side of the wire, whatever adapter sets the lines.
void Simulator::Impl::ApplyLines(const PinLines& lines)
{
    CheckC2Reset();
    const bool oldHostDrives = HostDrives;
    const bool oldHostLevel = HostLevel;
    const bool oldC2ck = C2ck;
    const bool oldTck = Tck;
    C2ck = lines.C2ck;
    HostDrives = lines.C2dDriven;
    HostLevel = lines.C2dLevel;
    Tck = lines.Tck;

    if (C2 && !Removed) {
        if (C2ck != oldC2ck) {
            if (!C2ck) {
                C2ckLowSince = Clock.Now();
            } else if (C2InReset) {
                C2InReset = false;
            } else {
                const uint64_t low = Clock.Now() - C2ckLowSince;
                // The device samples C2D on this edge: C2D must hold still
                // through it, so the host may not drive, release or change
                // it in the write that raises C2CK.
                if (oldHostDrives != HostDrives || (HostDrives && oldHostLevel != HostLevel))
                    Log.Add("C2D changed in the write that raises C2CK (no hold time)", Clock.Now());
                if (low > C2Timing::UndefinedLowNs)
                    Log.Add("C2CK low between 5 and 20 us (undefined)", Clock.Now(),
                            std::to_string(low / 1000) + " us");
                // The device samples the level C2D had during the low phase.
                bool sample = oldHostDrives ? oldHostLevel : (C2->Drives() ? C2->Level() : true);
                C2->Strobe(oldHostDrives, sample);
            }
        }
        if (HostDrives && C2->Drives())
            Log.Add("C2D driven by both sides", Clock.Now());
    }
    if (Tck != oldTck && !Removed && !Chain.Empty()) {
        if (Tck)
            Chain.Rising(lines.Tms, lines.Tdi);
        else
            Chain.Falling();
    }
}

uint8_t Simulator::Impl::ReadStatus()
{
    bool pin10 = true;
    bool pin11 = true;
    bool pin13 = true;
    switch (Config.Adapter) {
    case AdapterKind::None:
    case AdapterKind::Gpio:   // nothing on the parallel port
    case AdapterKind::Ft232h: break;
    case AdapterKind::NoneLow: pin10 = false; break;
    case AdapterKind::Ironquill:
        pin10 = LoopBackPin10(Data);
        pin11 = TdoLine();
        break;
    case AdapterKind::Ironquill2:
        CheckC2Reset();
        pin10 = LoopBackPin10(Data);
        pin13 = (Data & D4Loop) != 0;
        pin11 = ModeLineHigh(Control) ? C2dLine() : TdoLine();
        break;
    }
    uint8_t status = StatusFixedHigh;
    if (pin10)
        status |= StatusPin10;
    if (pin13)
        status |= StatusPin13;
    if (!pin11)
        status |= StatusPin11Inverted;
    return status;
}

Simulator::Simulator(const SimConfig& config) : impl_(std::make_unique<Impl>(config, clock_))
{
    impl_->Setup();
}

Simulator::~Simulator() = default;

uint64_t Simulator::CountAccess(uint64_t ns)
{
    // Every register access takes one access time (a stalled one longer),
    // and may be the one after which the target is unplugged.
    Impl& m = *impl_;
    ++accesses_;
    uint64_t after = 0;
    if (m.StallCountdown && --m.StallCountdown == 0) {
        m.StallCountdown = m.NextStallGap();
        (m.StallLandsAfter() ? after : ns) += m.Config.StallNs;
    }
    clock_.Advance(ns);
    if (m.Config.Boards)
        m.FollowBoards();
    if (m.Config.RemoveAfter && accesses_ > m.Config.RemoveAfter && !m.Removed) {
        m.Removed = true;
        if (m.C2)
            m.C2->Reset(); // unplugged: the part lets go of C2D
    }
    return after;
}

uint8_t Simulator::PortIn(uint16_t port)
{
    const uint64_t after = CountAccess(impl_->Config.AccessNs);
    Impl& m = *impl_;
    uint8_t value = 0xFF;
    switch (port) {
    case BasePort: value = m.Data; break;
    case BasePort + 1: value = m.ReadStatus(); break;
    case BasePort + 2: value = m.Control; break;
    default: break;
    }
    clock_.Advance(after);
    return value;
}

void Simulator::PortOut(uint16_t port, uint8_t value)
{
    const uint64_t after = CountAccess(impl_->Config.AccessNs);
    Impl& m = *impl_;
    if (port == BasePort)
        m.WriteLines(value, m.Control);
    else if (port == BasePort + 2)
        m.WriteLines(m.Data, value);
    clock_.Advance(after);
}

void Simulator::DriveLines(const PinLines& lines, uint64_t ns)
{
    const uint64_t after = CountAccess(ns);
    Impl& m = *impl_;
    m.Pins = lines;
    if (m.Connected && !m.LptCircuit)
        m.ApplyLines(lines);
    clock_.Advance(after);
}

bool Simulator::ReadC2d(uint64_t ns)
{
    const uint64_t after = CountAccess(ns);
    const bool level = C2dNow();
    clock_.Advance(after);
    return level;
}

bool Simulator::ReadTdo(uint64_t ns)
{
    const uint64_t after = CountAccess(ns);
    const bool level = TdoNow();
    clock_.Advance(after);
    return level;
}

const SimConfig& Simulator::Config() const { return impl_->Config; }

const PinLines& Simulator::Lines() const { return impl_->Pins; }

bool Simulator::C2dNow()
{
    impl_->CheckC2Reset();
    return impl_->C2dLine();
}

bool Simulator::TdoNow() const { return impl_->TdoLine(); }

void Simulator::AddViolation(const std::string& what, const std::string& detail)
{
    impl_->Log.Add(what, clock_.Now(), detail);
}

const std::vector<std::string>& Simulator::Violations() const { return impl_->Log.Entries(); }
uint64_t Simulator::ViolationCount() const { return impl_->Log.Total(); }

std::vector<uint8_t>& Simulator::Flash(size_t device)
{
    if (device >= impl_->Flashes.size())
        return impl_->NoFlash;
    return impl_->Flashes[device].Bytes;
}

size_t Simulator::DeviceCount() const { return impl_->Config.Devices.size(); }
const std::string& Simulator::StartError() const { return impl_->StartError; }
bool Simulator::FlashFileInUse() const { return impl_->FlashInUse; }
C2Target* Simulator::C2() { return impl_->C2.get(); }
JtagChain& Simulator::Chain() { return impl_->Chain; }
bool Simulator::TargetRemoved() const { return impl_->Removed; }

bool Simulator::SaveFlash(std::string& error)
{
    bool ok = true;
    Impl& m = *impl_;
    if (m.Config.Boards && !m.BoardFile.empty()) {
        // Every board that was plugged in, the one still there included.
        if (m.Board != 0)
            m.BoardFlash[m.Board - 1] = m.Flashes[0].Bytes;
        for (uint32_t board = 1; board <= m.Config.Boards; ++board) {
            const auto& bytes = m.BoardFlash[board - 1];
            std::string reason;
            if (bytes.empty() ||
                WriteFileAtomically(m.BoardFileName(board),
                                    std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), reason))
                continue;
            error = "cannot write flash file " + m.BoardFileName(board) + ": " + reason;
            ok = false;
        }
    }
    for (size_t i = 0; i < impl_->Config.Devices.size() && i < impl_->Flashes.size(); ++i) {
        const SimDeviceConfig& device = impl_->Config.Devices[i];
        if (device.FlashFile.empty() || !impl_->FlashLoaded[i])
            continue;
        const auto& bytes = impl_->Flashes[i].Bytes;
        // A run that changed nothing leaves the file as it was.
        if (!impl_->FlashRead[i].empty() && impl_->FlashRead[i] == bytes)
            continue;
        std::string reason;
        FileLock* lock = impl_->FlashLocks[i].get();
        if (!WriteFileAtomically(device.FlashFile,
                                 std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                 reason, [lock](int fd) {
                                     if (lock)
                                         lock->Adopt(fd);
                                 })) {
            error = "cannot write flash file " + device.FlashFile + ": " + reason;
            ok = false;
            continue;
        }
        impl_->FlashRead[i] = bytes;
    }
    return ok;
}

std::string Simulator::Report() const
{
    char line[160];
    const uint64_t ns = clock_.Now();
    std::snprintf(line, sizeof line, "Simulator: %" PRIu64 " port accesses, %" PRIu64 ".%03" PRIu64
                  " ms on a real port\n", accesses_, ns / 1000000, (ns / 1000) % 1000);
    std::string text = line;
    if (impl_->Log.Empty()) {
        text += "Simulator: no protocol violations\n";
        return text;
    }
    text += "Simulator: " + std::to_string(impl_->Log.Total()) + " protocol violations:\n";
    for (const auto& entry : impl_->Log.Entries())
        text += "  " + entry + "\n";
    return text;
}

void Simulator::PrintReport(std::FILE* out) const
{
    std::string text = Report();
    std::fputs(text.c_str(), out);
}

} // namespace vorbrant::sim
