#pragma once
// Shared helpers of the image tests: record lines built independently of the
// program's own writer, and a loader over files in a scratch folder.
#include "common/ScriptedOperator.h"
#include "image/FileLoader.h"
#include "image/ImageTexts.h"
#include "image/ImageBuffer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vorbrant::testing {

inline std::string HexByte(unsigned v)
{
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(v >> 4) & 15], digits[v & 15]};
}

// ":LLAAAATT<data>CC" with a correct checksum.
inline std::string HexLine(unsigned address, unsigned type, const std::vector<uint8_t>& data)
{
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
    std::string line = ":" + HexByte(static_cast<unsigned>(data.size())) + HexByte(address >> 8) +
                       HexByte(address & 0xFF) + HexByte(type);
    for (uint8_t b : data) {
        line += HexByte(b);
        sum += b;
    }
    return line + HexByte((0x100 - (sum & 0xFF)) & 0xFF);
}

// "S<type>CC<address><data>SS" with a correct checksum; addressBytes 2, 3 or 4.
inline std::string SLine(char type, uint32_t address, int addressBytes, const std::vector<uint8_t>& data)
{
    unsigned count = static_cast<unsigned>(addressBytes + data.size() + 1);
    unsigned sum = count;
    std::string line = std::string("S") + type + HexByte(count);
    for (int i = addressBytes - 1; i >= 0; --i) {
        unsigned b = (address >> (8 * i)) & 0xFF;
        line += HexByte(b);
        sum += b;
    }
    for (uint8_t b : data) {
        line += HexByte(b);
        sum += b;
    }
    return line + HexByte(~sum & 0xFF);
}

using test::TempDir;

// A loader under test: one image, one file state, one scripted operator.
struct LoadBench {
    std::unique_ptr<ImageBuffer> Image = std::make_unique<ImageBuffer>();
    FileState State;
    ScriptedOperator Op;
    TempDir Folder;

    bool Load(const std::string& content, LoadFormat format = LoadFormat::Detect, const std::string& name = "data.hex")
    {
        State.CurrentFilePath = Folder.Write(name, content);
        State.FileFormat = format;
        Op.Messages.clear();
        return LoadCurrent();
    }
    // Loads State as it stands; as the session shows it, a failure's text
    // goes into an error box.
    bool LoadCurrent()
    {
        LoadOutcome outcome = LoadFile(*Image, State);
        if (!outcome.Loaded())
            Op.ShowMessage(MessageKind::Error, LoadOutcomeText(outcome));
        return outcome.Loaded();
    }
    // The single message a failed load showed ("" when none).
    std::string Message() const
    {
        if (Op.Messages.size() != 1)
            return Op.Messages.empty() ? "" : "<" + std::to_string(Op.Messages.size()) + " messages>";
        EXPECT_EQ(Op.Messages[0].Kind, MessageKind::Error);
        return Op.Messages[0].Text;
    }
    std::vector<uint8_t> Bytes(uint32_t address, uint32_t count) const
    {
        return {Image->ImageData.begin() + address, Image->ImageData.begin() + address + count};
    }
};

} // namespace vorbrant::testing
