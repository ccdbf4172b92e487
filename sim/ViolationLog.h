#pragma once
// Protocol violations the simulated hardware noticed. Each kind is listed
// once, with the virtual time it first happened; later repeats only count.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorbrant::sim {

class ViolationLog {
public:
    static constexpr size_t MaxKinds = 64;

    // kind is the fixed description ("C2D driven by both sides"); detail is
    // appended to the first occurrence only.
    void Add(std::string_view kind, uint64_t nowNs, std::string_view detail = {});

    const std::vector<std::string>& Entries() const { return entries_; }
    uint64_t Total() const { return total_; }
    bool Empty() const { return total_ == 0; }

private:
    std::vector<std::string> kinds_;
    std::vector<std::string> entries_;
    uint64_t total_ = 0;
};

} // namespace vorbrant::sim
