#include "common/ConsoleOperator.h"

#include <unistd.h>

namespace vorbrant {

ConsoleOperator::ConsoleOperator(std::FILE* out)
    : out_(out), terminal_(isatty(fileno(out)) != 0)
{
}

void ConsoleOperator::EndProgressLine()
{
    if (progressLineOpen_) {
        std::fputc('\n', out_);
        progressLineOpen_ = false;
    }
}

void ConsoleOperator::Print(const std::string& line)
{
    EndProgressLine();
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
}

void ConsoleOperator::ShowMessage(MessageKind kind, const std::string& text)
{
    if (kind == MessageKind::Error || kind == MessageKind::Warning)
        lastProblem_ = text;
    if (quiet_ && kind != MessageKind::Error)
        return;
    Print(std::string(MessageKindName(kind)) + ": " + text);
}

bool ConsoleOperator::AskYesNo(const std::string& text, bool defaultYes)
{
    if (!quiet_)
        Print("Question: " + text + (defaultYes ? " -> Yes" : " -> No"));
    return defaultYes;
}

bool ConsoleOperator::AskOkCancel(const std::string& text, bool defaultOk)
{
    if (!quiet_)
        Print("Question: " + text + (defaultOk ? " -> OK" : " -> Cancel"));
    return defaultOk;
}

bool ConsoleOperator::AskRange(const std::string& caption, AddressRange& range)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, " %06X..%06X -> OK", static_cast<unsigned>(range.Start),
                  static_cast<unsigned>(range.End));
    if (!quiet_)
        Print(caption + buf);
    return true;
}

void ConsoleOperator::SetStatus(const std::string& text, bool)
{
    if (text == status_ || quiet_)
        return;
    status_ = text;
    Print("Status: " + text);
}

void ConsoleOperator::ShowProgress(int maximum)
{
    progressMax_ = maximum;
    lastPercent_ = -1;
    SetProgress(0);
}

void ConsoleOperator::SetProgress(int value)
{
    if (progressMax_ <= 0 || quiet_)
        return;
    int percent = static_cast<int>(static_cast<long long>(value) * 100 / progressMax_);
    if (percent < 0)
        percent = 0;
    if (percent > 100)
        percent = 100;
    if (terminal_) {
        if (percent == lastPercent_)
            return;
        lastPercent_ = percent;
        std::fprintf(out_, "\r  %3d%%", percent);
        std::fflush(out_);
        progressLineOpen_ = true;
    } else {
        // A log gets a line every 25 percent.
        int quarter = percent / 25 * 25;
        if (quarter == lastPercent_)
            return;
        lastPercent_ = quarter;
        std::fprintf(out_, "  %3d%%\n", quarter);
    }
}

void ConsoleOperator::HideProgress()
{
    EndProgressLine();
    progressMax_ = 0;
}

} // namespace vorbrant
