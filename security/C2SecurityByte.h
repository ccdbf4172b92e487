#pragma once
// The "Security byte" dialog without its widgets: the count of locked pages
// of a C2 part (its own flash pages), shown as a bar and a range, chosen in a
// number field, programmed by Update and removed only by Chip erase.
#include "security/SecurityContext.h"

#include <cstdint>
#include <string>

namespace vorbrant {

class C2SecurityByte {
public:
    explicit C2SecurityByte(SecurityContext context) : ctx_(std::move(context)) {}

    // Opening stops the presence poll and reads the byte; closing restarts it.
    SecurityNotes Open();
    void Close();

    // The number field changed (typing, the up-down control): a decimal
    // number takes effect (its low 8 bits) and is shown in plain decimal;
    // other text is ignored and stays in the field as typed.
    void TextChanged(const std::string& text);
    // Enter in the number field: the same with surrounding blanks dropped.
    void EnterPressed(const std::string& text);
    // Programs the chosen protection (the dialog asked first), reconnects
    // and reads it back.
    SecurityNotes Update();
    // Erases the whole chip (the dialog asked first) and reconnects.
    SecurityNotes ChipErase();

    // What the dialog shows.
    uint8_t SecurityPages = 0;
    std::string EditText = "0";
    std::string RangeText;
    int GaugeMaximum = 0;
    int GaugePosition = 0;
    int ChangerMaximum = 0;
    bool BarEnabled = true;
    bool ChangerEnabled = true;
    bool UpdateEnabled = true;

private:
    SecurityNotes ReadSecurityState();
    void ShowSecuredRange();
    // After a change of the part: back to 0 pages on a fresh maximum.
    void ShowFreshDevice();

    SecurityContext ctx_;
};

} // namespace vorbrant
