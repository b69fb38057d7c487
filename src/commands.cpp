#include "commands.h"

#include "attributes/attribute_commands.h"
#include "files/file_commands.h"
#include "interpreter/help.h"
#include "interpreter/run_commands.h"
#include "namespace/path_commands.h"
#include "search/search_commands.h"
#include "transfer/transfer_commands.h"
#include "volume/volume_commands.h"

namespace {

void helpCommand(RunState&, ParsedCommand&) { PrintHelp(Commands()); }

// Every command, in the order of the help text; the handlers are declared in the
// headers of their folders.
constexpr CommandRow kCommands[] = {
    {{"ATTACH", "ASSIGN"},
     acceptedCommand,
     "      ATTACH  d: < \\path\\path...\\path  host > \n"
     "      ASSIGN  d: < \\path\\path...\\path  host > \n"
     "      ASSIGN  d: < \\\\host\\path\\path...\\path > \n"
     "\n"
     "         for example, Attach X: \n"
     "         for example, Attach X: \\abc\\def host1 \n"
     "         for example, Attach X: \\\\host1\\abc \n"},
    {{"DETACH", "RELEASE"},
     acceptedCommand,
     "      DETACH   d:  \n"
     "      RELEASE  d:  \n"
     "\n"
     "         for example, Release X:  \n"},
    {{"CREATE"},
     createCommand,
     "      CREATE handle  d:\\path\\path\\file.ext </sync /size=nnn /ea /eas> \n"
     "                                  </denynone /denyRead /denyWrite /DENYALL> \n"
     "                                  < /hidden /system /readonly /archive > \n"
     "                                  </readAccess /writeAccess /READWRITEACCESS> \n"
     "                                  </replace /nocreate /noopen> \n"
     "                                  </asyncIO >                  \n"
     "\n"
     "         for example, Create 19 x:\\asubdir\\a.fil /readAccess \n"},
    {{"OPEN"},
     openCommand,
     "      OPEN handle  d:\\path\\path\\file.ext </sync> \n"
     "                                </DENYNONE /denyRead /denyWrite /denyAll> \n"
     "                                </readAccess /writeAccess /READWRITEACCESS> \n"
     "                                </asyncIO > \n"
     "\n"
     "         for example, Open 19 x:\\asubdir\\a.fil /readAccess \n"},
    {{"CHGPTR", "CHGFILEPTR", "SETFILEPTR"},
     chgPtrCommand,
     "      CHGPTR handle amount </beginning /end> \n"
     "\n"
     "         for example, ChgPtr 19 200 \n"
     "         (Moves the file rw pointer.  Default is to move from current.  \n"
     "         (/beginning means move based on start of file \n"
     "         (/end means move based on end of file \n"},
    {{"READ"},
     readCommand,
     "      READ handle offset length  </suppress /current /count=n /expected=n /verify> \n"
     "\n"
     "         for example, Read 19 0 100 \n"
     "         (/current means ignore specified offset (do not move r/w pointer) \n"
     "         (/expected means amount of data expected from read) \n"
     "         (/verify means compare data against Dravik normal data pattern) \n"
     "         (/count=n means do N requests, same length, r/w pointer moves) \n"
     "         (The suppress option prevents displaying the data) \n"},
    {{"WRITE"},
     writeCommand,
     "      WRITE handle offset length  </sync /prompt /current /count=n> \n"
     "\n"
     "         for example, Write 19 0 100 /sync  \n"
     "         (/count=n means do N requests, same length, r/w pointer moves) \n"
     "         (current means ignore specified offset (do not move r/w pointer) \n"},
    {{"MAP"},
     mapCommand,
     "      MAP   handle \n"
     "      UNMAP handle \n"
     "\n"
     "         (only current file size is mapped) \n"},
    {{"UNMAP"}, unmapCommand, {}},
    {{"PROMPT"}, promptCommand, "      PROMPT (for write data every time) \n"},
    {{"CHGEOF", "NEWSIZE", "CHANGEEOF"},
     chgEofCommand,
     "      CHANGEEOF handle  newSize </sync> \n"
     "      NEWSIZE   handle  newSize </sync> \n"
     "      CHGEOF    handle  newSize </sync> \n"
     "\n"
     "         for example, NewSize 19 299  \n"},
    {{"GETFILESIZE", "GETEOF"},
     getFileSizeCommand,
     "      GETFILESIZE handle \n"
     "      GETEOF      handle \n"
     "\n"
     "         for example, GetFileSize 19 \n"},
    {{"LOCK"},
     lockCommand,
     "      LOCK handle offset length < /timeout=n > </EXCLUSIVE /shared> \n"
     "\n"
     "         for example, Lock 19 100 1 /timeout=200 /shared \n"},
    {{"UNLOCK"},
     unlockCommand,
     "      UNLOCK handle offset length  \n"
     "\n"
     "         for example, Unlock 19 100 1  \n"},
    {{"LOCKUNLOCK"},
     lockUnlockCommand,
     "      LOCKUNLOCK handle lockOffset lockLength unlockOffset unlockLength \n"
     "                     </timeout=n > </EXCLUSIVE /shared /atomic> \n"
     "\n"
     "         for example, LockUnlock 19 100 1 200 5 /shared \n"},
    {{"COMMIT"},
     commitCommand,
     "      COMMIT handle \n"
     "\n"
     "         for example, Commit 19 \n"},
    {{"CLOSE"},
     closeCommand,
     "      CLOSE handle  </sync> \n"
     "\n"
     "         for example, Close 19 \n"},
    {{"DUPHANDLE"},
     dupHandleCommand,
     "      DUPHANDLE currentHandle newHandle \n"
     "\n"
     "         for example, dupHandle 19 22 \n"},
    {{"MD"},
     mdCommand,
     "      MD      d:\\path\\path...\\path  </EA or /EAs> \n"
     "\n"
     "         for example, md X:\\asubdir\\asubdir2\\NEWsubdir \n"},
    {{"RD"},
     rdCommand,
     "      RD   d:\\path\\path\\directory \n"
     "\n"
     "         for example, rd  x:\\asubdir\\thisdir \n"},
    {{"CD"},
     cdCommand,
     "      CD   d:\\path\\path\\directory \n"
     "\n"
     "         for example, cd  x:\\asubdir\\thisdir \n"},
    {{"QSPACE"},
     qspaceCommand,
     "      QSPACE  d: \n"
     "\n"
     "         for example, QSpace X: \n"},
    {{"DELETE", "ERASE"},
     deleteCommand,
     "      ERASE   d:\\path\\path\\file.ext \n"
     "      DELETE  d:\\path\\path\\file.ext \n"
     "\n"
     "         for example, delete  X:\\asubdir\\a.fil \n"},
    {{"RENAME"},
     renameCommand,
     "      RENAME  d:\\path\\path\\file.ext target.ext \n"
     "\n"
     "         for example, rename x:\\asubdir\\a.fil b.fil \n"},
    {{"MOVE"},
     moveCommand,
     "      MOVE  d:\\path\\path\\file.ext d:\\path\\path\\target.ext \n"
     "\n"
     "         for example, move x:\\asubdir\\a.fil x:\\asubdir2\\a.fil \n"},
    {{"COPY"},
     copyCommand,
     "      COPY  d:\\path\\path\\file.ext d:\\path\\path\\target.ext </append> </noreplace> \n"
     "         (default is to replace the target) \n"
     "\n"
     "         for example, copy x:\\asubdir\\a.fil x:\\asubdir2\\a.fil \n"},
    {{"GETATTRIBUTES", "GETATTR", "GETATTRS"},
     getAttributesCommand,
     "      GETATTRIBUTES  d:\\path\\path\\file.ext </EAs /AllEAs> </FileTime> </BuffSize=n> \n"
     "      GETATTRIBUTES  handle </EAs /AllEAs> </BuffSize=n> \n"
     "\n"
     "         for example, GetAttributes x:\\asubdir\\a.fil /AllEAs \n"
     "         for example, GetAttributes 12 /AllEAs \n"},
    {{"SETATTRIBUTES", "SETATTR", "SETATTRS"},
     setAttributesCommand,
     "      SETATTRIBUTES  d:\\path\\path\\file.ext </sync /EAs /size=nnn> \n"
     "                                < /hidden /system /readonly /archive /none > \n"
     "                                < /changeDate=mm/dd/yy /changeTime=hh:mm:ss> \n"
     "                                < /accessDate=mm/dd/yy /accessTime=hh:mm:ss> \n"
     "                                < /createDate=mm/dd/yy /createTime=hh:mm:ss> \n"
     "      SETATTRIBUTES  handle </EAs /size=nnn> \n"
     "                                < /hidden /system /readonly /archive /none > \n"
     "                                < /changeDate=mm/dd/yy /changeTime=hh:mm:ss> \n"
     "                                < /accessDate=mm/dd/yy /accessTime=hh:mm:ss> \n"
     "                                < /createDate=mm/dd/yy /createTime=hh:mm:ss> \n"
     "\n"
     "         for example, SetAttributes x:\\asubdir\\a.fil /readonly /EAs\n"
     "         for example, SetAttributes 12 /archive /EAs\n"},
    {{"FINDFIRST"},
     findFirstCommand,
     "      FINDFIRST handle d:\\path\\path\\file.ext </all /matchCriteria=n> \n"
     "                                                </getCount=n /EAs> \n"
     "\n"
     "         for example, FindFirst 12 C:\\vrx\\* \n"
     "\n"
     "         (/all means the rest of the directory entries will be retrieved) \n"
     "         (n on MatchCriteria is a decimal number) \n"},
    {{"FINDNEXT"},
     findNextCommand,
     "      FINDNEXT  handle </all /getCount=n> \n"
     "\n"
     "         for example, FindNext 12 \n"
     "\n"
     "         (/all means the rest of the directory entries will be retrieved) \n"},
    {{"FINDCLOSE"},
     findCloseCommand,
     "      FINDCLOSE  handle \n"
     "\n"
     "      for example, FindClose 12 \n"},
    {{"GETVOLUMEINFO", "GETVOLUMELABEL"},
     getVolumeInfoCommand,
     "      GetVolumeInfo d: \n"
     "\n"
     "      for example, GetVolumeInfo I: \n"},
    {{"SETDEFAULTPATH", "SETDEFAULTDRIVE"},
     setDefaultPathCommand,
     "      setDeafultPath d:\\path \n"
     "\n"
     "      for example, setDefaultPath c:\\subdir1\\subdir2 \n"},
    {{"DEVIOCTL"},
     devIoctlCommand,
     "      DevIOCTL drive category function \n"
     "\n"
     "      for example, DevIOCTL C: 8 20 \n"},
    {{"SERVERIOCTL"},
     serverIoctlCommand,
     "      serverIOCTL length server /supress \n"
     "\n"
     "      for example, serverIOCTL 20 \\server1 \n"},
    {{"TIMER"},
     acceptedCommand,
     "      TIMER  </START /reset /print> \n"
     "\n"
     "      for example, Timer /print \n"},
    {{"HELP", "?"}, helpCommand, {}},
    {{"FREEDIR"}, freeDirCommand, {}},
    {{"EXIT", "QUIT", "Q", "E"}, nullptr, {}},
};

constexpr auto kCommandIndex = MakeWordIndex<IndexSlots(kCommands)>(kCommands);
static_assert(kCommandIndex.unique, "two commands share a word");

}  // namespace

const CommandTable& Commands() {
    static constexpr CommandTable table(kCommands, kCommandIndex.slots);
    return table;
}
