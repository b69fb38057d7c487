// The volume and server commands: QSPACE, GETVOLUMEINFO (GETVOLUMELABEL) and
// SERVERIOCTL.
#pragma once

#include "interpreter/parsed_command.h"

struct RunState;

void qspaceCommand(RunState& run, ParsedCommand& cmd);
void getVolumeInfoCommand(RunState& run, ParsedCommand& cmd);
void serverIoctlCommand(RunState& run, ParsedCommand& cmd);
