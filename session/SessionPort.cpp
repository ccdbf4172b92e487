// The session's port choice: the "Hardware port" menu, the user-defined
// address, the -s port of the command line.
#include "session/Session.h"

#include "chain/ChainTexts.h"
#include "common/Text.h"
#include "session/Messages.h"

namespace vorbrant {

namespace {

// LPT1..LPT3 at the fixed addresses of "-dd".
constexpr uint16_t FixedBases[] = {0x378, 0x278, 0x3BC};
constexpr const char* FixedNames[] = {"378H", "278H", "3BCH"};

} // namespace

void Session::SelectPort()
{
    state_.LptMode = false;
    if (!IsLptChoice(state_.PortSelection)) {
        notify(&SessionView::PortChanged);
        return; // no adapter port (a serial port number or none)
    }

    state_.PortInfoDimmed = true;
    state_.FirmwareLineEnabled = false;
    std::string portName = "LPT" + std::to_string(LptNumber(state_.PortSelection));
    state_.PortMarks[0] = state_.PortMarks[1] = state_.PortMarks[2] = false;
    state_.SelectedPortText = NoPortShown;
    state_.LptMode = true;

    if (state_.PortSelection != PortChoice::UserDefined && !state_.DirectAddressMode) {
        if (!stack_.Ports.SelectLptPort(static_cast<uint8_t>(LptNumber(state_.PortSelection)))) {
            notify(&SessionView::PortChanged);
            op_.ShowMessage(MessageKind::Warning, PortNotAvailableText(portName));
            state_.PortSelection = PortChoice::None;
            // Without a port there is nothing to drive.
            state_.LptMode = false;
            notify(&SessionView::PortChanged);
            return;
        }
    }

    if (IsNumberedLpt(state_.PortSelection)) {
        size_t index = static_cast<size_t>(LptNumber(state_.PortSelection) - 1);
        // The menu's marks are exclusive.
        state_.PortMarks = {};
        state_.PortMarks[index] = true;
        if (state_.DirectAddressMode) {
            portName = FixedNames[index];
            stack_.Ports.LptBase = FixedBases[index];
        }
        state_.SelectedPortText = portName;
        state_.SelectedPortHint = false;
    } else if (state_.PortSelection == PortChoice::UserDefined) {
        state_.PortMarks[3] = true;
        state_.SelectedPortText = UserAddressText();
        stack_.Ports.LptBase = state_.UserLptAddress;
    }
    notify(&SessionView::PortChanged);
}

void Session::ShowLptWarningOnce()
{
    if (state_.LptWarningShown)
        return;
    state_.LptWarningShown = true;
    op_.ShowMessage(MessageKind::Warning, LptAdapterWarningText);
}

void Session::ChooseLpt(int number)
{
    ShowLptWarningOnce();
    state_.PortSelection = LptChoice(number);
    SelectPort();
}

std::string Session::UserAddressText() const { return Hex(state_.UserLptAddress, 3) + "H"; }

void Session::ChooseUserDefined(const AskAddressText& ask)
{
    ShowLptWarningOnce();
    // A text that is no address leaves the earlier selection in force: the
    // code 104 alone would be saved at close as a user port at an address
    // nobody chose, while the marks and the port still show the old one.
    PortChoice previous = state_.PortSelection;
    state_.PortSelection = PortChoice::UserDefined;
    // Cancel keeps the earlier port as well.
    std::optional<std::string> typed = ask(UserAddressText());
    if (!typed || !ApplyUserAddress(*typed)) {
        state_.PortSelection = previous;
        notify(&SessionView::PortChanged);
        return;
    }
    state_.SelectedPortHint = true;
    notify(&SessionView::PortChanged);
}

void Session::EditUserAddress(const AskAddressText& ask)
{
    if (state_.PortSelection != PortChoice::UserDefined)
        return;
    if (std::optional<std::string> typed = ask(UserAddressText()))
        ApplyUserAddress(*typed);
}

bool Session::ApplyUserAddress(const std::string& typed)
{
    std::string text(Trim(ToUpper(typed)));
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
        op_.ShowMessage(MessageKind::Error, InvalidIntegerText(typed));
        return false;
    }
    state_.UserLptAddress = static_cast<uint16_t>(*value);
    SelectPort();
    return true;
}

bool Session::ChooseLptQuietly(int number)
{
    state_.LptWarningShown = true;
    if (number >= 1 && number <= 3)
        ChooseLpt(number);
    if (number < 1 || number > 3 || state_.PortSelection == PortChoice::None) {
        // The menu's warning is still due when the operator picks a port.
        state_.LptWarningShown = false;
        return false;
    }
    return true;
}

} // namespace vorbrant
