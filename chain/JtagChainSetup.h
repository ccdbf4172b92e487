#pragma once
// The "JTAG Chain Setup" dialog without its widgets: the chain list with its
// three columns, the device selector and file field, Add, Change, Delete,
// Delete all, JCF files (and the one recorded in the configuration), the
// hardware check, OK and Cancel.
#include "chain/ChainCheck.h"
#include "chain/ChainTexts.h"
#include "chain/JcfFile.h"
#include "target/JtagChainList.h"
#include "chain/JtagDeviceTable.h"
#include "common/IniFile.h"
#include "common/IniKeys.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace vorbrant {

inline constexpr const char* RecordedJcfSection = ini::Environment;
inline constexpr const char* RecordedJcfKey = ini::JtagChainFile;

struct ChainSetupContext {
    JtagChainList& Chain;
    const JtagDeviceTable& Devices;
    IniFile& Config;
    // Writes the configuration file (the recorded JCF changed).
    std::function<void()> PersistConfig;
    // Reads the IDCODEs of the board's chain and compares them.
    std::function<ChainCheckResult()> CheckHardware;
};

// Each action returns what it has to say; the dialog asks its questions
// (Delete, Delete all) before it calls the action.
class JtagChainSetup {
public:
    explicit JtagChainSetup(ChainSetupContext context) : ctx_(std::move(context)) {}

    // Each opening: the selector refilled, the recorded JCF file reloaded,
    // the report, the first row selected and shown.
    ChainNotes Open();
    // The device list was edited: the selector follows the table.
    void DevicesEdited();
    // A click on a row (0-based): its device and file into the fields.
    void SelectRow(int row);
    ChainNotes Add();
    ChainNotes Change();
    // Delete takes the current row.
    bool CanDelete() const;
    void Delete();
    void DeleteAll();
    ChainNotes LoadJcf(const std::string& path);
    ChainNotes SaveJcf(const std::string& path);
    ChainNotes VerifyHardware();
    // OK writes the chain into the recorded JCF file; it is refused (the
    // dialog stays: Refused) while the chain is empty. Cancel reloads it.
    ChainNotes Ok();
    ChainNotes Cancel();
    static bool Refused(const ChainNotes& notes);

    // The 1-based chain position OK chose: the current row, which exists
    // whenever the list has rows.
    uint8_t ChosenPosition() const { return static_cast<uint8_t>((SelectedRow < 0 ? 0 : SelectedRow) + 1); }
    std::string RecordedJcf() const;

    // What the dialog shows.
    std::string Caption;
    std::vector<std::string> SelectorNames;
    int SelectorIndex = -1;
    std::string SelectorText; // typed or chosen
    std::string FileText;
    std::vector<std::array<std::string, 3>> Rows;
    int SelectedRow = -1; // the current row; -1 only while the list is empty
    bool ChangeEnabled = false;
    std::string Report; // empty: hidden

private:
    void FillSelector();
    void UpdateChainReport() { Report = ChainReportText(ctx_.Chain); }
    void ShowRowsFromChain();
    // The rows now show the chain as it stands.
    void RowsShown();
    // The current row: this one, clamped into the list (none when empty).
    void KeepCurrentRow(int row);
    void Renumber();
    ChainNotes ReloadRecordedJcf();
    ChainNotes SaveRecordedJcf();
    void Record(const std::string& path);
    // The entry the selector and file field describe; what is wrong when
    // the selector names no device of the list.
    std::optional<ChainNote> EntryFromFields(tJTAGChainDevice& entry);
    std::array<std::string, 3> RowFor(size_t position, const std::string& file) const;

    ChainSetupContext ctx_;
    // The entries the rows were made from: while the chain still holds
    // them, the rows keep the files as they were typed.
    std::vector<tJTAGChainDevice> rowsFrom_;
};

} // namespace vorbrant
