#include "stress/ops.h"

namespace stress {

namespace {

struct Names {
    std::string_view word, key;
};

constexpr Names names[CmdCount] = {
    {"CREATE", "create"},
    {"OPEN", "open"},
    {"CLOSE", "close"},
    {"WRITE", "write"},
    {"READ", "read"},
    {"CHGPTR", "chgptr"},
    {"CHGEOF", "chgeof"},
    {"GETFILESIZE", "getfilesize"},
    {"COMMIT", "commit"},
    {"MAP", "map"},
    {"UNMAP", "unmap"},
    {"LOCK", "lock"},
    {"UNLOCK", "unlock"},
    {"LOCKUNLOCK", "lockunlock"},
    {"DUPHANDLE", "duphandle"},
    {"RENAME", "rename"},
    {"MOVE", "move"},
    {"COPY", "copy"},
    {"DELETE", "delete"},
    {"MD", "md"},
    {"RD", "rd"},
    {"SETATTR", "setattr"},
    {"FINDFIRST", "findfirst"},
    {"FINDNEXT", "findnext"},
    {"FINDCLOSE", "findclose"},
};

}  // namespace

std::string_view cmdWord(Cmd cmd) { return names[static_cast<int>(cmd)].word; }
std::string_view cmdKey(Cmd cmd) { return names[static_cast<int>(cmd)].key; }

}  // namespace stress
