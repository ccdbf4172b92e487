#include "session/RunRecord.h"

#include "common/Text.h"
#include "session/ExitCodes.h"
#include "session/Session.h"

#include <cstdio>

namespace vorbrant {

namespace {

std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

} // namespace

const char* ResultWord(int exitCode)
{
    if (exitCode == ToInt(ExitCode::Success))
        return "success";
    return exitCode == ToInt(ExitCode::Interrupted) ? "interrupted" : "failed";
}

std::string RunRecordJson(const RunRecord& r)
{
    std::string json = "{";
    if (r.Board)
        json += "\"board\":" + std::to_string(*r.Board) + ",";
    if (r.Position)
        json += "\"position\":" + std::to_string(*r.Position) + ",";
    if (r.Summary)
        json += "\"summary\":true,";
    json += "\"result\":" + Quoted(ResultWord(r.ExitCode)) + ",\"exit_code\":" + std::to_string(r.ExitCode);
    json += ",\"part\":" + (r.Part.empty() ? std::string("null") : Quoted(r.Part));
    json += ",\"adapter\":" + (r.Adapter.empty() ? std::string("null") : Quoted(r.Adapter));
    json += ",\"area\":" + Quoted(r.Area) + ",\"steps\":[";
    for (size_t i = 0; i < r.Steps.size(); ++i)
        json += (i ? "," : "") + Quoted(r.Steps[i]);
    json += "],\"bytes_programmed\":" + std::to_string(r.Programmed) +
            ",\"bytes_verified\":" + std::to_string(r.Verified);
    json += ",\"crc32\":" + (r.Crc32 ? Quoted(Hex(*r.Crc32, 8)) : std::string("null"));
    json += ",\"serial\":" + (r.Serial ? std::to_string(*r.Serial) : std::string("null"));
    json += ",\"duration_s\":" + Number(r.Seconds);
    json += ",\"port_accesses\":" + (r.PortAccesses ? std::to_string(*r.PortAccesses) : std::string("null"));
    json += ",\"port_time_s\":" + (r.PortSeconds ? Number(*r.PortSeconds) : std::string("null"));
    json += ",\"stalls_recovered\":" + std::to_string(r.StallsRecovered);
    json += ",\"message\":" + (r.Message.empty() ? std::string("null") : Quoted(r.Message));
    return json + "}";
}

std::string RunSummaryJson(const RunSummary& s)
{
    return "{\"summary\":true,\"boards\":" + std::to_string(s.Boards) + ",\"passed\":" + std::to_string(s.Passed) +
           ",\"failed\":" + std::to_string(s.Failed) + ",\"exit_code\":" + std::to_string(s.ExitCode) + "}";
}

std::string RunSummaryLine(const RunSummary& s)
{
    return std::to_string(s.Boards) + (s.Boards == 1 ? " board: " : " boards: ") + std::to_string(s.Passed) +
           " passed, " + std::to_string(s.Failed) + " failed";
}

} // namespace vorbrant
