#pragma once
// The 4 MiB image every data path meets in: the bytes, a flag per address that
// says whether it was stored, a flag per 512-byte page, and the working range.
#include <cstdint>
#include <string>
#include <vector>

namespace vorbrant {

class ImageBuffer {
public:
    static constexpr uint32_t Capacity = 0x400000;   // 4,194,304 addresses
    static constexpr uint32_t PageCount = 8193;      // one flag per 512 bytes, plus a spare
    static constexpr unsigned PageShift = 9;

    ImageBuffer();

    // ImageData all 0xFF, both maps 0; the working range for a text load
    // (start 0x3FFFFF, end 0) or a binary load (0, 0). LoadOffset and
    // ImageSize are left alone.
    void ClearImage(bool textFormat);
    // Clears only the presence and page maps (a read from the target).
    void ClearMaps();
    // Stores one byte; callers guarantee address < Capacity.
    void StoreByte(uint32_t address, uint8_t value)
    {
        ImageData[address] = value;
        PresentMap[address] = 1;
        PageMap[address >> PageShift] = 1;
        if (static_cast<int32_t>(address) > EndAddress)
            EndAddress = static_cast<int32_t>(address);
        if (static_cast<int32_t>(address) < StartAddress)
            StartAddress = static_cast<int32_t>(address);
    }
    // A byte typed in the hex editor: stored like a loaded byte, and the byte
    // count grows with it. Program, Verify and Blank check take ImageSize
    // bytes from StartAddress, so an edit that widens the range, or lies
    // beyond that count, sets ImageSize = EndAddress - StartAddress + 1:
    // every present byte between start and end is then worked on, the
    // loaded file's included (the runs skip the absent ones).
    void StoreEditedByte(uint32_t address, uint8_t value);

    uint32_t BufferCapacity = Capacity;
    std::vector<uint8_t> ImageData;
    std::vector<uint8_t> PresentMap;
    std::vector<uint8_t> PageMap;

    int32_t StartAddress = 0;
    int32_t EndAddress = 0;
    int32_t ImageSize = 0;
    int32_t LoadOffset = 0;
};

// The panel texts of the buffer-info panel: at least six upper-case hex digits
// and "H", the value printed as unsigned 32 bits.
std::string BufferInfoText(int32_t value);

// The address text of the dialogs: trimmed and upper-cased; with an "H"
// anywhere the last character is dropped and the rest read as hexadecimal,
// otherwise a 32-bit integer (decimal with sign, or "$" hex). False on any
// conversion failure (value unchanged).
bool ParseAddressText(const std::string& text, int32_t& value);

} // namespace vorbrant
