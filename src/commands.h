// The table of every command of dravik, from every command family.
#pragma once

#include "interpreter/command_table.h"

const CommandTable& Commands();
