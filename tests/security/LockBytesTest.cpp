// The lock-byte rules on identified parts: which dialog a part gets, the
// range a security byte protects, the blocks of the JTAG lock bits, and what
// the three security dialogs show and write, without their widgets.
#include "security/LockBytes.h"

#include "security/C2SecurityByte.h"
#include "security/F30xSecurity.h"
#include "security/JtagLockBits.h"
#include "security/SecurityTexts.h"
#include "tests/support/SimRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

using namespace vorbrant;
using vorbrant::test::SimRig;

namespace {

ChipInfo Identified(const std::string& part)
{
    SimRig rig(part);
    EXPECT_TRUE(rig.Dev().ConnectTarget().Identified()) << part;
    return rig.Chip();
}

} // namespace

TEST(LockBytes, EachFamilyGetsItsDialog)
{
    EXPECT_EQ(SecurityDialogFor(Identified("F020")), SecurityDialog::SecurityBytes);
    EXPECT_EQ(SecurityDialogFor(Identified("F120")), SecurityDialog::SecurityBytes);
    EXPECT_EQ(SecurityDialogFor(Identified("F300")), SecurityDialog::F30xNibbles);
    EXPECT_EQ(SecurityDialogFor(Identified("F340")), SecurityDialog::SecurityByte);
    EXPECT_EQ(SecurityDialogFor(Identified("F410")), SecurityDialog::SecurityByte);
}

TEST(LockBytes, SecuredRangeTextKeepsSixteenBits)
{
    EXPECT_EQ(SecuredRangeText(0, 512), "Device unprotected!");
    EXPECT_EQ(SecuredRangeText(1, 512), "Secured range 0-01FFH");
    EXPECT_EQ(SecuredRangeText(64, 512), "Secured range 0-7FFFH");
    EXPECT_EQ(SecuredRangeText(96, 512), "Secured range 0-0BFFFH");
    // 200 pages are 102400 bytes, 36864 in 16 bits.
    EXPECT_EQ(SecuredRangeText(200, 512), "Secured range 0-8FFFH");
    EXPECT_EQ(SecuredRangeText(4, 1024), "Secured range 0-0FFFH");
}

TEST(LockBytes, PagesCountInThePartsOwnPagesBelowItsLockBytesPage)
{
    struct Case {
        const char* Part;
        uint32_t PageBytes;
        int Highest;
    };
    // The F36x count 1 KB pages; the lock byte's own page is never offered.
    for (const Case& c : {Case{"F310", 512, 30}, Case{"F340", 512, 125}, Case{"F341", 512, 63},
                          Case{"F334", 512, 3}, Case{"F360", 1024, 30}, Case{"F368", 1024, 15}}) {
        ChipInfo chip = Identified(c.Part);
        EXPECT_EQ(SecurityPageBytes(chip), c.PageBytes) << c.Part;
        EXPECT_EQ(HighestSecurityPages(chip), c.Highest) << c.Part;
    }
}

TEST(LockBytes, BlockLabelsFollowTheFlashSize)
{
    ChipInfo f020 = Identified("F020");
    EXPECT_EQ(BlockRangeText(f020, 0), "0000-1FFFH");
    EXPECT_EQ(BlockRangeText(f020, 7), "E000-FFFFH");
    ChipInfo f120 = Identified("F120");
    EXPECT_EQ(BlockRangeText(f120, 3), "C000-FFFFH");
    EXPECT_EQ(BlockRangeText(f120, 4), "10000-13FFFH");
    // A smaller variant has four blocks; its upper bits cover nothing.
    ChipInfo f046 = Identified("F046");
    ASSERT_TRUE(f046.SmallerVariant);
    EXPECT_EQ(LockBlockCount(f046), 4);
    EXPECT_EQ(BlockRangeText(f046, 3), "6000-7FFFH");
    EXPECT_EQ(BlockRangeText(f046, 4), "");
}

