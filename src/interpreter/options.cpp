#include "interpreter/options.h"

#include "common/ascii.h"
#include "interpreter/word_index.h"

namespace {

// Every option, in the order of its id.
constexpr OptionRow kOptions[] = {
    {{"SYNC"}, OptionId::Sync, ValueForm::None},
    {{"DENYNONE"}, OptionId::DenyNone, ValueForm::None},
    {{"DENYREAD"}, OptionId::DenyRead, ValueForm::None},
    {{"DENYWRITE"}, OptionId::DenyWrite, ValueForm::None},
    {{"DENYALL"}, OptionId::DenyAll, ValueForm::None},
    {{"READACCESS"}, OptionId::ReadAccess, ValueForm::None},
    {{"WRITEACCESS"}, OptionId::WriteAccess, ValueForm::None},
    {{"READWRITEACCESS"}, OptionId::ReadWriteAccess, ValueForm::None},
    {{"BASEOFFSET"}, OptionId::BaseOffset, ValueForm::None},
    {{"TIMEOUT"}, OptionId::Timeout, ValueForm::Unsigned32},
    {{"MANDATORY"}, OptionId::Mandatory, ValueForm::None},
    {{"ADVISORY"}, OptionId::Advisory, ValueForm::None},
    {{"EXCLUSIVE"}, OptionId::Exclusive, ValueForm::None},
    {{"SHARED"}, OptionId::Shared, ValueForm::None},
    {{"SIZE"}, OptionId::Size, ValueForm::Unsigned32},
    {{"READONLY"}, OptionId::ReadOnly, ValueForm::None},
    {{"HIDDEN"}, OptionId::Hidden, ValueForm::None},
    {{"SYSTEM"}, OptionId::System, ValueForm::None},
    {{"ARCHIVE"}, OptionId::Archive, ValueForm::None},
    {{"NOOPEN"}, OptionId::NoOpen, ValueForm::None},
    {{"REPLACE"}, OptionId::Replace, ValueForm::None},
    {{"NOCREATE"}, OptionId::NoCreate, ValueForm::None},
    {{"EA", "EAS"}, OptionId::Ea, ValueForm::None},
    {{"ALLEA", "ALLEAS"}, OptionId::AllEa, ValueForm::None},
    {{"NONE"}, OptionId::NoneAttr, ValueForm::None},
    {{"ALL"}, OptionId::All, ValueForm::None},
    {{"CHANGEDATE"}, OptionId::ChangeDate, ValueForm::Date},
    {{"CHANGETIME"}, OptionId::ChangeTime, ValueForm::Time},
    {{"ACCESSDATE"}, OptionId::AccessDate, ValueForm::Date},
    {{"ACCESSTIME"}, OptionId::AccessTime, ValueForm::Time},
    {{"CREATEDATE"}, OptionId::CreateDate, ValueForm::Date},
    {{"CREATETIME"}, OptionId::CreateTime, ValueForm::Time},
    {{"FROMNAME", "BEGINNAME"}, OptionId::FromName, ValueForm::None},
    {{"PROMPT"}, OptionId::Prompt, ValueForm::None},
    {{"SUPPRESS"}, OptionId::Suppress, ValueForm::None},
    {{"RC", "EXPECTEDRC"}, OptionId::Rc, ValueForm::Unsigned16},
    {{"BEGINORDINAL"}, OptionId::BeginOrdinal, ValueForm::None},
    {{"APPEND"}, OptionId::Append, ValueForm::None},
    {{"NOREPLACE"}, OptionId::NoReplace, ValueForm::None},
    {{"MATCHCRITERIA"}, OptionId::MatchCriteria, ValueForm::Unsigned32},
    {{"GETCOUNT"}, OptionId::GetCount, ValueForm::Unsigned16},
    {{"START"}, OptionId::Start, ValueForm::None},
    {{"RESET"}, OptionId::Reset, ValueForm::None},
    {{"STOP"}, OptionId::Stop, ValueForm::None},
    {{"PRINT"}, OptionId::Print, ValueForm::None},
    {{"ATOMIC"}, OptionId::Atomic, ValueForm::None},
    {{"CURRENT"}, OptionId::Current, ValueForm::None},
    {{"COUNT"}, OptionId::Count, ValueForm::Unsigned16},
    {{"BUFFSIZE"}, OptionId::BuffSize, ValueForm::Unsigned32},
    {{"FILETIME"}, OptionId::FileTime, ValueForm::None},
    {{"ASYNCIO"}, OptionId::AsyncIo, ValueForm::None},
    {{"CALLBACK"}, OptionId::Callback, ValueForm::None},
    {{"EXPECTED"}, OptionId::Expected, ValueForm::Unsigned32},
    {{"VERIFY"}, OptionId::Verify, ValueForm::None},
    {{"BEGINNING"}, OptionId::Beginning, ValueForm::None},
    {{"END"}, OptionId::End, ValueForm::None},
};

constexpr auto kOptionIndex = MakeWordIndex<IndexSlots(kOptions)>(kOptions);
static_assert(kOptionIndex.unique, "two options share a word");

}  // namespace

const OptionRow* LookupOption(std::string& keyword) {
    UpperCase(keyword);
    return FindWord<OptionRow>(kOptionIndex.slots, keyword);
}
