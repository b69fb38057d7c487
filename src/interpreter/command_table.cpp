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

void helpCommand(ParsedCommand&) { printHelp(); }

struct Dispatch {
    CommandId id;
    CommandHandler handler;
};

// Every command of the command table; handlers are declared in the headers of their
// folders.
constexpr Dispatch kDispatch[] = {
    {CommandId::Open, openCommand},
    {CommandId::Read, readCommand},
    {CommandId::Write, writeCommand},
    {CommandId::ChgPtr, chgPtrCommand},
    {CommandId::Close, closeCommand},
    {CommandId::Copy, copyCommand},
    {CommandId::Move, moveCommand},
    {CommandId::Delete, deleteCommand},
    {CommandId::Rd, rdCommand},
    {CommandId::Cd, cdCommand},
    {CommandId::Commit, commitCommand},
    {CommandId::ChgEof, chgEofCommand},
    {CommandId::GetAttributes, getAttributesCommand},
    {CommandId::SetAttributes, setAttributesCommand},
    {CommandId::Create, createCommand},
    {CommandId::FindFirst, findFirstCommand},
    {CommandId::FindNext, findNextCommand},
    {CommandId::FindClose, findCloseCommand},
    {CommandId::Attach, acceptedCommand},
    {CommandId::Detach, acceptedCommand},
    {CommandId::QSpace, qspaceCommand},
    {CommandId::Md, mdCommand},
    {CommandId::Help, helpCommand},
    {CommandId::FreeDir, freeDirCommand},
    {CommandId::Rename, renameCommand},
    {CommandId::Lock, lockCommand},
    {CommandId::Unlock, unlockCommand},
    {CommandId::Prompt, promptCommand},
    {CommandId::Timer, acceptedCommand},
    {CommandId::LockUnlock, lockUnlockCommand},
    {CommandId::DupHandle, dupHandleCommand},
    {CommandId::DevIoctl, devIoctlCommand},
    {CommandId::SetDefaultPath, setDefaultPathCommand},
    {CommandId::GetVolumeInfo, getVolumeInfoCommand},
    {CommandId::GetFileSize, getFileSizeCommand},
    {CommandId::ServerIoctl, serverIoctlCommand},
    {CommandId::Map, mapCommand},
    {CommandId::Unmap, unmapCommand},
};

}  // namespace

CommandHandler HandlerOf(CommandId id) {
    for (const Dispatch& entry : kDispatch)
        if (entry.id == id) return entry.handler;
    return nullptr;
}
