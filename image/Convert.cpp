#include "image/Convert.h"

#include "common/ConsoleOperator.h"
#include "common/Text.h"
#include "image/FileLoader.h"
#include "image/FileSaver.h"

#include <memory>

namespace vorbrant {

int RunConvert(const std::string& in, const std::string& out, std::FILE* err)
{
    auto image = std::make_unique<ImageBuffer>();
    FileState state;
    state.CurrentFilePath = in;
    state.FileFormat = ChooseFileFormat(in, LoadFormat::Detect);
    ConsoleOperator console(err);
    if (!LoadFileIntoNewImage(*image, state, console))
        return 2;

    const std::string name = FileNamePart(out);
    const bool binary = name.size() >= 4 && ToUpper(name.substr(name.size() - 4)) == ".BIN";
    std::string error;
    // The loaded range: ImageSize bytes from StartAddress (none for a file
    // without data records).
    if (!SaveRange(*image, image->StartAddress, static_cast<uint32_t>(image->ImageSize), out,
                   binary ? SaveFormat::Binary : SaveFormat::Hex, error)) {
        console.ShowMessage(MessageKind::Error, error);
        return 1;
    }
    return 0;
}

} // namespace vorbrant
