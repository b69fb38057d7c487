#include "interpreter/command_table.h"

#include <array>

#include "files/file_commands.h"
#include "interpreter/help.h"
#include "interpreter/run_commands.h"
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
    {CommandId::Read, nullptr},
    {CommandId::Write, nullptr},
    {CommandId::ChgPtr, chgPtrCommand},
    {CommandId::Close, closeCommand},
    {CommandId::Copy, nullptr},
    {CommandId::Move, nullptr},
    {CommandId::Delete, nullptr},
    {CommandId::Rd, nullptr},
    {CommandId::Cd, nullptr},
    {CommandId::Commit, commitCommand},
    {CommandId::ChgEof, chgEofCommand},
    {CommandId::GetAttributes, nullptr},
    {CommandId::SetAttributes, nullptr},
    {CommandId::Create, createCommand},
    {CommandId::FindFirst, nullptr},
    {CommandId::FindNext, nullptr},
    {CommandId::FindClose, nullptr},
    {CommandId::Attach, acceptedCommand},
    {CommandId::Detach, acceptedCommand},
    {CommandId::QSpace, qspaceCommand},
    {CommandId::Md, nullptr},
    {CommandId::Help, helpCommand},
    {CommandId::FreeDir, freeDirCommand},
    {CommandId::Rename, nullptr},
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
