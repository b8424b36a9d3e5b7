// Which frames a tessgrain-render run reads and where each goes: single files, folders (their
// frames in name order), printf-style patterns (shot_%04d.png) and frame ranges, and the output
// names, which keep each frame's number.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace devhost {

// A file name holding one %d or %0Nd, as in shot_%04d.png; %% stands for a percent sign. Only
// forms whose names read back as their numbers are taken (not %3d, which pads with spaces).
class FramePattern {
 public:
  // The pattern in a path's file name, or empty when it has none; a malformed one (two numbers,
  // another conversion) sets error.
  static std::optional<FramePattern> Parse(const std::string& path, std::string* error);

  std::string Format(long number) const;
  // The number of a file name (without its folder) written by this pattern, or empty.
  std::optional<long> Match(std::string_view name) const;
  const std::string& Folder() const { return folder_; }  // "" for the current one

 private:
  std::string folder_, prefix_, suffix_;
  int width_ = 0;  // digits at least, padded with zeros
};

// Ordering of names that reads runs of digits as numbers: frame2 before frame10.
bool NaturalLess(std::string_view a, std::string_view b);

// The number in a file name: its last run of digits before the extension, or empty.
std::optional<long> NumberInName(const std::string& path);

struct FrameRange {
  long first = 0, last = 0;
};

struct SourceFrame {
  std::string path;
  std::optional<long> number;
};

// The frames of the inputs, in order. Each input is a file, a folder (its files that is_frame
// accepts, hidden ones left out, in natural name order) or a pattern (the files that match it in
// number order, or with a range exactly the range's frames, present or not). A range keeps only
// the numbered frames inside it. False with one line in error when an input names nothing.
bool ListFrames(const std::vector<std::string>& inputs, const std::optional<FrameRange>& range,
                const std::function<bool(const std::string&)>& is_frame,
                std::vector<SourceFrame>* frames, std::string* error);

// Whether the inputs make a sequence (several files, a folder or a pattern) rather than one file.
bool IsSequence(const std::vector<std::string>& inputs);

}  // namespace devhost
