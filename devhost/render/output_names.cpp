#include "devhost/render/output_names.h"

#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include "devhost/render/image_io.h"
#include "devhost/render/options.h"
#include "devhost/render/platform.h"

namespace fs = std::filesystem;

namespace devhost {

namespace {

bool EndsInSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

// The path with links resolved as far as it exists, and . and .. taken out.
std::string Canonical(const std::string& path) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(path, ec);
  return ec ? fs::absolute(path, ec).lexically_normal().string() : canonical.string();
}

// A second name of one of the files (a hard link), which no canonical path shows.
const std::string* HardLinked(const std::string& output, const std::vector<std::string>& inputs) {
  std::error_code ec;
  if (fs::hard_link_count(output, ec) < 2 || ec) return nullptr;
  for (const std::string& input : inputs) {
    if (fs::equivalent(input, output, ec)) return &input;
  }
  return nullptr;
}

}  // namespace

std::string FormatNumber(double v) {
  char text[32];
  std::snprintf(text, sizeof(text), "%g", v);
  return text;
}

std::string DefaultName(const std::string& input, const std::string& tag, bool float_samples) {
  const fs::path in(input);
  std::string ext = in.extension().string();
  if (ext.empty() || (float_samples && !HoldsFloat(input))) ext = ".exr";
  return in.stem().string() + tag + ext;
}

void CheckFolder(const std::string& folder, const std::string& output) {
  std::error_code ec;
  if (!folder.empty() && !fs::is_directory(folder, ec)) {
    Fail("the folder " + folder + " does not exist (for -o " + output +
         "); make it first, or end -o with / to have it made");
  }
}

OutputPlace PlaceOutput(const std::string& output) {
  std::error_code ec;
  if (output.empty()) return {"out", "", true};
  if (EndsInSeparator(output)) return {output, "", true};
  if (fs::is_directory(output, ec)) return {output, "", false};
  CheckFolder(fs::path(output).parent_path().string(), output);
  return {"", output, false};
}

std::string Join(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / name).string();
}

void RefuseOverwrites(const std::vector<std::string>& inputs,
                      const std::vector<std::string>& outputs) {
  std::map<std::string, const std::string*> read;
  for (const std::string& input : inputs) read.emplace(Canonical(input), &input);
  std::map<std::string, const std::string*> written;
  for (const std::string& output : outputs) {
    const std::string key = Canonical(output);
    if (const auto [it, added] = written.emplace(key, &output); !added) {
      const std::string& other = *it->second;
      Fail("two frames would be written to " + output +
           (other == output ? "" : " (also named " + other + ")"));
    }
    for (const std::string& file : {key, Canonical(PartialName(output))}) {
      if (const auto it = read.find(file); it != read.end())
        Fail(output + " would overwrite the input " + *it->second);
    }
    if (const std::string* input = HardLinked(output, inputs))
      Fail(output + " would overwrite the input " + *input);
  }
}

std::string PartialName(const std::string& final_path) {
  const fs::path p(final_path);
  std::string name = ".";
  name.append(p.stem().string()).append(".partial").append(p.extension().string());
  return (p.parent_path() / name).string();
}

bool WriteInPlace(const std::string& path,
                  const std::function<bool(const std::string&, std::string*)>& write,
                  std::string* error) {
  const std::string partial = PartialName(path);
  std::error_code ec;
  if (!write(partial, error)) {
    fs::remove(partial, ec);
    // The message names the partial file; the user knows the final one.
    if (const size_t at = error->find(partial); at != std::string::npos)
      error->replace(at, partial.size(), path);
    return false;
  }
  if (std::string why; !FlushToDisk(partial, &why)) {
    *error = "cannot write " + path + ": " + why;
    fs::remove(partial, ec);
    return false;
  }
  fs::rename(partial, path, ec);
  if (ec) {
    *error = "cannot write " + path + ": " + ec.message();
    fs::remove(partial, ec);
    return false;
  }
  return true;
}

}  // namespace devhost
