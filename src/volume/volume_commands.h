// The volume and server commands: QSPACE, GETVOLUMEINFO (GETVOLUMELABEL) and
// SERVERIOCTL.
#pragma once

#include "interpreter/parsed_command.h"

void qspaceCommand(ParsedCommand& cmd);
void getVolumeInfoCommand(ParsedCommand& cmd);
void serverIoctlCommand(ParsedCommand& cmd);
