#include "image/FileFormats.h"

#include "common/Text.h"

namespace vorbrant {

LoadFormat LoadFormatForFilter(int filterIndex)
{
    switch (filterIndex) {
    case 1: return LoadFormat::Hex;
    case 2: return LoadFormat::SRecord;
    case 3: return LoadFormat::Binary;
    default: return LoadFormat::Detect;
    }
}

LoadFormat ChooseFileFormat(const std::string& path, LoadFormat chosen)
{
    std::string name = FileNamePart(path);
    auto dot = name.rfind('.');
    if (dot != std::string::npos && ToUpper(name.substr(dot)) == ".DAT")
        return LoadFormat::Dat;
    return chosen;
}

LoadFormat DetectFileFormat(char firstCharacter)
{
    if (firstCharacter == ':')
        return LoadFormat::Hex;
    if (firstCharacter == 'S')
        return LoadFormat::SRecord;
    return LoadFormat::Binary;
}

bool IsTextFormat(LoadFormat format)
{
    return format == LoadFormat::Hex || format == LoadFormat::SRecord || format == LoadFormat::Dat;
}

std::string FileNamePart(const std::string& path)
{
    auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace vorbrant
