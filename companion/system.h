// What both companion programs need of the system and of the exchange with the plug-in: the
// request line, the answer, the transcript a demo shows. The system calls have one file per
// platform.
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

/// The request: standard input up to and including the first line feed (the plug-in keeps the
/// input open, so the end of input cannot mark it). When ORBISK_TRANSCRIPT names a file, the
/// request goes there too, and so does everything said afterwards.
std::string ReadRequest();
/// Standard output in one write, copied into the transcript.
void Say(const std::string& bytes);
