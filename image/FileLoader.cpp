#include "image/FileLoader.h"

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

LoadOutcome Outcome(LoadOutcomeKind kind, const std::string& path, LoadFormat format, int error = 0)
{
    LoadOutcome outcome;
    outcome.Kind = kind;
    outcome.Path = path;
    outcome.Format = format;
    outcome.Errno = error;
    return outcome;
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
LoadOutcome Load(ImageBuffer& image, FileState& state, bool fresh)
{
    const std::string path = state.CurrentFilePath;
    auto fail = [&](LoadOutcomeKind kind, int error = 0) {
        state.LoadedName.clear();
        image.ImageSize = 0;
        return Outcome(kind, path, state.FileFormat, error);
    };
    auto readFailed = [&](int error) { return fail(LoadOutcomeKind::ReadFailed, error); };

    struct stat info {};
    if (path.empty() || stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode))
        return fail(LoadOutcomeKind::NoSuchFile);
    state.LoadedName = FileNamePart(path);

    // Non-blocking so that a FIFO in place of the file cannot stall the load.
    Descriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0) {
        // Gone between the existence test and the open.
        if (errno == ENOENT || errno == ENOTDIR)
            return fail(LoadOutcomeKind::NoSuchFile);
        return readFailed(errno);
    }
    if (fstat(file.Get(), &info) != 0)
        return readFailed(errno);
    if (!S_ISREG(info.st_mode))
        return fail(LoadOutcomeKind::NotRegularFile);
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
        return readFailed(errno);
    if (got == 0)
        return fail(LoadOutcomeKind::Empty);
    const std::string_view start(head, static_cast<size_t>(got));

    const bool detected = state.FileFormat == LoadFormat::Detect;
    if (detected)
        state.FileFormat = DetectFileFormat(start, path);
    const LoadFormat format = state.FileFormat;
    // A listing or a linker's output one Tab away from the HEX file would
    // otherwise be programmed byte for byte; asked for as binary, it is.
    if (detected && format == LoadFormat::Binary)
        if (std::string why = NonImageReason(start, path); !why.empty()) {
            LoadOutcome outcome = fail(LoadOutcomeKind::NotAnImage);
            outcome.Reason = why;
            return outcome;
        }

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
            return fail(LoadOutcomeKind::TooBig);
        uint32_t size = 0;
        int readErrno = 0;
        int r = ReadBinaryImage(file.Get(), *staging, static_cast<uint32_t>(base), size, readErrno);
        if (r == RecordReadError)
            return readFailed(readErrno);
        if (r == RecordOutsideBuffer)
            return fail(LoadOutcomeKind::TooBig);
        if (size == 0)
            return fail(LoadOutcomeKind::Empty); // emptied since the first look
        staging->StartAddress = base;
        staging->EndAddress = static_cast<int32_t>(static_cast<uint32_t>(base) + size - 1);
        staging->ImageSize = static_cast<int32_t>(size);
    } else if (IsTextFormat(format)) {
        // A text of nothing but blanks holds nothing.
        if (fileSize > MaxTextFileSize)
            return readFailed(EFBIG);
        const size_t fill = LeadingFillLength(start);
        if (fill == start.size() && start.size() < sizeof head)
            return fail(LoadOutcomeKind::Empty);
        staging->StartAddress = 0x3FFFFF;
        staging->EndAddress = 0;
        if (lseek(file.Get(), static_cast<off_t>(fill), SEEK_SET) < 0)
            return readFailed(errno);
        LineReader reader(file.Get(), LineReader::DefaultBlock, MaxTextFileSize);
        RecordParseOutcome outcome = ParseRecordLines(format, reader, *staging, image.LoadOffset);
        if (outcome.Result == RecordReadError)
            return readFailed(outcome.ReadErrno);
        if (outcome.Result != RecordEnd) {
            LoadOutcome failed = fail(LoadOutcomeKind::RecordError);
            failed.Record = outcome.Result;
            return failed;
        }
        if (staging->StartAddress > staging->EndAddress) {
            // No data record at all: an empty image, not a 3FFFFF..0 range.
            staging->StartAddress = 0;
            staging->EndAddress = 0;
            staging->ImageSize = 0;
        } else {
            staging->ImageSize = staging->EndAddress - staging->StartAddress + 1;
        }
    } else {
        return fail(LoadOutcomeKind::UnknownFormat);
    }
    if (scratch)
        CommitImage(*scratch, image);
    return Outcome(LoadOutcomeKind::Loaded, path, format);
}

} // namespace

LoadOutcome LoadFile(ImageBuffer& image, FileState& state)
{
    return Load(image, state, false);
}

LoadOutcome LoadFileIntoNewImage(ImageBuffer& image, FileState& state)
{
    return Load(image, state, true);
}

} // namespace vorbrant
