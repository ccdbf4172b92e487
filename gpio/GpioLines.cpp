#include "gpio/GpioLines.h"

#include <cstring>
#include <csignal>

namespace vorbrant {

namespace {

std::string ErrnoText(int negErrno) { return std::strerror(-negErrno); }

} // namespace

bool GpioLines::Open(const GpioWiring& wiring, std::string& error, bool c2dOpenDrain)
{
    Close();
    failed_ = false;
    const int chip = calls_.Open(wiring.Chip.c_str());
    if (chip < 0) {
        error = "Cannot open GPIO chip " + wiring.Chip + ": " + ErrnoText(chip);
        return false;
    }
    gpio_v2_line_request request{};
    std::strncpy(request.consumer, "vorbrant", sizeof request.consumer - 1);
    index_.fill(-1);
    uint64_t outputs = 0, openDrain = 0, inputs = 0, high = 0;
    for (size_t r = 0; r < GpioRoleCount; ++r) {
        if (!wiring.Lines[r])
            continue;
        const auto role = static_cast<GpioRole>(r);
        const uint64_t bit = uint64_t{1} << request.num_lines;
        index_[r] = static_cast<int8_t>(request.num_lines);
        request.offsets[request.num_lines++] = *wiring.Lines[r];
        // Idle levels: C2CK high (low 20 us resets the part), C2D released,
        // TCK low, TMS and TDI high.
        if (role == GpioRole::Tdo) {
            inputs |= bit;
            continue;
        }
        outputs |= bit;
        if (role == GpioRole::C2d && c2dOpenDrain)
            openDrain |= bit;
        if (role != GpioRole::Tck)
            high |= bit;
    }
    auto& config = request.config;
    auto addAttr = [&](uint32_t id, uint64_t value, uint64_t mask) {
        if (!mask)
            return;
        auto& a = config.attrs[config.num_attrs++];
        a.attr.id = id;
        if (id == GPIO_V2_LINE_ATTR_ID_FLAGS)
            a.attr.flags = value;
        else
            a.attr.values = value;
        a.mask = mask;
    };
    config.flags = GPIO_V2_LINE_FLAG_OUTPUT;
    addAttr(GPIO_V2_LINE_ATTR_ID_FLAGS, GPIO_V2_LINE_FLAG_OUTPUT | GPIO_V2_LINE_FLAG_OPEN_DRAIN, openDrain);
    addAttr(GPIO_V2_LINE_ATTR_ID_FLAGS, GPIO_V2_LINE_FLAG_INPUT, inputs);
    addAttr(GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES, high, outputs);

    const int rc = calls_.Ioctl(chip, GPIO_V2_GET_LINE_IOCTL, &request);
    calls_.Close(chip); // the request keeps its own descriptor
    if (rc < 0) {
        error = "Cannot take GPIO lines " + wiring.LinesText() + " of " + wiring.Chip + ": " + ErrnoText(rc) +
                (rc == -EBUSY ? " (another program holds one of them)" : "");
        return false;
    }
    fd_ = request.fd;
    release_ = std::make_unique<GpioSignalRelease>();
    release_->Fd = fd_;
    release_->InputConfig.flags = GPIO_V2_LINE_FLAG_INPUT;
    if (signal_cleanup::Action action = calls_.SignalRelease()) {
        // Block the signals while the slot is armed, so the handler never
        // sees half a slot.
        scope_ = std::make_unique<SignalCleanupScope>();
        sigset_t old;
        pthread_sigmask(SIG_BLOCK, &signal_cleanup::Signals(), &old);
        signalSlot_ = signal_cleanup::Arm(wiring.Chip.c_str(), action, release_.get());
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
    }
    return true;
}

void GpioLines::Close()
{
    if (fd_ < 0)
        return;
    if (signalSlot_ >= 0) {
        signal_cleanup::Disarm(signalSlot_);
        signalSlot_ = -1;
    }
    scope_.reset();
    // Inputs: nothing is driven once the program lets go.
    calls_.Ioctl(fd_, GPIO_V2_LINE_SET_CONFIG_IOCTL, &release_->InputConfig);
    calls_.Close(fd_);
    fd_ = -1;
    release_.reset();
}

uint64_t GpioLines::Mask(uint8_t roles) const
{
    uint64_t mask = 0;
    for (size_t r = 0; r < GpioRoleCount; ++r)
        if ((roles >> r) & 1u && index_[r] >= 0)
            mask |= uint64_t{1} << index_[r];
    return mask;
}

bool GpioLines::Write(uint8_t roles, uint8_t levels)
{
    if (fd_ < 0)
        return false;
    gpio_v2_line_values values{};
    values.mask = Mask(roles);
    values.bits = Mask(static_cast<uint8_t>(roles & levels));
    if (calls_.Ioctl(fd_, GPIO_V2_LINE_SET_VALUES_IOCTL, &values) < 0)
        failed_ = true;
    return !failed_;
}

uint8_t GpioLines::Read(uint8_t roles)
{
    if (fd_ < 0)
        return 0;
    gpio_v2_line_values values{};
    values.mask = Mask(roles);
    if (calls_.Ioctl(fd_, GPIO_V2_LINE_GET_VALUES_IOCTL, &values) < 0) {
        failed_ = true;
        return 0;
    }
    uint8_t levels = 0;
    for (size_t r = 0; r < GpioRoleCount; ++r)
        if ((roles >> r) & 1u && index_[r] >= 0 && (values.bits >> index_[r]) & 1u)
            levels = static_cast<uint8_t>(levels | (1u << r));
    return levels;
}

} // namespace vorbrant
