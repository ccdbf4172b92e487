#include "lpt/PortTable.h"

#include <cctype>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vorbrant {

namespace {

// The first number of a base-addr file ("888\t1912\n" gives 888). Zero when
// the file is missing, unreadable, not a regular file, empty, not a number,
// or the value does not fit 16 bits. Opened without blocking so that a FIFO
// planted in the tree cannot stall start-up.
uint16_t ReadBaseAddress(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return 0;
    struct stat st{};
    char buffer[64];
    ssize_t got = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (got <= 0)
        return 0;
    std::string_view text(buffer, static_cast<size_t>(got));
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    unsigned long value = 0;
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) && digits < 8) {
        value = value * 10 + static_cast<unsigned long>(text[i] - '0');
        ++i;
        ++digits;
    }
    if (digits == 0 || (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) || value > 0xFFFF)
        return 0;
    return static_cast<uint16_t>(value);
}

} // namespace

void PortTable::DiscoverParallelPorts(const std::string& root, bool ioAccessGranted)
{
    if (!ioAccessGranted)
        return;
    LptAddresses.fill(0);
    LptPortCount = 0;
    // parport0..parport7 are LPT1..LPT8; higher numbers have no LPT name.
    for (int n = 1; n <= 8; ++n) {
        uint16_t base = ReadBaseAddress(root + "/parport" + std::to_string(n - 1) + "/base-addr");
        if (base != 0) {
            LptAddresses[static_cast<size_t>(n)] = base;
            ++LptPortCount;
        }
    }
}

bool PortTable::SelectLptPort(uint8_t number)
{
    if (number == 0 || number > 8)
        return false;
    uint16_t address = LptAddresses[number];
    if (address == 0) {
        SelectedLpt = 0;
        LptBase = 0;
        return false;
    }
    SelectedLpt = number;
    LptBase = address;
    return true;
}

bool PortTable::SelectFirstPort()
{
    for (uint8_t n = 1; n <= 8; ++n)
        if (LptAddresses[n] != 0)
            return SelectLptPort(n);
    return false;
}

void PortTable::SetAddress(uint8_t number, uint16_t address)
{
    if (number == 0 || number > 8)
        return;
    if (LptAddresses[number] == 0 && address != 0)
        ++LptPortCount;
    else if (LptAddresses[number] != 0 && address == 0)
        --LptPortCount;
    LptAddresses[number] = address;
}

} // namespace vorbrant
