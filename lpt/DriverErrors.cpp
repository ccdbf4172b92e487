#include "lpt/DriverErrors.h"

#include <cerrno>
#include <cstring>

namespace vorbrant {

const char* ErrorText(int32_t code)
{
    for (const TErrorMsg& row : ErrorMessages)
        if (row.Code == code)
            return row.Text;
    return ErrorText(UnexpectedErrorCode);
}

int32_t DriverErrorCode(int err)
{
    switch (err) {
    case EPERM:
    case EACCES: return 5;
    case ENOENT: return 3;
    case EBUSY: return 1056;
    default: return UnexpectedErrorCode;
    }
}

std::string DriverStartFailureMessage(int32_t code)
{
    return std::string("Can't start I/O driver! Error : ") + ErrorText(code);
}

std::string DirectAccessRefusedText(int err)
{
    std::string name;
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
    if (const char* symbol = strerrordesc_np(err) ? strerrorname_np(err) : nullptr)
        name = std::string(symbol) + " ";
#endif
    return "I/O port access (iopl) refused: " + std::string(std::strerror(err)) + " (" + name + "errno " +
           std::to_string(err) + "); run as root or with CAP_SYS_RAWIO, or use --io=ppdev";
}

std::string DriverStartFailureText(int err)
{
    return DriverStartFailureMessage(DriverErrorCode(err));
}

} // namespace vorbrant
