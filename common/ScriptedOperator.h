#pragma once
// Operator for tests: records every message and status change, answers
// questions and the range dialog from a script.
#include "common/Operator.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vorbrant {

class ScriptedOperator : public Operator {
public:
    struct Message {
        MessageKind Kind;
        std::string Text;
    };

    void ShowMessage(MessageKind kind, const std::string& text) override;
    bool AskYesNo(const std::string& text, bool defaultYes) override;
    bool AskOkCancel(const std::string& text, bool defaultOk) override;
    bool AskRange(const std::string& caption, AddressRange& range) override;
    void SetStatus(const std::string& text, bool red) override;
    void ShowProgress(int maximum) override;
    void SetProgress(int value) override;
    void HideProgress() override;
    void SetBusy(bool busy) override;
    void Beep() override { ++Beeps; }
    void Note(MessageKind kind, const std::string& text) override { Notes.push_back({kind, text}); }
    void Log(const std::string& line) override { LogLines.push_back(line); }

    // Script: answers to questions in order (default answer when empty).
    std::deque<bool> Answers;
    // Script: range dialog results in order; nullopt = Cancel. When empty the
    // dialog is confirmed with the values it was opened with.
    std::deque<std::optional<AddressRange>> Ranges;

    // Record.
    std::vector<Message> Messages;
    std::vector<Message> Notes; // batch-mode messages that went to the log
    std::vector<std::string> LogLines;
    std::vector<std::string> Questions;
    std::vector<std::string> RangeCaptions;
    std::vector<std::string> StatusLines;
    std::string Status = "Idle";
    bool StatusRed = false;
    bool ProgressVisible = false;
    int ProgressMax = 0;
    int ProgressValue = 0;
    bool Busy = false;
    int Beeps = 0;

    // Texts of all messages, in order (handy for EXPECT_THAT).
    std::vector<std::string> Texts() const;
};

} // namespace vorbrant
