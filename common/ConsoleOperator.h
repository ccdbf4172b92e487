#pragma once
// Operator for headless runs: messages go to stderr as "Error: <text>",
// questions take their default answer, status and progress are printed.
#include "common/Operator.h"

#include <cstdio>
#include <string>

namespace vorbrant {

class ConsoleOperator : public Operator {
public:
    explicit ConsoleOperator(std::FILE* out = stderr);

    void ShowMessage(MessageKind kind, const std::string& text) override;
    bool AskYesNo(const std::string& text, bool defaultYes) override;
    bool AskOkCancel(const std::string& text, bool defaultOk) override;
    bool AskRange(const std::string& caption, AddressRange& range) override;
    void SetStatus(const std::string& text, bool red) override;
    void ShowProgress(int maximum) override;
    void SetProgress(int value) override;
    void HideProgress() override;
    void SetBusy(bool) override {}
    void Note(MessageKind kind, const std::string& text) override { ShowMessage(kind, text); }

    // Prints a line of our own (the closing line), quiet or not.
    void Print(const std::string& line);
    // Connection result, notes of the run: not when quiet.
    void Log(const std::string& line) override
    {
        if (!quiet_)
            Print(line);
    }
    // -q: errors and the closing line only.
    void SetQuiet(bool quiet) { quiet_ = quiet; }
    // The last error or warning shown (for the run report), empty if none.
    const std::string& LastProblem() const { return lastProblem_; }
    void ClearLastProblem() { lastProblem_.clear(); }

private:
    void EndProgressLine();

    std::FILE* out_;
    bool terminal_;
    int progressMax_ = 0;
    int lastPercent_ = -1;
    bool progressLineOpen_ = false;
    std::string status_;
    bool quiet_ = false;
    std::string lastProblem_;
};

} // namespace vorbrant
