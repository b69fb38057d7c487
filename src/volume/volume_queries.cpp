// QSPACE and GETVOLUMEINFO: free space of a drive and the information of a volume.
#include <cstdint>
#include <string>

#include "common/ascii.h"
#include "interpreter/command_state.h"
#include "interpreter/last_error.h"
#include "interpreter/output.h"
#include "platform/win32.h"
#include "volume/disk_space.h"
#include "volume/volume_commands.h"

void qspaceCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing QUERY SPACE ");
    CommandState st(run, cmd);
    // Options come first here: a bad option is reported even when the drive is bad.
    st.options(2, {});
    std::uint32_t unitSize = 0, totalUnits = 0, availableUnits = 0;
    if (st.ok()) {
        std::string& drive = cmd[1];
        if (drive.size() != 2 || drive[1] != ':') {
            st.rc = kSyntaxError;
        } else {
            UpperCase(drive);
            out::line("   ... querying space on the drive ");
            DiskSpace space;
            space.setName(drive);
            st.rc = space.query(unitSize, totalUnits, availableUnits);
        }
    }
    st.report("   ... ... the return code from the Query Space is ", [&] {
        if (!st.ok()) return;
        out::line("   ... ... unit size:       ", unitSize);
        out::line("           total Units:     ", totalUnits);
        out::line("           available Units: ", availableUnits);
        // In 64 bits: a 32-bit product would wrap on every volume with 4 GiB free or more.
        out::line("           available Bytes: ", static_cast<std::uint64_t>(unitSize) * availableUnits);
    });
}

void getVolumeInfoCommand(RunState& run, ParsedCommand& cmd) {
    out::line("   Processing Get Volume Info ");
    CommandState st(run, cmd);
    st.present(1);
    st.options(2, {});
    char label[100] = "";
    char fileSystem[100] = "";
    if (st.ok()) {
        out::line("   ... getting volume information ");
        DWORD serial = 0, maxComponent = 0, flags = 0;
        if (GetVolumeInformationA(cmd[1].c_str(), label, sizeof label, &serial, &maxComponent, &flags, fileSystem,
                                  sizeof fileSystem)) {
            out::line(std::string("   ... ... the volume label is:     ") + label);
            out::line("   ... ... max component length is: ", maxComponent);
            out::line("   ... ... serial number is:        ", serial);
            out::line("   ... ... file system flags are:   ", flags);
            out::line(std::string("   ... ... file system name is:     ") + fileSystem);
        } else {
            st.rc = LastErrorCode();
        }
    }
    st.report("   ... ... the return code from the Get Volume Info is ", [&] {
        if (st.ok()) {
            out::line(std::string("   ... ... the volume label is: ") + label);
        } else {
            out::line("   ... ... Get volume lable failed, it may work if you add or delete ");
            out::line("   ... ... a slash from the drive. ");
        }
    });
}
