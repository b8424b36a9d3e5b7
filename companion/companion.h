// The test companion's few system calls, one file per platform.
#pragma once

#include <string>

/// One byte of standard input; false at its end or on an error.
bool ReadInputByte(char& byte);
/// One write of the bytes to standard output (or standard error); false when it failed.
bool WriteOutput(const std::string& bytes, bool toErrorOutput = false);
void SleepMs(unsigned milliseconds);
/// The process's command line as the system gave it (UTF-8).
std::string CommandLine(int argc, char** argv);
/// The full path of this program's file (UTF-8).
std::string ProgramPath();
/// A UTF-8 environment variable; empty when unset.
std::string EnvironmentVariable(const char* name);
/// A visible dialog with the caption, open until it is closed or the time has passed. False when
/// this system has no dialogs.
bool ShowDialog(const std::string& caption, unsigned timeoutMs);
