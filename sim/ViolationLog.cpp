#include "sim/ViolationLog.h"

#include <algorithm>

namespace vorbrant::sim {

void ViolationLog::Add(std::string_view kind, uint64_t nowNs, std::string_view detail)
{
    ++total_;
    if (std::find(kinds_.begin(), kinds_.end(), kind) != kinds_.end())
        return;
    if (kinds_.size() >= MaxKinds)
        return;
    kinds_.emplace_back(kind);
    std::string text(kind);
    if (!detail.empty()) {
        text += ": ";
        text += detail;
    }
    text += " (first at ";
    text += std::to_string(nowNs / 1000);
    text += " us)";
    entries_.push_back(std::move(text));
}

} // namespace vorbrant::sim
