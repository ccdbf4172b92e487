// The port selection and the "Hardware port" menu.
#include "app/MainForm.h"

#include "common/Text.h"
#include "image/ui/OffsetDialog.h"

#include <QAction>
#include <QLabel>

namespace vorbrant {

void TMainForm::SelectPort()
{
    LptMode = false;
    if (PortSelection <= 100)
        return; // no adapter port (a serial port number or none)

    Label24->setEnabled(false);
    BaudRate->setEnabled(false);
    FirmwareVersion->setEnabled(false);
    std::string portName = "LPT" + std::to_string(PortSelection - 100);
    SetPortMark(LPT11, false);
    SetPortMark(LPT21, false);
    SetPortMark(LPT31, false);
    SelectedPort->setText("---");
    LptMode = true;

    if (PortSelection != 104 && !DirectAddressMode) {
        if (!Prog.Ports.SelectLptPort(static_cast<uint8_t>(PortSelection - 100))) {
            Op.ShowMessage(MessageKind::Warning, portName + " not available!");
            PortSelection = 0;
            // Without a port there is nothing to drive.
            LptMode = false;
            return;
        }
    }

    if (PortSelection >= 101 && PortSelection <= 103) {
        static constexpr uint16_t FixedBases[] = {0x378, 0x278, 0x3BC};
        static constexpr const char* FixedNames[] = {"378H", "278H", "3BCH"};
        QAction* items[] = {LPT11, LPT21, LPT31};
        int index = PortSelection - 101;
        SetPortMark(items[index], true);
        if (DirectAddressMode) {
            portName = FixedNames[index];
            Prog.Ports.LptBase = FixedBases[index];
        }
        SelectedPort->setText(QString::fromStdString(portName));
        SetSelectedPortHint(false);
    } else if (PortSelection == 104) {
        SetPortMark(Userdefined1, true);
        SelectedPort->setText(QString::fromStdString(Hex(UserLptAddress, 3) + "H"));
        Prog.Ports.LptBase = UserLptAddress;
    }
}

void TMainForm::ShowLptWarningOnce()
{
    if (LptWarningShown)
        return;
    LptWarningShown = true;
    Op.ShowMessage(MessageKind::Warning, "LPT and USB adapters support SiLabs devices only!");
}

void TMainForm::LPT11Click()
{
    ShowLptWarningOnce();
    PortSelection = 101;
    SelectPort();
}

void TMainForm::LPT21Click()
{
    ShowLptWarningOnce();
    PortSelection = 102;
    SelectPort();
}

void TMainForm::LPT31Click()
{
    ShowLptWarningOnce();
    PortSelection = 103;
    SelectPort();
}

void TMainForm::Userdefined1Click()
{
    ShowLptWarningOnce();
    // A text that is no address leaves the earlier selection in force: the
    // code 104 alone would be saved at close as a user port at an address
    // nobody chose, while the marks and the port still show the old one.
    uint8_t previous = PortSelection;
    PortSelection = 104;
    if (!UserAddressDialog()) {
        PortSelection = previous;
        return;
    }
    SetSelectedPortHint(true);
}

void TMainForm::SelectedPortClick()
{
    if (PortSelection == 104)
        UserAddressDialog();
}

void TMainForm::SetSelectedPortHint(bool on)
{
    SelectedPort->setToolTip(on ? "Click to change port address" : "");
}

bool TMainForm::UserAddressDialog()
{
    QString typed = OffsetDialog().RunBorrowed("User LPT port address", "LPT port address",
                                               QString::fromStdString(Hex(UserLptAddress, 3) + "H"));
    std::string text(Trim(ToUpper(typed.toStdString())));
    std::optional<int32_t> value;
    size_t h = text.find('H');
    if (h != std::string::npos) {
        std::string digits = text.substr(0, h) + text.substr(h + 1);
        if (!digits.empty() && digits.front() != '-' && digits.front() != '+')
            value = ParseInt32("$" + digits);
    } else {
        value = ParseInt32(text);
    }
    // An address beyond 16 bits is refused rather than cut to another port.
    if (!value || *value < 0 || *value > 0xFFFF) {
        Op.ShowMessage(MessageKind::Error, "'" + typed.toStdString() + "' is not a valid integer value");
        return false;
    }
    UserLptAddress = static_cast<uint16_t>(*value);
    SelectPort();
    return true;
}

} // namespace vorbrant
