#include "sim/GpioShim.h"

#include "sim/Simulator.h"

#include <cerrno>
#include <cstring>
#include <string_view>

namespace vorbrant::sim {

GpioShim::Pin GpioShim::PinOf(uint32_t offset) const
{
    const std::pair<uint32_t, Pin> map[] = {{wiring_.C2ck, C2ck}, {wiring_.C2d, C2d}, {wiring_.Tck, Tck},
                                            {wiring_.Tms, Tms},   {wiring_.Tdi, Tdi}, {wiring_.Tdo, Tdo}};
    for (const auto& [line, pin] : map)
        if (line == offset)
            return pin;
    return None;
}

int GpioShim::Open(const char* path)
{
    if (std::string_view(path) != "/dev/gpiochip0")
        return -ENOENT;
    chipOpen_ = true;
    return ChipFd;
}

// What the pins see: outputs at their values, an open-drain output only
// while it pulls low; lines not taken float (C2CK and TMS/TDI pulled high).
void GpioShim::Apply(uint64_t ns)
{
    PinLines pins;
    for (uint32_t i = 0; i < count_; ++i) {
        const Line& l = lines_[i];
        switch (l.Target) {
        case C2ck: pins.C2ck = !l.Output || l.Value; break;
        case C2d:
            pins.C2dDriven = l.Output && !(l.OpenDrain && l.Value);
            pins.C2dLevel = l.Value;
            break;
        case Tck: pins.Tck = l.Output && l.Value; break;
        case Tms: pins.Tms = !l.Output || l.Value; break;
        case Tdi: pins.Tdi = !l.Output || l.Value; break;
        case Tdo: case None: break;
        }
    }
    sim_.DriveLines(pins, ns);
}

void GpioShim::ReleaseAll()
{
    for (uint32_t i = 0; i < count_; ++i)
        lines_[i].Output = false;
    Apply(SetNs);
    requested_ = false;
    count_ = 0;
}

int GpioShim::Ioctl(int fd, unsigned long request, void* arg)
{
    if (fd == ChipFd && chipOpen_) {
        if (request == GPIO_GET_CHIPINFO_IOCTL) {
            auto* info = static_cast<gpiochip_info*>(arg);
            *info = {};
            std::strncpy(info->name, "gpiochip0", sizeof info->name - 1);
            std::strncpy(info->label, "simulated header", sizeof info->label - 1);
            info->lines = ChipLines;
            return 0;
        }
        if (request != GPIO_V2_GET_LINE_IOCTL)
            return -ENOTTY;
        auto* req = static_cast<gpio_v2_line_request*>(arg);
        if (requested_)
            return -EBUSY;
        if (req->num_lines == 0 || req->num_lines > GPIO_V2_LINES_MAX)
            return -EINVAL;
        count_ = req->num_lines;
        for (uint32_t i = 0; i < count_; ++i) {
            if (req->offsets[i] >= ChipLines) {
                count_ = 0;
                return -EINVAL;
            }
            uint64_t flags = req->config.flags;
            bool value = false;
            for (uint32_t a = 0; a < req->config.num_attrs; ++a) {
                const auto& attr = req->config.attrs[a];
                if (!((attr.mask >> i) & 1u))
                    continue;
                if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_FLAGS)
                    flags = attr.attr.flags;
                else if (attr.attr.id == GPIO_V2_LINE_ATTR_ID_OUTPUT_VALUES)
                    value = (attr.attr.values >> i) & 1u;
            }
            lines_[i] = {PinOf(req->offsets[i]), (flags & GPIO_V2_LINE_FLAG_OUTPUT) != 0,
                         (flags & GPIO_V2_LINE_FLAG_OPEN_DRAIN) != 0, value};
        }
        requested_ = true;
        req->fd = RequestFd;
        Apply(SetNs);
        return 0;
    }
    if (fd != RequestFd || !requested_)
        return -EBADF;
    if (request == GPIO_V2_LINE_SET_VALUES_IOCTL) {
        auto* values = static_cast<gpio_v2_line_values*>(arg);
        for (uint32_t i = 0; i < count_; ++i)
            if ((values->mask >> i) & 1u) {
                if (!lines_[i].Output)
                    return -EPERM; // the kernel refuses to set an input
                lines_[i].Value = (values->bits >> i) & 1u;
            }
        Apply(SetNs);
        return 0;
    }
    if (request == GPIO_V2_LINE_GET_VALUES_IOCTL) {
        auto* values = static_cast<gpio_v2_line_values*>(arg);
        // One access; every line is read at its end.
        const bool c2d = sim_.ReadC2d(GetNs);
        const bool tdo = sim_.TdoNow();
        const PinLines& pins = sim_.Lines();
        values->bits = 0;
        for (uint32_t i = 0; i < count_; ++i) {
            if (!((values->mask >> i) & 1u))
                continue;
            bool level = true;
            switch (lines_[i].Target) {
            case C2ck: level = pins.C2ck; break;
            case C2d: level = c2d; break;
            case Tck: level = pins.Tck; break;
            case Tms: level = pins.Tms; break;
            case Tdi: level = pins.Tdi; break;
            case Tdo: level = tdo; break;
            case None: level = lines_[i].Output ? lines_[i].Value : true; break;
            }
            if (level)
                values->bits |= uint64_t{1} << i;
        }
        return 0;
    }
    if (request == GPIO_V2_LINE_SET_CONFIG_IOCTL) {
        auto* config = static_cast<gpio_v2_line_config*>(arg);
        for (uint32_t i = 0; i < count_; ++i) {
            lines_[i].Output = (config->flags & GPIO_V2_LINE_FLAG_OUTPUT) != 0;
            lines_[i].OpenDrain = (config->flags & GPIO_V2_LINE_FLAG_OPEN_DRAIN) != 0;
        }
        Apply(SetNs);
        return 0;
    }
    return -ENOTTY;
}

void GpioShim::Close(int fd)
{
    if (fd == ChipFd)
        chipOpen_ = false;
    else if (fd == RequestFd && requested_)
        ReleaseAll();
}

} // namespace vorbrant::sim
