// The FT232H over libftdi1, or a build without it.
#include "ftdi/Ft232hDevice.h"

#include "lpt/Clock.h"

#ifdef VORBRANT_HAVE_LIBFTDI
#include <ftdi.h>
#include <libusb.h>
#endif

#include <cstdio>

namespace vorbrant {

#ifdef VORBRANT_HAVE_LIBFTDI

namespace {

constexpr int Vendor = 0x0403;
constexpr int Ft232hProduct = 0x6014;

struct Context {
    ftdi_context* Ftdi = ftdi_new();
    ~Context()
    {
        if (Ftdi)
            ftdi_free(Ftdi);
    }
};

class LibFtdiTransport final : public FtdiTransport {
public:
    explicit LibFtdiTransport(ftdi_context* ftdi) : ftdi_(ftdi) {}
    ~LibFtdiTransport() override
    {
        ftdi_set_bitmode(ftdi_, 0, BITMODE_RESET);
        ftdi_usb_close(ftdi_);
        ftdi_free(ftdi_);
    }
    bool Write(const std::vector<uint8_t>& bytes) override
    {
        size_t done = 0;
        while (done < bytes.size()) {
            const int n = ftdi_write_data(ftdi_, bytes.data() + done, static_cast<int>(bytes.size() - done));
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }
    bool Read(uint8_t* data, size_t n, uint32_t timeoutMs) override
    {
        // ftdi_read_data returns what has come so far; the deadline is on
        // the monotonic clock.
        RealClock clock;
        const uint64_t deadline = clock.NowMs() + timeoutMs;
        size_t got = 0;
        while (got < n) {
            const int r = ftdi_read_data(ftdi_, data + got, static_cast<int>(n - got));
            if (r < 0)
                return false;
            got += static_cast<size_t>(r);
            if (got < n && clock.NowMs() > deadline)
                return false;
        }
        return true;
    }

private:
    ftdi_context* ftdi_;
};

std::string BusPathOf(libusb_device* dev)
{
    char text[16];
    std::snprintf(text, sizeof text, "%03u/%03u", libusb_get_bus_number(dev), libusb_get_device_address(dev));
    return text;
}

} // namespace

bool Ft232hAvailable() { return true; }

std::vector<Ft232hInfo> ListFt232h(std::string& error)
{
    std::vector<Ft232hInfo> found;
    Context context;
    if (!context.Ftdi) {
        error = "libftdi1 could not start";
        return found;
    }
    ftdi_device_list* list = nullptr;
    const int count = ftdi_usb_find_all(context.Ftdi, &list, Vendor, Ft232hProduct);
    if (count < 0) {
        error = std::string("USB devices could not be listed: ") + ftdi_get_error_string(context.Ftdi);
        return found;
    }
    for (ftdi_device_list* item = list; item; item = item->next) {
        char description[128] = "", serial[64] = "";
        ftdi_usb_get_strings(context.Ftdi, item->dev, nullptr, 0, description, sizeof description, serial, sizeof serial);
        found.push_back({serial, BusPathOf(item->dev), description});
    }
    ftdi_list_free(&list);
    return found;
}

std::unique_ptr<FtdiTransport> OpenFt232h(const Ft232hSelection& selection, std::string& error)
{
    ftdi_context* ftdi = ftdi_new();
    if (!ftdi) {
        error = "libftdi1 could not start";
        return nullptr;
    }
    char vendorProduct[32];
    std::snprintf(vendorProduct, sizeof vendorProduct, "0x%04x:0x%04x", Vendor, Ft232hProduct);
    const std::string description = !selection.BusPath.empty() ? "d:" + selection.BusPath
                                  : !selection.Serial.empty()  ? std::string("s:") + vendorProduct + ":" + selection.Serial
                                                          : std::string("i:") + vendorProduct;
    auto fail = [&](const std::string& what) {
        error = what + ": " + ftdi_get_error_string(ftdi);
        ftdi_free(ftdi);
        return nullptr;
    };
    if (ftdi_set_interface(ftdi, INTERFACE_A) < 0)
        return fail("FT232H interface A");
    if (ftdi_usb_open_string(ftdi, description.c_str()) < 0)
    {
        const std::string& which = !selection.BusPath.empty() ? selection.BusPath : selection.Serial;
        return fail("Cannot open the FT232H" + (which.empty() ? std::string() : " " + which));
    }
    if (ftdi_usb_reset(ftdi) < 0 || ftdi_set_latency_timer(ftdi, 1) < 0 || ftdi_tcioflush(ftdi) < 0 ||
        ftdi_set_bitmode(ftdi, 0, BITMODE_RESET) < 0 || ftdi_set_bitmode(ftdi, 0, BITMODE_MPSSE) < 0) {
        error = std::string("Cannot put the FT232H in MPSSE mode: ") + ftdi_get_error_string(ftdi);
        ftdi_usb_close(ftdi);
        ftdi_free(ftdi);
        return nullptr;
    }
    return std::make_unique<LibFtdiTransport>(ftdi);
}

#else

bool Ft232hAvailable() { return false; }

std::vector<Ft232hInfo> ListFt232h(std::string& error)
{
    error = Ft232hUnavailableText;
    return {};
}

std::unique_ptr<FtdiTransport> OpenFt232h(const Ft232hSelection&, std::string& error)
{
    error = Ft232hUnavailableText;
    return nullptr;
}

#endif

} // namespace vorbrant
