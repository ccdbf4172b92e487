#include "image/FileLoader.h"

#include "common/BoundedRead.h"
#include "image/LineReader.h"
#include "image/RecordParsers.h"
#include "image/RecordStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace vorbrant {

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

// A full image in records of one byte each takes some 63 MB of Intel HEX;
// a text file beyond this limit is no image of ours.
constexpr uint64_t MaxTextFileSize = uint64_t{256} << 20;

std::string ReadFailureText(const std::string& path, const std::string& reason)
{
    return "Can't read file " + path + ": " + reason;
}

std::string NotAnImageText(const std::string& path, const std::string& reason)
{
    return path + " is not a HEX, S-record, DAT or binary image (" + reason +
           "); give --format=bin to program it as raw bytes";
}

ssize_t ReadRetrying(int fd, void* buffer, size_t size)
{
    ssize_t n;
    do {
        n = read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    return n;
}

// Reads a whole binary file into the image from address base (the load
// offset). Returns 0, or RecordOutsideBuffer when the file reaches beyond
// the buffer, or RecordReadError with errno in readErrno.
int ReadBinaryImage(int fd, ImageBuffer& image, uint32_t base, uint32_t& size, int& readErrno)
{
    uint8_t* data = image.ImageData.data() + base;
    const size_t room = ImageBuffer::Capacity - base;
    size_t total = 0;
    while (total < room) {
        ssize_t n = ReadRetrying(fd, data + total, room - total);
        if (n < 0) {
            readErrno = errno;
            return RecordReadError;
        }
        if (n == 0)
            break;
        total += static_cast<size_t>(n);
    }
    if (total == room) {
        uint8_t extra;
        ssize_t n = ReadRetrying(fd, &extra, 1);
        if (n < 0) {
            readErrno = errno;
            return RecordReadError;
        }
        if (n > 0)
            return RecordOutsideBuffer;
    }
    size = static_cast<uint32_t>(total);
    if (total > 0) {
        std::memset(image.PresentMap.data() + base, 1, total);
        std::fill(image.PageMap.begin() + (base >> ImageBuffer::PageShift),
                  image.PageMap.begin() + ((base + total - 1) >> ImageBuffer::PageShift) + 1, 1);
    }
    return 0;
}

void CommitImage(const ImageBuffer& from, ImageBuffer& to)
{
    // Copied rather than swapped: windows may hold on to the buffer's storage.
    std::copy(from.ImageData.begin(), from.ImageData.end(), to.ImageData.begin());
    std::copy(from.PresentMap.begin(), from.PresentMap.end(), to.PresentMap.begin());
    std::copy(from.PageMap.begin(), from.PageMap.end(), to.PageMap.begin());
    to.StartAddress = from.StartAddress;
    to.EndAddress = from.EndAddress;
    to.ImageSize = from.ImageSize;
}

// fresh: image is newly constructed and dropped on failure, so the file is
// parsed straight into it; otherwise into a scratch image committed on success.
bool Load(ImageBuffer& image, FileState& state, Operator& op, bool fresh)
{
    const std::string path = state.CurrentFilePath;
    auto fail = [&](const std::string& message) {
        op.ShowMessage(MessageKind::Error, message);
        state.LoadedName.clear();
        image.ImageSize = 0;
        return false;
    };

    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return fail("There's no file" + path);
    state.LoadedName = FileNamePart(path);

    // Non-blocking so that a FIFO in place of the file cannot stall the load.
    Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0) {
        // Gone between the existence test and the open.
        if (errno == ENOENT || errno == ENOTDIR)
            return fail("There's no file" + path);
        return fail(ReadFailureText(path, std::strerror(errno)));
    }
    if (fstat(file.Get(), &info) != 0)
        return fail(ReadFailureText(path, std::strerror(errno)));
    if (!S_ISREG(info.st_mode))
        return fail(ReadFailureText(path, NotRegularFileReason));
    // The size is known before the data is read: a binary image larger than
    // the buffer, or a text larger than any image could need, is refused.
    const uint64_t fileSize = static_cast<uint64_t>(info.st_size);

    // The start of the file tells its format; a text file may begin with a
    // byte-order mark and blank lines, which its records come after.
    char head[4096];
    ssize_t got;
    do {
        got = pread(file.Get(), head, sizeof head, 0);
    } while (got < 0 && errno == EINTR);
    if (got < 0)
        return fail(ReadFailureText(path, std::strerror(errno)));
    if (got == 0)
        return fail("File is empty!");
    const std::string_view start(head, static_cast<size_t>(got));

    const bool detected = state.FileFormat == LoadFormat::Detect;
    if (detected)
        state.FileFormat = DetectFileFormat(start, path);
    const LoadFormat format = state.FileFormat;
    // A listing or a linker's output one Tab away from the HEX file would
    // otherwise be programmed byte for byte; asked for as binary, it is.
    if (detected && format == LoadFormat::Binary)
        if (std::string why = NonImageReason(start, path); !why.empty())
            return fail(NotAnImageText(path, why));

    std::unique_ptr<ImageBuffer> scratch;
    if (!fresh)
        scratch = std::make_unique<ImageBuffer>();   // cleared: 0xFF, maps 0
    ImageBuffer* staging = fresh ? &image : scratch.get();
    if (format == LoadFormat::Binary) {
        // The load offset places a binary image as it does HEX data
        // records: every byte must still land inside the buffer.
        const int32_t base = image.LoadOffset;
        if (base < 0 || static_cast<uint32_t>(base) >= ImageBuffer::Capacity ||
            fileSize > ImageBuffer::Capacity - static_cast<uint32_t>(base))
            return fail("File too big for the selected FLASH memory!");
        uint32_t size = 0;
        int readErrno = 0;
        int r = ReadBinaryImage(file.Get(), *staging, static_cast<uint32_t>(base), size, readErrno);
        if (r == RecordReadError)
            return fail(ReadFailureText(path, std::strerror(readErrno)));
        if (r == RecordOutsideBuffer)
            return fail("File too big for the selected FLASH memory!");
        if (size == 0)
            return fail("File is empty!");   // emptied since the first look
        staging->StartAddress = base;
        staging->EndAddress = static_cast<int32_t>(static_cast<uint32_t>(base) + size - 1);
        staging->ImageSize = static_cast<int32_t>(size);
    } else if (IsTextFormat(format)) {
        // A text of nothing but blanks holds nothing.
        if (fileSize > MaxTextFileSize)
            return fail(ReadFailureText(path, std::strerror(EFBIG)));
        const size_t fill = LeadingFillLength(start);
        if (fill == start.size() && start.size() < sizeof head)
            return fail("File is empty!");
        staging->StartAddress = 0x3FFFFF;
        staging->EndAddress = 0;
        if (lseek(file.Get(), static_cast<off_t>(fill), SEEK_SET) < 0)
            return fail(ReadFailureText(path, std::strerror(errno)));
        LineReader reader(file.Get(), LineReader::DefaultBlock, MaxTextFileSize);
        RecordParseOutcome outcome = ParseRecordLines(format, reader, *staging, image.LoadOffset);
        if (outcome.Result == RecordReadError)
            return fail(ReadFailureText(path, std::strerror(outcome.ReadErrno)));
        if (outcome.Result != RecordEnd)
            return fail(RecordErrorText(format, outcome.Result));
        if (staging->StartAddress > staging->EndAddress) {
            // No data record at all: an empty image, not a 3FFFFF..0 range.
            staging->StartAddress = 0;
            staging->EndAddress = 0;
            staging->ImageSize = 0;
        } else {
            staging->ImageSize = staging->EndAddress - staging->StartAddress + 1;
        }
    } else {
        return fail("Unknown file format " + std::to_string(static_cast<int>(format)));
    }
    if (scratch)
        CommitImage(*scratch, image);
    return true;
}

} // namespace

bool LoadFile(ImageBuffer& image, FileState& state, Operator& op)
{
    return Load(image, state, op, false);
}

bool LoadFileIntoNewImage(ImageBuffer& image, FileState& state, Operator& op)
{
    return Load(image, state, op, true);
}

} // namespace vorbrant