namespace {

// The three security dialogs without their widgets, on a connected
// simulated part, with the main window's reconnect and presence poll. The
// part holds 5A at 0100 so that an erase shows.
struct Dialogs {
    explicit Dialogs(const std::string& simText) : Rig(simText)
    {
        Rig.Dev().ConnectTarget();
        Rig.Sim->Flash()[0x100] = 0x5A;
    }
    SecurityContext Context()
    {
        return {Rig.Dev(), [this] {
                    Rig.Dev().DisconnectTarget();
                    Rig.Dev().ConnectTarget();
                },
                [this] { return Poll; }, [this](bool running) { Poll = running; }};
    }

    // What the dialog would say, in order.
    void Say(const SecurityNotes& notes)
    {
        for (SecurityNote note : notes)
            Said.push_back(SecurityNoteMessage(note, Rig.Chip().Security).Text);
    }

    SimRig Rig;
    bool Poll = true;
    std::vector<std::string> Said;
};

std::string Hex(unsigned value)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02X", value);
    return buffer;
}

// A step's text with '_' for a blank.
std::string Blanks(std::string text)
{
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

// The steps of the security byte dialog: "type=4", "enter=_12_", "update",
// "erase". False for a step it does not know.
bool Step(C2SecurityByte& m, const std::string& step, SecurityNotes& notes)
{
    if (step.starts_with("type="))
        m.TextChanged(Blanks(step.substr(5)));
    else if (step.starts_with("enter="))
        m.EnterPressed(Blanks(step.substr(6)));
    else if (step == "update")
        notes = m.Update();
    else if (step == "erase")
        notes = m.ChipErase();
    else
        return false;
    return true;
}

// "field | range | bar/maximum | up to N", and what is disabled.
std::string Shows(const C2SecurityByte& m)
{
    return m.EditText + " | " + m.RangeText + " | " + std::to_string(m.GaugePosition) + "/" +
           std::to_string(m.GaugeMaximum) + " | up to " + std::to_string(m.ChangerMaximum) +
           (m.UpdateEnabled ? "" : " no-update") + (m.ChangerEnabled ? "" : " no-changer") +
           (m.BarEnabled ? "" : " no-bar");
}

// The F30x dialog: "update=rw" with the read and the write box ticked,
// "update=" with neither; "erase".
bool Step(F30xSecurity& m, const std::string& step, SecurityNotes& notes)
{
    if (step.starts_with("update="))
        notes = m.Update(step.find('r', 7) != std::string::npos, step.find('w', 7) != std::string::npos);
    else if (step == "erase")
        notes = m.ChipErase();
    else
        return false;
    return true;
}

// The byte and the ticked boxes.
std::string Shows(const F30xSecurity& m)
{
    return Hex(m.F30xLockByte) + (m.ReadLockChecked ? " read-lock" : "") + (m.WriteLockChecked ? " write-lock" : "") +
           (m.ControlsEnabled ? "" : " disabled");
}

// The JTAG lock bits: "R0".."W7" click a box, "update-read",
// "update-write", "erase-page", "erase-chip".
bool Step(JtagLockBits& m, const std::string& step, SecurityNotes& notes)
{
    if (step.size() == 2 && (step[0] == 'R' || step[0] == 'W')) {
        LockColumn column = step[0] == 'R' ? LockColumn::Read : LockColumn::WriteErase;
        int bit = step[1] - '0';
        m.BoxClicked(column, bit, !m.At(column, bit).Checked);
    } else if (step == "update-read")
        notes = m.UpdateRead();
    else if (step == "update-write")
        notes = m.UpdateWriteErase();
    else if (step == "erase-page" || step == "erase-chip")
        notes = m.Erase(step == "erase-chip");
    else
        return false;
    return true;
}

// Each column from bit 7 down: X locked, x ticked, . open, - no block.
std::string Shows(JtagLockBits& m)
{
    std::string shown = m.PanelsEnabled ? "" : "disabled ";
    for (LockColumn column : {LockColumn::Read, LockColumn::WriteErase}) {
        shown += column == LockColumn::Read ? "R " : " W ";
        for (int bit = 7; bit >= 0; --bit) {
            const JtagLockBits::Box& box = m.At(column, bit);
            shown += box.Checked ? (box.Enabled ? 'x' : 'X') : (box.Enabled ? '.' : '-');
        }
    }
    return shown;
}

// Opens the dialog, takes the steps ("yes" and "no" answer the question
// the dialog asks before the next step: "no" leaves that step out), closes
// it and tells what it showed.
template <typename Model>
std::string RunDialog(Dialogs& d, const std::string& steps)
{
    Model m(d.Context());
    d.Say(m.Open());
    std::istringstream in(steps);
    bool cancelled = false;
    for (std::string step; in >> step;) {
        if (step == "yes" || step == "no") {
            cancelled = step == "no";
            continue;
        }
        SecurityNotes notes;
        if (!cancelled && !Step(m, step, notes))
            ADD_FAILURE() << "no such step: " << step;
        cancelled = false;
        d.Say(notes);
    }
    EXPECT_FALSE(d.Poll) << "no presence poll while the dialog is open";
    m.Close();
    return Shows(m);
}

} // namespace

