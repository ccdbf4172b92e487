#pragma once
// The IEEE 1149.1 TAP controller: sixteen states, moved by TMS on each rising
// TCK edge. A plain value type.
#include <array>
#include <cstdint>

namespace vorbrant::sim {

enum class TapState : uint8_t {
    TestLogicReset, RunTestIdle,
    SelectDr, CaptureDr, ShiftDr, Exit1Dr, PauseDr, Exit2Dr, UpdateDr,
    SelectIr, CaptureIr, ShiftIr, Exit1Ir, PauseIr, Exit2Ir, UpdateIr,
};

namespace detail {
using enum TapState;
// [state][tms]
inline constexpr std::array<std::array<TapState, 2>, 16> TapNext{{
    {RunTestIdle, TestLogicReset}, // TestLogicReset
    {RunTestIdle, SelectDr},       // RunTestIdle
    {CaptureDr, SelectIr},         // SelectDr
    {ShiftDr, Exit1Dr},            // CaptureDr
    {ShiftDr, Exit1Dr},            // ShiftDr
    {PauseDr, UpdateDr},           // Exit1Dr
    {PauseDr, Exit2Dr},            // PauseDr
    {ShiftDr, UpdateDr},           // Exit2Dr
    {RunTestIdle, SelectDr},       // UpdateDr
    {CaptureIr, TestLogicReset},   // SelectIr
    {ShiftIr, Exit1Ir},            // CaptureIr
    {ShiftIr, Exit1Ir},            // ShiftIr
    {PauseIr, UpdateIr},           // Exit1Ir
    {PauseIr, Exit2Ir},            // PauseIr
    {ShiftIr, UpdateIr},           // Exit2Ir
    {RunTestIdle, SelectDr},       // UpdateIr
}};
} // namespace detail

constexpr TapState NextTapState(TapState state, bool tms)
{
    return detail::TapNext[static_cast<size_t>(state)][tms ? 1 : 0];
}

const char* TapStateName(TapState state);

} // namespace vorbrant::sim
