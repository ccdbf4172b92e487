// The session's JTAG chain: "Multiple JTAG Chain" and the chain setup of the
// window, and the chain position a batch run chooses.
#include "session/Session.h"

#include "common/IniKeys.h"
#include "image/FileFormats.h"
#include "session/Messages.h"
#include "target/ChainHardware.h"

#include <filesystem>

namespace vorbrant {

void Session::SetChainEnabled(bool enabled)
{
    state_.ChainEnabled = enabled;
    state_.ChainSetupVisible = enabled;
    state_.ConnectEnabled = !enabled;
    if (!enabled)
        state_.ConnectButtonText = ConnectCaption;
    notify(&SessionView::ConnectionChanged);
}

ChainSetupContext Session::ChainSetup()
{
    return ChainSetupContext{stack_.Chain, devices_, config_, [this] { SaveConfiguration(); },
                             [this] { return VerifyChainHardware(stack_.Signals, stack_.Dev.Jtag(), stack_.Chain); }};
}

JtagDeviceEditor Session::DeviceEditor()
{
    return JtagDeviceEditor(devices_, config_, [this] { SaveConfiguration(); });
}

void Session::ChainSetupAccepted(uint8_t position)
{
    if (position == 0 || position > stack_.Chain.ChainDeviceCount())
        return;
    state_.ConnectEnabled = true;
    state_.SelectedChainDevice = position;
    stack_.Dev.SetChainPosition(position);
    state_.ConnectButtonText = ConnectToDeviceCaption(position);
    const std::string jcf = config_.ReadString(ini::Environment, ini::JtagChainFile, "");
    const std::string path = ProgFilePath(jcf, stack_.Chain.Devices[position - 1]);
    files_.CurrentFilePath = path;
    files_.LoadedName = FileNamePart(path);
    files_.FileFormat = LoadFormat::Detect;
    notify(&SessionView::ConnectionChanged);
    std::error_code ec;
    if (!path.empty() && std::filesystem::exists(path, ec)) {
        LoadCurrentFile();
        AddRecentFile(path);
    }
}

void Session::UseChain(uint8_t position)
{
    state_.ChainEnabled = true;
    if (position == 0)
        return;
    state_.SelectedChainDevice = position;
    stack_.Dev.SetChainPosition(position);
}

} // namespace vorbrant