TEST(LockBytes, TheDialogsShowAndWriteWhatTheRulesSay)
{
    const std::string unplugged = "F330,remove-after=" + std::to_string(SimRig::ConnectAccesses("F330") + 1);
    struct Case {
        std::string Sim;
        const char* Steps;
        const char* Shows;
        const char* Said;  // the operator's messages, "; " between them
        const char* Flash; // address=value after the steps
    };
    const Case cases[] = {
        // The security byte counts locked pages from 0, in 16 bits, and lets
        // the operator choose every page below the lock byte's page.
        {"F340", "", "0 | Device unprotected! | 0/65536 | up to 125", "", "FBFF=FF"},
        {"F340", "type=1", "1 | Secured range 0-01FFH | 512/65536 | up to 125", "", "FBFF=FF"},
        {"F340", "type=64", "64 | Secured range 0-7FFFH | 32768/65536 | up to 125", "", "FBFF=FF"},
        {"F340", "type=96", "96 | Secured range 0-0BFFFH | 49152/65536 | up to 125", "", "FBFF=FF"},
        {"F340", "type=007", "7 | Secured range 0-0DFFH | 3584/65536 | up to 125", "", ""},
        {"F340", "type=7 type=_12_", "_12_ | Secured range 0-0DFFH | 3584/65536 | up to 125", "", ""},
        {"F340", "type=7 type=x", "x | Secured range 0-0DFFH | 3584/65536 | up to 125", "", ""},
        {"F340", "type=7 enter=_12_", "12 | Secured range 0-17FFH | 6144/65536 | up to 125", "", ""},
        {"F310", "type=30", "30 | Secured range 0-3BFFH | 15360/16384 | up to 30", "", ""},
        {"F310", "type=200", "200 | Secured range 0-8FFFH | 36864/16384 | up to 30", "", ""},
        {"F360", "type=4", "4 | Secured range 0-0FFFH | 4096/32768 | up to 30", "", ""},
        {"F340,lock=FB", "", "4 | Secured range 0-07FFH | 2048/65536 | up to 125", "", "FBFF=FB"},
        // Update writes the complement of the count and reads it back; the
        // F341 answers as the locked F34x row but counts its own pages.
        {"F340", "type=4 yes update", "4 | Secured range 0-07FFH | 2048/65536 | up to 125", "", "FBFF=FB 0100=5A"},
        {"F341", "type=4 yes update", "4 | Secured range 0-07FFH | 2048/32768 | up to 63", "", "7FFF=FB"},
        {"F310", "type=200 yes update", "30 | Secured range 0-3BFFH | 15360/16384 | up to 30", "", "3DFF=E1"},
        {"F340", "type=4 yes update yes erase", "0 | Device unprotected! | 0/65536 | up to 125", "",
         "FBFF=FF 0100=FF"},
        {"F340", "type=4 no update no erase", "4 | Secured range 0-07FFH | 2048/65536 | up to 125", "",
         "FBFF=FF 0100=5A"},
        // A part that no longer answers: the locked display, and a chip
        // erase that fails and changes nothing.
        {unplugged, "yes erase", "0 | DEVICE LOCKED! | 0/0 | up to 0 no-update no-changer no-bar",
         "Cannot read security byte!; Chip erase failed!", ""},

        // The F30x lock byte: a cleared bit of the low nibble locks reading,
        // of the high nibble writing; Update only clears, Chip erase sets.
        {"F300", "", "FF", "", "1DFF=FF"},
        {"F300,lock=F0", "", "F0 read-lock", "Device is locked! To unlock, erase whole chip!", ""},
        {"F300,lock=7F", "", "7F write-lock", "Device is locked! To unlock, erase whole chip!", ""},
        {"F300", "update=", "FF", "", "1DFF=FF"},
        {"F300", "update=r", "F0 read-lock", "Device is locked! To unlock, erase whole chip!", "1DFF=F0"},
        {"F300", "update=w", "0F write-lock", "Device is locked! To unlock, erase whole chip!", "1DFF=0F"},
        {"F300", "update=rw", "00 read-lock write-lock", "Device is locked! To unlock, erase whole chip!",
         "1DFF=00"},
        {"F300,lock=F0", "update=", "F0 read-lock",
         "Device is locked! To unlock, erase whole chip!; Device is locked! To unlock, erase whole chip!", "1DFF=F0"},
        {"F300,lock=F0", "no erase", "F0 read-lock", "Device is locked! To unlock, erase whole chip!",
         "1DFF=F0 0100=5A"},
        {"F300,lock=F0", "yes erase", "FF", "Device is locked! To unlock, erase whole chip!", "1DFF=FF 0100=FF"},

        // The JTAG lock bytes: a locked block is ticked for good; a tick and
        // an untick before Update count as nothing.
        {"F020", "", "R ........ W ........", "", "FDFF=FF FDFE=FF"},
        {"F020", "update-write", "R ........ W ........", "FLASH Write/Erase lock bits writing successfull!",
         "FDFE=FF"},
        {"F020", "R0 update-read", "R .......X W ........", "FLASH Read lock bits writing successfull!",
         "FDFF=FE FDFE=FF"},
        {"F020", "R0 R0", "R ........ W ........", "", ""},
        {"F020", "W7 W6 W6 update-write", "R ........ W X.......", "FLASH Write/Erase lock bits writing successfull!",
         "FDFF=FF FDFE=7F"},
        {"F020", "W7 R2", "R .....x.. W x.......", "", "FDFF=FF FDFE=FF"},
        {"F020,lock=0000", "", "disabled R ........ W ........", "Lock bits reading disabled!", ""},
        {"F018,lock=F7FF", "", "R ----X... W ----....", "", ""},
        {"F020,lock=FEFE", "no erase-page no erase-chip", "R .......X W .......X", "", "FDFF=FE 0100=5A"},
        {"F020,lock=FEFE", "yes erase-page", "R ........ W ........", "Lock bit page erase successfull!",
         "FDFF=FF FDFE=FF 0100=5A"},
        {"F020,lock=FEFE", "R7 update-read yes erase-chip", "R ........ W ........",
         "FLASH Read lock bits writing successfull!; Full chip erase successfull!", "FDFF=FF 0100=FF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Sim + ": " + c.Steps);
        Dialogs d(c.Sim);
        std::string shown;
        switch (SecurityDialogFor(d.Rig.Chip())) {
        case SecurityDialog::SecurityByte: shown = RunDialog<C2SecurityByte>(d, c.Steps); break;
        case SecurityDialog::F30xNibbles: shown = RunDialog<F30xSecurity>(d, c.Steps); break;
        case SecurityDialog::SecurityBytes: shown = RunDialog<JtagLockBits>(d, c.Steps); break;
        }
        EXPECT_EQ(shown, Blanks(c.Shows));
        std::string said;
        for (const std::string& text : d.Said)
            said += (said.empty() ? "" : "; ") + text;
        EXPECT_EQ(said, c.Said);
        std::istringstream flash(c.Flash);
        for (std::string pair; flash >> pair;) {
            uint32_t address = std::stoul(pair.substr(0, 4), nullptr, 16);
            EXPECT_EQ(Hex(d.Rig.Sim->Flash()[address]), pair.substr(5)) << pair;
        }
        EXPECT_TRUE(d.Poll) << "closing restarts the poll";
        EXPECT_TRUE(d.Rig.Sim->Violations().empty());
    }
}
