#include "image/Convert.h"

#include "common/AtomicFile.h"
#include "common/BoundedRead.h"
#include "common/ConsoleOperator.h"
#include "common/StdStreams.h"
#include "common/Text.h"
#include "image/FileLoader.h"
#include "image/FileSaver.h"
#include "image/ImageTexts.h"

#include <filesystem>
#include <memory>

namespace vorbrant {

ConvertResult RunConvert(const std::string& in, const std::string& out, std::FILE* err,
                         std::optional<LoadFormat> format, std::optional<SaveFormat> outFormat, int32_t loadOffset)
{
    ConsoleOperator console(err);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(in, ec)) {
        // A FIFO or a folder exists: say why it is not read.
        console.ShowMessage(MessageKind::Error, std::filesystem::exists(in, ec)
                                                    ? CannotReadText(in, NotRegularFileReason)
                                                    : "no such file: " + in);
        return ConvertResult::InputNotLoaded;
    }
    if (std::string problem = IsStdStream(out) ? "" : WriteProblem(out); !problem.empty()) {
        console.ShowMessage(MessageKind::Error, "Can't write file " + out + ": " + problem);
        return ConvertResult::OutputNotWritten;
    }
    auto image = std::make_unique<ImageBuffer>();
    image->LoadOffset = loadOffset;
    FileState state;
    state.CurrentFilePath = in;
    state.FileFormat = format.value_or(ChooseFileFormat(in, LoadFormat::Detect));
    if (LoadOutcome loaded = LoadFileIntoNewImage(*image, state); !loaded.Loaded()) {
        console.ShowMessage(MessageKind::Error, LoadOutcomeText(loaded));
        return ConvertResult::InputNotLoaded;
    }

    std::string error;
    // The loaded range: ImageSize bytes from StartAddress (none for a file
    // without data records).
    if (!SaveRange(*image, image->StartAddress, static_cast<uint32_t>(image->ImageSize), out,
                   OutputFormatFor(out, outFormat), error)) {
        console.ShowMessage(MessageKind::Error, error);
        return ConvertResult::OutputNotWritten;
    }
    return ConvertResult::Written;
}

} // namespace vorbrant
