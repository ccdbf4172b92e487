#include "common/Operator.h"

#include <cstdio>

namespace vorbrant {

const char* MessageKindName(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning: return "Warning";
    case MessageKind::Error: return "Error";
    case MessageKind::Information: return "Information";
    }
    return "Message";
}

void Operator::Note(MessageKind kind, const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", MessageKindName(kind), text.c_str());
    std::fflush(stderr);
}

} // namespace vorbrant
