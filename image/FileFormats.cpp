#include "image/FileFormats.h"

#include "common/Text.h"

#include <algorithm>

namespace vorbrant {

LoadFormat LoadFormatForFilter(int filterIndex)
{
    switch (filterIndex) {
    case 1: return LoadFormat::Hex;
    case 2: return LoadFormat::SRecord;
    case 3: return LoadFormat::Binary;
    case 4: return LoadFormat::Dat;
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

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

struct NamedFormat {
    const char* Extension;
    LoadFormat Format;
};

constexpr NamedFormat TextExtensions[] = {
    {".HEX", LoadFormat::Hex},      {".IHX", LoadFormat::Hex},      {".IHEX", LoadFormat::Hex},
    {".S19", LoadFormat::SRecord},  {".S28", LoadFormat::SRecord},  {".S37", LoadFormat::SRecord},
    {".SREC", LoadFormat::SRecord}, {".MOT", LoadFormat::SRecord},  {".S", LoadFormat::SRecord},
    {".DAT", LoadFormat::Dat},
};

} // namespace

size_t LeadingFillLength(std::string_view text)
{
    size_t at = text.starts_with(ByteOrderMark) ? ByteOrderMark.size() : 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
        ++at;
    return at;
}

std::optional<LoadFormat> FormatNamedBy(const std::string& path)
{
    std::string name = FileNamePart(path);
    auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return std::nullopt;
    std::string extension = ToUpper(name.substr(dot));
    for (const NamedFormat& named : TextExtensions)
        if (extension == named.Extension)
            return named.Format;
    return std::nullopt;
}

LoadFormat DetectFileFormat(std::string_view head, const std::string& path)
{
    size_t at = LeadingFillLength(head);
    char first = at < head.size() ? head[at] : '\0';
    if (first == ':')
        return LoadFormat::Hex;
    if (first == 'S')
        return LoadFormat::SRecord;
    return FormatNamedBy(path).value_or(LoadFormat::Binary);
}

std::string NonImageReason(std::string_view head, const std::string& path)
{
    if (ToUpper(FileNamePart(path)).ends_with(".BIN"))
        return "";
    if (head.starts_with("\x7F" "ELF"))
        return "it is an ELF file";
    const bool text = std::all_of(head.begin(), head.end(), [](char c) {
        return (c >= 0x20 && c < 0x7F) || c == '\t' || c == '\r' || c == '\n';
    });
    return text ? "it looks like text" : "";
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
