#include "interpreter/keywords.h"

#include <string_view>

#include "common/ascii.h"

namespace {

struct CommandWord {
    std::string_view word;
    CommandId id;
};

constexpr CommandWord kCommandWords[] = {
    {"OPEN", CommandId::Open},
    {"READ", CommandId::Read},
    {"WRITE", CommandId::Write},
    {"CHGPTR", CommandId::ChgPtr},
    {"CHGFILEPTR", CommandId::ChgPtr},
    {"SETFILEPTR", CommandId::ChgPtr},
    {"CLOSE", CommandId::Close},
    {"COPY", CommandId::Copy},
    {"MOVE", CommandId::Move},
    {"ERASE", CommandId::Delete},
    {"DELETE", CommandId::Delete},
    {"RD", CommandId::Rd},
    {"CD", CommandId::Cd},
    {"COMMIT", CommandId::Commit},
    {"CHGEOF", CommandId::ChgEof},
    {"NEWSIZE", CommandId::ChgEof},
    {"CHANGEEOF", CommandId::ChgEof},
    {"GETATTR", CommandId::GetAttributes},
    {"GETATTRS", CommandId::GetAttributes},
    {"GETATTRIBUTES", CommandId::GetAttributes},
    {"SETATTR", CommandId::SetAttributes},
    {"SETATTRS", CommandId::SetAttributes},
    {"SETATTRIBUTES", CommandId::SetAttributes},
    {"CREATE", CommandId::Create},
    {"FINDFIRST", CommandId::FindFirst},
    {"FINDNEXT", CommandId::FindNext},
    {"FINDCLOSE", CommandId::FindClose},
    {"ATTACH", CommandId::Attach},
    {"ASSIGN", CommandId::Attach},
    {"DETACH", CommandId::Detach},
    {"RELEASE", CommandId::Detach},
    {"QSPACE", CommandId::QSpace},
    {"MD", CommandId::Md},
    {"?", CommandId::Help},
    {"HELP", CommandId::Help},
    {"FREEDIR", CommandId::FreeDir},
    {"RENAME", CommandId::Rename},
    {"LOCK", CommandId::Lock},
    {"UNLOCK", CommandId::Unlock},
    {"EXIT", CommandId::Exit},
    {"QUIT", CommandId::Exit},
    {"Q", CommandId::Exit},
    {"E", CommandId::Exit},
    {"PROMPT", CommandId::Prompt},
    {"TIMER", CommandId::Timer},
    {"LOCKUNLOCK", CommandId::LockUnlock},
    {"DUPHANDLE", CommandId::DupHandle},
    {"DEVIOCTL", CommandId::DevIoctl},
    {"SETDEFAULTPATH", CommandId::SetDefaultPath},
    {"SETDEFAULTDRIVE", CommandId::SetDefaultPath},
    {"GETVOLUMEINFO", CommandId::GetVolumeInfo},
    {"GETVOLUMELABEL", CommandId::GetVolumeInfo},
    {"GETFILESIZE", CommandId::GetFileSize},
    {"GETEOF", CommandId::GetFileSize},
    {"SERVERIOCTL", CommandId::ServerIoctl},
    {"MAP", CommandId::Map},
    {"UNMAP", CommandId::Unmap},
};

struct OptionWord {
    std::string_view word;
    OptionId id;
};

constexpr OptionWord kOptionWords[] = {
    {"SYNC", OptionId::Sync},
    {"DENYNONE", OptionId::DenyNone},
    {"DENYREAD", OptionId::DenyRead},
    {"DENYWRITE", OptionId::DenyWrite},
    {"DENYALL", OptionId::DenyAll},
    {"READACCESS", OptionId::ReadAccess},
    {"WRITEACCESS", OptionId::WriteAccess},
    {"READWRITEACCESS", OptionId::ReadWriteAccess},
    {"BASEOFFSET", OptionId::BaseOffset},
    {"TIMEOUT", OptionId::Timeout},
    {"MANDATORY", OptionId::Mandatory},
    {"ADVISORY", OptionId::Advisory},
    {"EXCLUSIVE", OptionId::Exclusive},
    {"SHARED", OptionId::Shared},
    {"SIZE", OptionId::Size},
    {"READONLY", OptionId::ReadOnly},
    {"HIDDEN", OptionId::Hidden},
    {"SYSTEM", OptionId::System},
    {"ARCHIVE", OptionId::Archive},
    {"NOOPEN", OptionId::NoOpen},
    {"REPLACE", OptionId::Replace},
    {"NOCREATE", OptionId::NoCreate},
    {"EA", OptionId::Ea},
    {"EAS", OptionId::Ea},
    {"ALLEA", OptionId::AllEa},
    {"ALLEAS", OptionId::AllEa},
    {"NONE", OptionId::NoneAttr},
    {"ALL", OptionId::All},
    {"CHANGEDATE", OptionId::ChangeDate},
    {"CHANGETIME", OptionId::ChangeTime},
    {"ACCESSDATE", OptionId::AccessDate},
    {"ACCESSTIME", OptionId::AccessTime},
    {"CREATEDATE", OptionId::CreateDate},
    {"CREATETIME", OptionId::CreateTime},
    {"FROMNAME", OptionId::FromName},
    {"BEGINNAME", OptionId::FromName},
    {"PROMPT", OptionId::Prompt},
    {"SUPPRESS", OptionId::Suppress},
    {"RC", OptionId::Rc},
    {"EXPECTEDRC", OptionId::Rc},
    {"BEGINORDINAL", OptionId::BeginOrdinal},
    {"APPEND", OptionId::Append},
    {"NOREPLACE", OptionId::NoReplace},
    {"MATCHCRITERIA", OptionId::MatchCriteria},
    {"GETCOUNT", OptionId::GetCount},
    {"START", OptionId::Start},
    {"RESET", OptionId::Reset},
    {"STOP", OptionId::Stop},
    {"PRINT", OptionId::Print},
    {"ATOMIC", OptionId::Atomic},
    {"CURRENT", OptionId::Current},
    {"COUNT", OptionId::Count},
    {"BUFFSIZE", OptionId::BuffSize},
    {"FILETIME", OptionId::FileTime},
    {"ASYNCIO", OptionId::AsyncIo},
    {"CALLBACK", OptionId::Callback},
    {"EXPECTED", OptionId::Expected},
    {"VERIFY", OptionId::Verify},
    {"BEGINNING", OptionId::Beginning},
    {"END", OptionId::End},
};

}  // namespace

CommandId LookupCommand(std::string& word) {
    if (word.empty()) return CommandId::None;
    UpperCase(word);
    for (const CommandWord& entry : kCommandWords)
        if (entry.word == word) return entry.id;
    return CommandId::None;
}

OptionId LookupOption(std::string& keyword) {
    UpperCase(keyword);
    for (const OptionWord& entry : kOptionWords)
        if (entry.word == keyword) return entry.id;
    return OptionId::None;
}

ValueForm OptionValueForm(OptionId id) {
    switch (id) {
        case OptionId::Timeout:
        case OptionId::Size:
        case OptionId::MatchCriteria:
        case OptionId::BuffSize:
        case OptionId::Expected:
            return ValueForm::Unsigned32;
        case OptionId::Rc:
        case OptionId::GetCount:
        case OptionId::Count:
            return ValueForm::Unsigned16;
        case OptionId::ChangeDate:
        case OptionId::AccessDate:
        case OptionId::CreateDate:
            return ValueForm::Date;
        case OptionId::ChangeTime:
        case OptionId::AccessTime:
        case OptionId::CreateTime:
            return ValueForm::Time;
        default:
            return ValueForm::None;
    }
}
