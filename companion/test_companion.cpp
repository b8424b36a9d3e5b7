// The scriptable companion of the tests: copied beside the code under test as Orbisk.exe, it reads
// the pop-up request, then follows the plan in the file that ORBISK_TEST_PLAN names, one directive
// a line:
//
//   record PATH          write the request line as received, line feed included
//   record-command PATH  write the command line
//   record-program PATH  write the path of the program that runs
//   out TEXT             write TEXT in one piece; \n \r \t \\ and \xHH are decoded
//   err TEXT             the same on standard error
//   bulk COUNT           write COUNT bytes of a repeating pattern in one piece
//   sleep MS             pause
//   dialog MS CAPTION    show a dialog (Windows) until it is closed or MS have passed
//   exit CODE            exit at once with CODE
//
// Without a plan it answers with a "json:" line that echoes the request.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "companion/system.h"
#include "companion/test_dialog.h"

namespace {

std::string Decode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char code = text[++i];
    if (code == 'n') {
      out += '\n';
    } else if (code == 'r') {
      out += '\r';
    } else if (code == 't') {
      out += '\t';
    } else if (code == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += code;
    }
  }
  return out;
}

std::string BulkPattern(std::size_t count) {
  static const char kPattern[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string out;
  for (std::size_t i = 0; i < count; ++i) out += kPattern[i % (sizeof(kPattern) - 1)];
  return out;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
}

int Follow(const std::string& planPath, const std::string& request, const std::string& command) {
  std::ifstream plan(planPath, std::ios::binary);
  if (!plan) {
    WriteOutput("companion: cannot read the plan " + planPath + "\n", true);
    return 70;
  }
  std::string line;
  while (std::getline(plan, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t space = line.find(' ');
    const std::string directive = line.substr(0, space);
    const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
    if (directive == "record") {
      WriteFile(argument, request);
    } else if (directive == "record-command") {
      WriteFile(argument, command);
    } else if (directive == "record-program") {
      WriteFile(argument, ProgramPath());
    } else if (directive == "out") {
      Say(Decode(argument));
    } else if (directive == "err") {
      WriteOutput(Decode(argument), true);
    } else if (directive == "bulk") {
      Say(BulkPattern(std::stoul(argument)));
    } else if (directive == "sleep") {
      SleepMs(static_cast<unsigned>(std::stoul(argument)));
    } else if (directive == "dialog") {
      const std::size_t gap = argument.find(' ');
      const unsigned timeout = static_cast<unsigned>(std::stoul(argument.substr(0, gap)));
      if (!ShowDialog(gap == std::string::npos ? "Orbisk" : argument.substr(gap + 1), timeout)) {
        WriteOutput("companion: no dialogs on this system\n", true);
        return 71;
      }
    } else if (directive == "exit") {
      return std::stoi(argument);
    } else if (!directive.empty()) {
      WriteOutput("companion: unknown directive " + directive + "\n", true);
      return 72;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string request = ReadRequest();
  const std::string plan = EnvironmentVariable("ORBISK_TEST_PLAN");
  if (!plan.empty()) return Follow(plan, request, CommandLine(argc, argv));

  std::string body = request;
  while (!body.empty() && (body.back() == '\n' || body.back() == '\r')) body.pop_back();
  if (body.empty()) body = "null";
  Say("Orbisk test companion: settings pop-up requested\n");
  Say("json:{\"closed\":true,\"request\":" + body + "}\n");
  return 0;
}
