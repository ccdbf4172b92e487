#include "image/FileFormats.h"

#include "common/Text.h"

namespace vorbrant {

int ChooseFileFormat(const std::string& path, int filterIndex)
{
    std::string name = FileNamePart(path);
    auto dot = name.rfind('.');
    if (dot != std::string::npos && ToUpper(name.substr(dot)) == ".DAT")
        return FormatDat;
    return filterIndex;
}

int DetectFileFormat(char firstCharacter)
{
    if (firstCharacter == ':')
        return FormatHex;
    if (firstCharacter == 'S')
        return FormatSRecord;
    return FormatBinary;
}

bool IsTextFormat(int format)
{
    return format == FormatHex || format == FormatSRecord || format == FormatDat;
}

std::string FileNamePart(const std::string& path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace vorbrant
