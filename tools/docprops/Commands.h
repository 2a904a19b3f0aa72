#pragma once
// The commands of docprops, one file each: the rows of its command table (main.cpp).

#include "console/CommandLine.h"

console::ToolCommand ShowCommand();
console::ToolCommand SetCommand();
console::ToolCommand RemoveCommand();
console::ToolCommand ApplyCommand();
console::ToolCommand ExportCommand();
console::ToolCommand UndoCommand();
