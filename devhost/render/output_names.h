// Where tessgrain-render's outputs go and under which names: default names, folders, the hidden
// partial name a file is written under before it takes its final one, and the rules that keep a
// run from writing over its own inputs or twice to one file.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace devhost {

// A number as the user would write it: 4, 2.5.
std::string FormatNumber(double v);

// <stem><tag><extension>, or .exr when float samples meet an extension that cannot hold them.
std::string DefaultName(const std::string& input, const std::string& tag, bool float_samples);

// Where the outputs go: into a folder under default names, or one named file.
struct OutputPlace {
  std::string folder;  // empty: file is the output
  std::string file;
  bool make_folder = false;  // a folder that is made when missing
};

// From -o: nothing (out/, made), a path ending in / (made), an existing folder, or a file in an
// existing folder. A missing folder is a UserError.
OutputPlace PlaceOutput(const std::string& output);
// A UserError when the folder (of the output named by -o) does not exist.
void CheckFolder(const std::string& folder, const std::string& output);
std::string Join(const std::string& folder, const std::string& name);

// Refuses, as a UserError and before anything renders, outputs that would destroy what the run
// reads or writes: an output (or its partial file) that is an input, and two outputs that are one
// file. Paths are compared in canonical form, so other spellings and links count too.
void RefuseOverwrites(const std::vector<std::string>& inputs,
                      const std::vector<std::string>& outputs);

// The file that an interrupted write leaves instead of the final one: hidden, in the same folder,
// with the same extension, so that the format and the folder listing stay right.
std::string PartialName(const std::string& final_path);

// Writes a file under its partial name and renames it into place, so that no interrupted run
// leaves a truncated file under the final name. Errors name the final file.
bool WriteInPlace(const std::string& path,
                  const std::function<bool(const std::string&, std::string*)>& write,
                  std::string* error);

}  // namespace devhost
