#include "devhost/render/frame_list.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace devhost {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<FramePattern> FramePattern::Parse(const std::string& path, std::string* error) {
  const fs::path p(path);
  const std::string name = p.filename().string();
  FramePattern pattern;
  bool found = false;
  std::string* part = &pattern.prefix_;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '%') {
      *part += name[i];
      continue;
    }
    if (i + 1 < name.size() && name[i + 1] == '%') {
      *part += '%';
      ++i;
      continue;
    }
    size_t j = i + 1;
    const bool zeros = j < name.size() && name[j] == '0';
    int width = 0;
    while (j < name.size() && IsDigit(name[j]))
      width = std::min(width * 10 + (name[j++] - '0'), 99);
    // Spaces would pad a width without zeros, and no name read back holds them.
    if (j >= name.size() || name[j] != 'd' || found || (width > 0 && !zeros)) {
      *error = path + ": a frame pattern holds one %d or %0Nd (e.g. shot_%04d.png)";
      return std::nullopt;
    }
    found = true;
    pattern.width_ = width;
    part = &pattern.suffix_;
    i = j;
  }
  if (!found) return std::nullopt;
  pattern.folder_ = p.parent_path().string();
  return pattern;
}

std::string FramePattern::Format(long number) const {
  std::string digits = std::to_string(number);
  if (static_cast<int>(digits.size()) < width_) digits.insert(0, width_ - digits.size(), '0');
  const std::string name = prefix_ + digits + suffix_;
  return folder_.empty() ? name : (fs::path(folder_) / name).string();
}

std::optional<long> FramePattern::Match(std::string_view name) const {
  if (name.size() <= prefix_.size() + suffix_.size() || !name.starts_with(prefix_) ||
      !name.ends_with(suffix_)) {
    return std::nullopt;
  }
  const std::string_view middle =
      name.substr(prefix_.size(), name.size() - prefix_.size() - suffix_.size());
  if (middle.empty() || !std::all_of(middle.begin(), middle.end(), IsDigit)) return std::nullopt;
  long number = 0;
  const auto [end, ec] = std::from_chars(middle.data(), middle.data() + middle.size(), number);
  if (ec != std::errc() || end != middle.data() + middle.size()) return std::nullopt;
  // Only the spelling the pattern writes: shot_7.png is not frame 7 of shot_%04d.png.
  if (fs::path(Format(number)).filename().string() != name) return std::nullopt;
  return number;
}

bool NaturalLess(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t ie = i, je = j;
      while (ie < a.size() && IsDigit(a[ie])) ++ie;
      while (je < b.size() && IsDigit(b[je])) ++je;
      // Compare the numbers without their leading zeros: by length, then digit by digit.
      std::string_view x = a.substr(i, ie - i), y = b.substr(j, je - j);
      x.remove_prefix(std::min(x.find_first_not_of('0'), x.size()));
      y.remove_prefix(std::min(y.find_first_not_of('0'), y.size()));
      if (x.size() != y.size()) return x.size() < y.size();
      if (x != y) return x < y;
      if (ie - i != je - j) return ie - i < je - j;
      i = ie;
      j = je;
    } else {
      if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

std::optional<long> NumberInName(const std::string& path) {
  const std::string stem = fs::path(path).stem().string();
  size_t end = stem.size();
  while (end > 0 && !IsDigit(stem[end - 1])) --end;
  size_t begin = end;
  while (begin > 0 && IsDigit(stem[begin - 1])) --begin;
  if (begin == end) return std::nullopt;
  long number = 0;
  const auto [ptr, ec] = std::from_chars(stem.data() + begin, stem.data() + end, number);
  if (ec != std::errc()) return std::nullopt;
  return number;
}

bool IsSequence(const std::vector<std::string>& inputs) {
  if (inputs.size() != 1) return inputs.size() > 1;
  std::string ignored;
  std::error_code ec;
  if (fs::is_directory(inputs[0], ec)) return true;
  if (fs::exists(inputs[0], ec)) return false;  // 50%.png is a file, not a pattern
  return FramePattern::Parse(inputs[0], &ignored).has_value() || !ignored.empty();
}

bool ListFrames(const std::vector<std::string>& inputs, const std::optional<FrameRange>& range,
                const std::function<bool(const std::string&)>& is_frame,
                std::vector<SourceFrame>* frames, std::string* error) {
  const auto in_range = [&](const std::optional<long>& n) {
    return !range || (n && *n >= range->first && *n <= range->last);
  };
  for (const std::string& input : inputs) {
    std::error_code ec;
    // An existing file is a file, whatever its name holds.
    const bool file = fs::exists(input, ec) && !fs::is_directory(input, ec);
    const std::optional<FramePattern> pattern =
        file ? std::nullopt : FramePattern::Parse(input, error);
    if (!error->empty()) return false;
    if (pattern) {
      if (range) {
        // Counted up to last, not past it: last may be the largest number there is.
        for (long n = range->first;; ++n) {
          frames->push_back({pattern->Format(n), n});
          if (n == range->last) break;
        }
        continue;
      }
      const fs::path folder =
          pattern->Folder().empty() ? fs::path(".") : fs::path(pattern->Folder());
      std::vector<SourceFrame> found;
      for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (const std::optional<long> n = pattern->Match(name); n && e.is_regular_file(ec)) {
          found.push_back({pattern->Format(*n), n});
        }
      }
      if (ec) {
        *error = "cannot list " + folder.string() + ": " + ec.message();
        return false;
      }
      if (found.empty()) {
        *error = "no file matches " + input;
        return false;
      }
      std::sort(found.begin(), found.end(),
                [](const SourceFrame& a, const SourceFrame& b) { return *a.number < *b.number; });
      frames->insert(frames->end(), found.begin(), found.end());
    } else if (fs::is_directory(input, ec)) {
      std::vector<std::string> names;
      for (const fs::directory_entry& e : fs::directory_iterator(input, ec)) {
        const std::string name = e.path().filename().string();
        if (name.starts_with(".") || !e.is_regular_file(ec) || !is_frame(name)) continue;
        names.push_back(name);
      }
      if (ec) {
        *error = "cannot list " + input + ": " + ec.message();
        return false;
      }
      if (names.empty()) {
        *error = "the folder " + input + " holds no frames";
        return false;
      }
      std::sort(names.begin(), names.end(),
                [](const std::string& a, const std::string& b) { return NaturalLess(a, b); });
      for (const std::string& name : names) {
        const std::string path = (fs::path(input) / name).string();
        const std::optional<long> n = NumberInName(name);
        if (in_range(n)) frames->push_back({path, n});
      }
    } else {
      const std::optional<long> n = NumberInName(input);
      if (in_range(n)) frames->push_back({input, n});
    }
  }
  if (frames->empty()) {
    *error = "no frame lies in the range given by --frames";
    return false;
  }
  return true;
}

}  // namespace devhost
