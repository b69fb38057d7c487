#include "interpreter/command_table.h"

#include <array>

#include "attributes/attribute_commands.h"
#include "files/file_commands.h"
#include "interpreter/help.h"
#include "interpreter/run_commands.h"
#include "namespace/path_commands.h"
#include "search/search_commands.h"
#include "transfer/transfer_commands.h"
#include "volume/volume_commands.h"

namespace {

void helpCommand(RunState&, ParsedCommand&) { printHelp(); }

// Every command of the command table with its canonical name; handlers are declared in
// the headers of their folders.
constexpr CommandRow kDispatch[] = {
    {CommandId::Open, "OPEN", openCommand},
    {CommandId::Read, "READ", readCommand},
    {CommandId::Write, "WRITE", writeCommand},
    {CommandId::ChgPtr, "CHGPTR", chgPtrCommand},
    {CommandId::Close, "CLOSE", closeCommand},
    {CommandId::Copy, "COPY", copyCommand},
    {CommandId::Move, "MOVE", moveCommand},
    {CommandId::Delete, "DELETE", deleteCommand},
    {CommandId::Rd, "RD", rdCommand},
    {CommandId::Cd, "CD", cdCommand},
    {CommandId::Commit, "COMMIT", commitCommand},
    {CommandId::ChgEof, "CHGEOF", chgEofCommand},
    {CommandId::GetAttributes, "GETATTRIBUTES", getAttributesCommand},
    {CommandId::SetAttributes, "SETATTRIBUTES", setAttributesCommand},
    {CommandId::Create, "CREATE", createCommand},
    {CommandId::FindFirst, "FINDFIRST", findFirstCommand},
    {CommandId::FindNext, "FINDNEXT", findNextCommand},
    {CommandId::FindClose, "FINDCLOSE", findCloseCommand},
    {CommandId::Attach, "ATTACH", acceptedCommand},
    {CommandId::Detach, "DETACH", acceptedCommand},
    {CommandId::QSpace, "QSPACE", qspaceCommand},
    {CommandId::Md, "MD", mdCommand},
    {CommandId::Help, "HELP", helpCommand},
    {CommandId::FreeDir, "FREEDIR", freeDirCommand},
    {CommandId::Rename, "RENAME", renameCommand},
    {CommandId::Lock, "LOCK", lockCommand},
    {CommandId::Unlock, "UNLOCK", unlockCommand},
    {CommandId::Prompt, "PROMPT", promptCommand},
    {CommandId::Timer, "TIMER", acceptedCommand},
    {CommandId::LockUnlock, "LOCKUNLOCK", lockUnlockCommand},
    {CommandId::DupHandle, "DUPHANDLE", dupHandleCommand},
    {CommandId::DevIoctl, "DEVIOCTL", devIoctlCommand},
    {CommandId::SetDefaultPath, "SETDEFAULTPATH", setDefaultPathCommand},
    {CommandId::GetVolumeInfo, "GETVOLUMEINFO", getVolumeInfoCommand},
    {CommandId::GetFileSize, "GETFILESIZE", getFileSizeCommand},
    {CommandId::ServerIoctl, "SERVERIOCTL", serverIoctlCommand},
    {CommandId::Map, "MAP", mapCommand},
    {CommandId::Unmap, "UNMAP", unmapCommand},
};

}  // namespace

const CommandRow* RowOf(CommandId id) {
    for (const CommandRow& row : kDispatch)
        if (row.id == id) return &row;
    return nullptr;
}
