// What tessgrain-render needs of the operating system beyond standard C++.
#pragma once
#include <cstdio>
#include <string>

namespace devhost {

bool IsTerminal(std::FILE* stream);
// Raw frames pass through the standard streams unchanged (no newline translation).
void UseBinaryMode(std::FILE* stream);
long ProcessId();
// Sets the variable, or removes it when value is null.
void SetEnvironment(const char* name, const char* value);

// From now on an interrupt (SIGINT or SIGTERM; on Windows the console's Ctrl-C or Ctrl-Break)
// only asks the run to stop, so that it can clean up; a second one ends the process as usual.
void CatchInterrupts();
// The exit status an interrupt asks for (130 for SIGINT and Ctrl-C, 143 for SIGTERM), or 0 while
// there has been none.
int InterruptStatus();

// Pushes a written file's bytes to the disk, so that a crash cannot leave the name it is renamed
// to on a file with nothing in it. False with the reason.
bool FlushToDisk(const std::string& path, std::string* why);

}  // namespace devhost
