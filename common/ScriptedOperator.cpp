#include "common/ScriptedOperator.h"

namespace vorbrant {

void ScriptedOperator::ShowMessage(MessageKind kind, const std::string& text)
{
    Messages.push_back({kind, text});
}

bool ScriptedOperator::AskYesNo(const std::string& text, bool defaultYes)
{
    Questions.push_back(text);
    if (Answers.empty())
        return defaultYes;
    bool a = Answers.front();
    Answers.pop_front();
    return a;
}

bool ScriptedOperator::AskOkCancel(const std::string& text, bool defaultOk)
{
    return AskYesNo(text, defaultOk);
}

bool ScriptedOperator::AskRange(const std::string& caption, AddressRange& range)
{
    RangeCaptions.push_back(caption);
    if (Ranges.empty())
        return true;
    auto r = Ranges.front();
    Ranges.pop_front();
    if (!r)
        return false;
    range = *r;
    return true;
}

void ScriptedOperator::SetStatus(const std::string& text, bool red)
{
    Status = text;
    StatusRed = red;
    StatusLines.push_back(text);
}

void ScriptedOperator::ShowProgress(int maximum)
{
    ProgressVisible = true;
    ProgressMax = maximum;
    ProgressValue = 0;
}

void ScriptedOperator::SetProgress(int value) { ProgressValue = value; }
void ScriptedOperator::HideProgress() { ProgressVisible = false; }
void ScriptedOperator::SetBusy(bool busy) { Busy = busy; }

std::vector<std::string> ScriptedOperator::Texts() const
{
    std::vector<std::string> t;
    for (const auto& m : Messages)
        t.push_back(m.Text);
    return t;
}

} // namespace vorbrant
