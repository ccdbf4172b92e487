#include "chain/JtagChainSetup.h"

#include "chain/ChainTexts.h"
#include "chain/JcfFile.h"

#include <algorithm>
#include <filesystem>

namespace vorbrant {

namespace {

std::string FileNameOnly(const std::string& path) { return std::filesystem::path(path).filename().string(); }

bool SameEntry(const tJTAGChainDevice& a, const tJTAGChainDevice& b)
{
    return a.DeviceName == b.DeviceName && a.IRLength == b.IRLength && a.BSLength == b.BSLength &&
           a.IDCode == b.IDCode && a.ProgFileName == b.ProgFileName;
}

} // namespace

std::string JtagChainSetup::RecordedJcf() const
{
    return ctx_.Config.ReadString(RecordedJcfSection, RecordedJcfKey, "");
}

ChainNotes JtagChainSetup::Open()
{
    if (Caption.empty())
        Caption = ChainSetupCaption;
    FillSelector();
    // The rows keep the files as typed while they still show the chain;
    // a chain changed behind the dialog is shown afresh.
    const auto& devices = ctx_.Chain.Devices;
    if (!std::equal(devices.begin(), devices.end(), rowsFrom_.begin(), rowsFrom_.end(), SameEntry))
        ShowRowsFromChain();
    ChainNotes notes = ReloadRecordedJcf();
    UpdateChainReport();
    ChangeEnabled = ctx_.Chain.ChainDeviceCount() > 0;
    SelectedRow = -1;
    SelectRow(0);
    return notes;
}

void JtagChainSetup::FillSelector()
{
    SelectorNames.clear();
    for (const tJTAGDeviceDescriptor& device : ctx_.Devices.Entries)
        SelectorNames.push_back(device.DeviceName);
}

void JtagChainSetup::DevicesEdited()
{
    FillSelector();
    if (SelectorIndex >= static_cast<int>(SelectorNames.size()))
        SelectorIndex = SelectorNames.empty() ? -1 : 0;
    if (SelectorIndex >= 0)
        SelectorText = SelectorNames[static_cast<size_t>(SelectorIndex)];
}

std::array<std::string, 3> JtagChainSetup::RowFor(size_t position, const std::string& file) const
{
    return {std::to_string(position), ctx_.Chain.Devices[position - 1].DeviceName, file.empty() ? NoFileShown : file};
}

void JtagChainSetup::ShowRowsFromChain()
{
    Rows.clear();
    for (size_t n = 1; n <= ctx_.Chain.ChainDeviceCount(); ++n)
        Rows.push_back(RowFor(n, FileNameOnly(ctx_.Chain.Devices[n - 1].ProgFileName)));
    RowsShown();
}

void JtagChainSetup::RowsShown() { rowsFrom_ = ctx_.Chain.Devices; }

void JtagChainSetup::KeepCurrentRow(int row)
{
    const int count = static_cast<int>(ctx_.Chain.ChainDeviceCount());
    SelectedRow = count == 0 ? -1 : std::clamp(row, 0, count - 1);
}

void JtagChainSetup::Renumber()
{
    for (size_t n = 0; n < Rows.size(); ++n)
        Rows[n][0] = std::to_string(n + 1);
}

void JtagChainSetup::SelectRow(int row)
{
    FileText.clear();
    SelectorIndex = SelectorNames.empty() ? -1 : 0;
    SelectorText = SelectorNames.empty() ? std::string() : SelectorNames.front();
    if (row < 0 || static_cast<size_t>(row) >= ctx_.Chain.ChainDeviceCount())
        return;
    SelectedRow = row;
    const tJTAGChainDevice& entry = ctx_.Chain.Devices[static_cast<size_t>(row)];
    for (size_t i = 0; i < SelectorNames.size(); ++i)
        if (SelectorNames[i] == entry.DeviceName) {
            SelectorIndex = static_cast<int>(i);
            SelectorText = SelectorNames[i];
            break;
        }
    FileText = entry.ProgFileName;
}

std::optional<ChainNote> JtagChainSetup::EntryFromFields(tJTAGChainDevice& entry)
{
    if (ctx_.Devices.Entries.empty())
        return MakeChainNote(ChainNoteKind::NoDevices);
    const tJTAGDeviceDescriptor* device = ctx_.Devices.Find(SelectorText);
    if (!device)
        return MakeChainNote(ChainNoteKind::UnknownDevice, SelectorText);
    entry.DeviceName = SelectorText;
    entry.IRLength = device->IRLength;
    entry.BSLength = device->BSLength;
    entry.IDCode = device->IDCode;
    entry.ProgFileName = FileText;
    return std::nullopt;
}

ChainNotes JtagChainSetup::Add()
{
    if (ctx_.Chain.ChainDeviceCount() >= JtagChainList::MaxChainDevices)
        return {MakeChainNote(ChainNoteKind::ChainFull)};
    tJTAGChainDevice entry;
    if (std::optional<ChainNote> problem = EntryFromFields(entry))
        return {*problem};
    ctx_.Chain.Devices.push_back(entry);
    Rows.push_back(RowFor(ctx_.Chain.ChainDeviceCount(), FileText));
    RowsShown();
    // The current row stays; the first entry of an empty list becomes it.
    KeepCurrentRow(SelectedRow < 0 ? 0 : SelectedRow);
    UpdateChainReport();
    ChangeEnabled = true;
    return {};
}

ChainNotes JtagChainSetup::Change()
{
    if (SelectedRow < 0 || static_cast<size_t>(SelectedRow) >= ctx_.Chain.ChainDeviceCount())
        return {};
    tJTAGChainDevice entry;
    if (std::optional<ChainNote> problem = EntryFromFields(entry))
        return {*problem};
    ctx_.Chain.Devices[static_cast<size_t>(SelectedRow)] = entry;
    Rows[static_cast<size_t>(SelectedRow)] = RowFor(static_cast<size_t>(SelectedRow) + 1, FileText);
    RowsShown();
    UpdateChainReport();
    return {};
}

bool JtagChainSetup::CanDelete() const
{
    return ctx_.Chain.ChainDeviceCount() != 0 && SelectedRow >= 0 &&
           static_cast<size_t>(SelectedRow) < ctx_.Chain.ChainDeviceCount();
}

void JtagChainSetup::Delete()
{
    if (!CanDelete())
        return;
    ctx_.Chain.Devices.erase(ctx_.Chain.Devices.begin() + SelectedRow);
    Rows.erase(Rows.begin() + SelectedRow);
    Renumber();
    RowsShown();
    // The row that took the deleted one's place is current (the new last
    // one after the last was deleted), and its entry is shown.
    KeepCurrentRow(SelectedRow);
    SelectRow(SelectedRow);
    if (ctx_.Chain.ChainDeviceCount() == 0)
        ChangeEnabled = false;
    UpdateChainReport();
}

void JtagChainSetup::DeleteAll()
{
    ctx_.Chain.Devices.clear();
    Rows.clear();
    RowsShown();
    SelectedRow = -1;
    Report.clear();
    ChangeEnabled = false;
}

void JtagChainSetup::Record(const std::string& path)
{
    ctx_.Config.WriteString(RecordedJcfSection, RecordedJcfKey, path);
    if (ctx_.PersistConfig)
        ctx_.PersistConfig();
    Caption = std::string(ChainSetupCaption) + " - " + FileNameOnly(path);
}

ChainNotes JtagChainSetup::LoadJcf(const std::string& path)
{
    JcfLoadResult result = LoadJcfFile(path, ctx_.Chain);
    const bool touched = result.Status != JcfLoadStatus::NoFile && result.Status != JcfLoadStatus::Unreadable;
    if (touched) {
        // The list shows exactly what the chain holds, also after a load
        // that stopped early.
        ShowRowsFromChain();
        SelectedRow = -1;
        SelectRow(0);
        UpdateChainReport();
        ChangeEnabled = ctx_.Chain.ChainDeviceCount() > 0;
    }
    if (result.Status == JcfLoadStatus::Loaded)
        Record(path);
    ChainNote note = MakeChainNote(ChainNoteKind::JcfLoaded, path);
    note.Jcf = result;
    return {note};
}

ChainNotes JtagChainSetup::SaveJcf(const std::string& path)
{
    std::string error;
    if (!SaveJcfFile(path, ctx_.Chain, error)) {
        ChainNote note = MakeChainNote(ChainNoteKind::JcfNotWritten, path);
        note.Reason = error;
        return {note};
    }
    Record(path);
    return {};
}

ChainNotes JtagChainSetup::ReloadRecordedJcf()
{
    std::string path = RecordedJcf();
    return path.empty() ? ChainNotes{} : LoadJcf(path);
}

ChainNotes JtagChainSetup::SaveRecordedJcf()
{
    std::string path = RecordedJcf();
    return path.empty() ? ChainNotes{} : SaveJcf(path);
}

ChainNotes JtagChainSetup::VerifyHardware()
{
    ChainNote note = MakeChainNote(ChainNoteKind::HardwareCheck);
    note.Check = ctx_.CheckHardware();
    return {note};
}

ChainNotes JtagChainSetup::Ok()
{
    if (ctx_.Chain.ChainDeviceCount() == 0)
        return {MakeChainNote(ChainNoteKind::EmptyChain)};
    return SaveRecordedJcf();
}

bool JtagChainSetup::Refused(const ChainNotes& notes)
{
    return std::any_of(notes.begin(), notes.end(),
                       [](const ChainNote& note) { return note.Kind == ChainNoteKind::EmptyChain; });
}

ChainNotes JtagChainSetup::Cancel() { return ReloadRecordedJcf(); }

} // namespace vorbrant
