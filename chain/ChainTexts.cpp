#include "chain/ChainTexts.h"

#include "common/Text.h"

namespace vorbrant {

std::string InvalidIntegerText(const std::string& text) { return "'" + text + "' is not a valid integer value"; }

std::string MaximumDevicesText(size_t maximum)
{
    return "Maximum number (" + std::to_string(maximum) + ") of devices reached!";
}

std::string NoSuchFileText(const std::string& path) { return "There's no file " + path + "!"; }

std::string UnknownDeviceText(const std::string& name) { return "Unknown JTAG device " + name + "!"; }

std::string DeleteDeviceQuestion(const std::string& name)
{
    return "Do you really want to delete device " + name + " ?";
}

std::string ChainMismatchText(size_t position, uint32_t idRead)
{
    return "Device #" + std::to_string(position) + " ID(" + Hex(idRead, 8) + ") does not match JCF file!";
}

std::string DevicesIgnoredText(size_t ignored, size_t maximum)
{
    return "The JTAG device list holds " + std::to_string(maximum) + " devices; " + std::to_string(ignored) +
           " more in the configuration file were ignored.";
}

std::string ChainEntriesIgnoredText(size_t ignored, size_t maximum)
{
    return "A JTAG chain holds " + std::to_string(maximum) + " devices; " + std::to_string(ignored) +
           " more in the JCF file were ignored.";
}

ChainNote MakeChainNote(ChainNoteKind kind, std::string text)
{
    ChainNote note;
    note.Kind = kind;
    note.Text = std::move(text);
    return note;
}

ChainCheckMessage ChainNoteMessage(const ChainNote& note)
{
    switch (note.Kind) {
    case ChainNoteKind::NoDevices: return {MessageKind::Error, EmptyDeviceListText};
    case ChainNoteKind::UnknownDevice: return {MessageKind::Error, UnknownDeviceText(note.Text)};
    case ChainNoteKind::ChainFull: return {MessageKind::Error, MaximumDevicesText(JtagChainList::MaxChainDevices)};
    case ChainNoteKind::DeviceListFull: return {MessageKind::Error, MaximumDevicesText(JtagDeviceTable::MaxJtagDevices)};
    case ChainNoteKind::NotANumber: return {MessageKind::Error, InvalidIntegerText(note.Text)};
    case ChainNoteKind::JcfLoaded:
        return {note.Jcf.Status == JcfLoadStatus::Loaded ? MessageKind::Warning : MessageKind::Error,
                note.Jcf.Message(note.Text)};
    case ChainNoteKind::JcfNotWritten: return {MessageKind::Error, "Can't write " + note.Text + ": " + note.Reason};
    case ChainNoteKind::EmptyChain: return {MessageKind::Error, EmptyChainText};
    case ChainNoteKind::HardwareCheck: return MessageFor(note.Check);
    case ChainNoteKind::DevicesIgnored:
        return {MessageKind::Warning, DevicesIgnoredText(note.Count, JtagDeviceTable::MaxJtagDevices)};
    }
    return {MessageKind::Error, ""};
}

ChainNotes DeviceTableLoadNotes(const JtagDeviceTable::LoadResult& result)
{
    ChainNotes notes;
    if (result.Stopped)
        notes.push_back(MakeChainNote(ChainNoteKind::NotANumber, result.Bad));
    if (result.Ignored) {
        notes.push_back(MakeChainNote(ChainNoteKind::DevicesIgnored));
        notes.back().Count = result.Ignored;
    }
    return notes;
}

} // namespace vorbrant
