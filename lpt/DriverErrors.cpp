#include "lpt/DriverErrors.h"

#include <cerrno>

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

std::string DriverStartFailureText(int err)
{
    return DriverStartFailureMessage(DriverErrorCode(err));
}

} // namespace vorbrant
