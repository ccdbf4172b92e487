// The session's configuration file: its lock, what is read at start (the
// last folder, the port, the JTAG device list, the recent files) and written
// at close. Sections and keys are in common/IniKeys.h.
#include "session/Session.h"

#include "chain/ChainTexts.h"
#include "common/IniKeys.h"
#include "session/Messages.h"
#include "session/PortSetting.h"

#include <filesystem>

namespace vorbrant {

namespace {

// More recent-file keys than this are not read: the list keeps five anyway,
// and a damaged FileCount must not keep start-up busy.
constexpr int32_t MaxFileKeys = 1000;

} // namespace

void Session::LockConfiguration()
{
    // On the file itself, whatever name or link reached it.
    // --no-ini: no file, no lock.
    configReadOnly_ =
        !settings_.IniPath.empty() && configLock_.TryLock(settings_.IniPath) == FileLock::HeldElsewhere;
}

void Session::ReadConfiguration()
{
    config_.SetPath(settings_.IniPath);
    std::string error;
    if (settings_.IniPath.empty()) {
        config_.Parse(""); // --no-ini: the defaults
    } else if (!config_.Load(&error)) {
        op_.ShowMessage(MessageKind::Warning, ConfigNotReadMessage(settings_.IniPath, error));
    } else if (!config_.IsText()) {
        // Binary content is nobody's configuration: start from the defaults
        // and leave the file alone.
        op_.ShowMessage(MessageKind::Warning, ConfigNotTextMessage(settings_.IniPath));
        configNotTextShown_ = true;
        config_.Parse("");
    }

    files_.LastDir = config_.ReadString(ini::Environment, ini::LastDir, "");
    PortSetting setting = ReadPortSetting(config_.ReadString(ini::Environment, ini::Port, ""));
    state_.PortSelection = setting.PortSelection;
    // The simulator answers on its own port, whatever an earlier run (or a
    // real machine) stored.
    if (settings_.SimulatedPort)
        state_.PortSelection = LptChoice(settings_.SimulatedLpt);
    if (setting.HadAddress) {
        state_.UserLptAddress = setting.UserLptAddress;
        state_.LptWarningShown = true;
    }

    // The JTAG device list; its messages are for the window's operator.
    JtagDeviceTable::LoadResult devices = devices_.Load(config_);
    if (!settings_.Headless)
        for (const ChainNote& note : DeviceTableLoadNotes(devices)) {
            ChainCheckMessage message = ChainNoteMessage(note);
            op_.ShowMessage(message.Kind, message.Text);
        }

    int32_t count = config_.ReadInteger(ini::Environment, ini::FileCount, 0);
    if (count > MaxFileKeys)
        count = MaxFileKeys;
    for (int32_t n = 1; n <= count; ++n)
        AddRecentFile(config_.ReadString(ini::Environment, ini::FileKey(static_cast<size_t>(n)), ""));
}

bool Session::WriteConfiguration()
{
    // The instance that holds the lock owns the file; --no-ini has none.
    if (configReadOnly_ || settings_.IniPath.empty())
        return true;
    // Re-read first: other windows may have written their own keys since.
    config_.SetPath(settings_.IniPath);
    std::string error;
    if (!config_.Load(&error)) {
        // What could not be read must not be replaced by what we know.
        op_.ShowMessage(MessageKind::Error, ConfigNotWrittenMessage(settings_.IniPath, error));
        return false;
    }
    // Not ours to rewrite; the operator heard so once.
    if (!config_.IsText()) {
        if (!configNotTextShown_)
            op_.ShowMessage(MessageKind::Warning, ConfigNotTextMessage(settings_.IniPath));
        configNotTextShown_ = true;
        return true;
    }
    config_.WriteString(ini::Environment, ini::LastDir, files_.LastDir);
    // A simulated port says nothing about this machine's ports.
    if (!settings_.SimulatedPort)
        config_.WriteString(ini::Environment, ini::Port, FormatPortSetting(state_.PortSelection, state_.UserLptAddress));
    const auto& entries = recent_.Entries();
    config_.WriteInteger(ini::Environment, ini::FileCount, static_cast<int32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        config_.WriteString(ini::Environment, ini::FileKey(i + 1), entries[i]);

    std::error_code ec;
    std::filesystem::path folder = std::filesystem::path(settings_.IniPath).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    return SaveConfiguration();
}

bool Session::SaveConfiguration()
{
    // A second instance, or a file that is not a text INI, leaves it alone.
    if (configReadOnly_ || !config_.IsText() || settings_.IniPath.empty())
        return true;
    std::string error;
    // The new file takes over the lock of the one it replaces.
    if (config_.Save(&error, [this](int fd) { configLock_.Adopt(fd); }))
        return true;
    op_.ShowMessage(MessageKind::Error, ConfigNotWrittenMessage(settings_.IniPath, error));
    return false;
}

std::string Session::AdapterChoice() const { return config_.ReadString(ini::Adapter, ini::AdapterOption, ""); }

void Session::SetAdapterChoice(const std::string& option) { config_.WriteString(ini::Adapter, ini::AdapterOption, option); }

} // namespace vorbrant
