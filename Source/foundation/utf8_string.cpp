// Code-point operations of mlUtf8String and the UTF-32 conversions. The platform's own UTF-16
// conversions live in utf8_string_<platform>.cpp.
//
// Every walk over the bytes follows the lead-byte rule: NUL ends the text (even inside the byte
// size), 0x01-0x7F is a one-byte sequence, 110xxxxx / 1110xxxx / 11110xxx start sequences of two,
// three and four bytes, and any other byte (a continuation byte or 0xF8-0xFF) stops the walk.
// The bytes after a lead byte are never examined; a walk steps over them by the length the lead
// byte gives.
#include "foundation/utf8_string.h"

#include <cstring>

#include "foundation/case_mapping.h"

namespace {

constexpr std::size_t npos = mlUtf8String::npos;

// Length of the sequence that byte b starts: 0 at the end of the text, -1 for a byte that is not
// a lead byte.
int SequenceLength(unsigned char b) {
  if (b == 0) return 0;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) return 2;
  if ((b & 0xF0) == 0xE0) return 3;
  if ((b & 0xF8) == 0xF0) return 4;
  return -1;
}

// One step of a walk from byte position pos: the position of the next sequence, or npos when the
// walk stops there (NUL, a non-lead byte, or a sequence cut short by the end of the bytes).
std::size_t Step(const std::string& bytes, std::size_t pos) {
  if (pos >= bytes.size()) return npos;
  const int n = SequenceLength(static_cast<unsigned char>(bytes[pos]));
  if (n <= 0 || pos + n > bytes.size()) return npos;
  return pos + n;
}

// The end of the unit that starts at pos, as the operations that index the text see it: like
// Step, except that a last sequence cut short by the end of the bytes is one unit reaching to
// that end, as the decoder turns it into one replacement character.
std::size_t UnitEnd(const std::string& bytes, std::size_t pos) {
  if (pos >= bytes.size()) return npos;
  const int n = SequenceLength(static_cast<unsigned char>(bytes[pos]));
  if (n <= 0) return npos;
  return pos + n > bytes.size() ? bytes.size() : pos + n;
}

std::size_t UnitCount(const std::string& bytes) {
  std::size_t count = 0;
  for (std::size_t pos = UnitEnd(bytes, 0); pos != npos; pos = UnitEnd(bytes, pos)) ++count;
  return count;
}

// Code-point index of the unit that starts at byte position target, or npos when no unit starts
// there (inside a unit, at or after the end, or beyond a byte that stops the walk).
std::size_t IndexAtByte(const std::string& bytes, std::size_t target) {
  std::size_t pos = 0;
  std::size_t index = 0;
  while (pos < target) {
    pos = UnitEnd(bytes, pos);
    if (pos == npos) return npos;
    ++index;
  }
  if (pos != target || UnitEnd(bytes, pos) == npos) return npos;
  return index;
}

void AppendUtf8(std::string& out, char32_t v) {
  if (v < 0x80) {
    out += static_cast<char>(v);
  } else if (v < 0x800) {
    out += static_cast<char>(0xC0 | (v >> 6));
    out += static_cast<char>(0x80 | (v & 0x3F));
  } else if (v < 0x10000) {
    out += static_cast<char>(0xE0 | (v >> 12));
    out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (v & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (v >> 18));
    out += static_cast<char>(0x80 | ((v >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((v >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (v & 0x3F));
  }
}

}  // namespace

// ---- mlUtf8Char -----------------------------------------------------------------------------

mlUtf8Char::mlUtf8Char(char ansi) {
  const char text[2] = {ansi, 0};
  bytes_ = mlUtf8String::FromAnsi(text).Bytes();
}

mlUtf8Char::mlUtf8Char(const mlUtf8String& bytes) : bytes_(bytes.Bytes()) {}

mlUtf8String mlUtf8Char::ToString() const { return mlUtf8String(bytes_); }

// ---- construction and conversion --------------------------------------------------------------

mlUtf8String::mlUtf8String(const char* utf8, std::size_t count) {
  if (utf8 == nullptr) return;
  if (count == npos) {
    bytes_.assign(utf8);
  } else {
    bytes_.assign(utf8, count);
  }
}

mlUtf8String::mlUtf8String(const wchar_t* wide, std::size_t count) {
  if (wide == nullptr) return;
  if (count == npos) {
    bytes_ = WideToUtf8(wide);
  } else {
    bytes_ = WideToUtf8(std::wstring(wide, count));
  }
}

mlUtf8String::mlUtf8String(const std::wstring& wide) : bytes_(WideToUtf8(wide)) {}

mlUtf8String mlUtf8String::FromAnsi(const char* ansi) {
  return mlUtf8String(WideToUtf8(AnsiToWide(ansi)));
}

mlUtf8String mlUtf8String::Repeat(const mlUtf8Char& c, std::size_t n) {
  std::string bytes;
  bytes.reserve(c.ByteSize() * n);
  for (std::size_t i = 0; i < n; ++i) bytes += c.Bytes();
  return mlUtf8String(std::move(bytes));
}

std::wstring mlUtf8String::ToWide() const { return Utf8ToWide(bytes_.c_str()); }

std::string mlUtf8String::ToAnsi() const { return WideToAnsi(ToWide().c_str()); }

// ---- code-point operations ------------------------------------------------------------------

std::size_t mlUtf8String::Length() const {
  std::size_t count = 0;
  std::size_t pos = 0;
  for (;;) {
    if (pos >= bytes_.size()) return count;
    const int n = SequenceLength(static_cast<unsigned char>(bytes_[pos]));
    if (n <= 0) return count;
    pos += n;
    // A last sequence cut short by the end of the bytes makes the whole text count as empty.
    if (pos > bytes_.size()) return 0;
    ++count;
  }
}

std::size_t mlUtf8String::ByteOffset(std::size_t index) const {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < index; ++i) {
    pos = UnitEnd(bytes_, pos);
    if (pos == npos) return 0;
  }
  // The offset of Length() is 0 as well: there is no sequence there.
  return UnitEnd(bytes_, pos) == npos ? 0 : pos;
}

mlUtf8Char mlUtf8String::CharAt(std::size_t index) const {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < index; ++i) {
    pos = UnitEnd(bytes_, pos);
    if (pos == npos) return {};
  }
  const std::size_t end = UnitEnd(bytes_, pos);
  if (end == npos) return {};
  return mlUtf8Char(mlUtf8String(bytes_.substr(pos, end - pos)));
}

mlUtf8Char mlUtf8String::LastChar() const {
  const std::size_t length = Length();
  return length == 0 ? mlUtf8Char() : CharAt(length - 1);
}

mlUtf8String mlUtf8String::Substr(std::size_t start, std::size_t count) const {
  const std::size_t length = Length();
  if (start >= length) return {};
  std::size_t pos = ByteOffset(start);
  std::string copied;
  for (std::size_t index = start, taken = 0; taken < count && index < length; ++index, ++taken) {
    const std::size_t next = Step(bytes_, pos);
    if (next == npos) break;
    copied.append(bytes_, pos, next - pos);
    pos = next;
  }
  // Continuation bytes are copied unexamined; a NUL among them ends the result.
  return mlUtf8String(copied.c_str());
}

std::size_t mlUtf8String::Find(const mlUtf8String& needle, std::size_t from) const {
  std::size_t start = 0;
  for (std::size_t i = 0; i < from; ++i) {
    if (start >= bytes_.size() || bytes_[start] == 0) break;  // fewer than `from` code points
    start = Step(bytes_, start);
    if (start == npos) return npos;
  }
  const std::size_t match = bytes_.find(needle.bytes_, start);
  if (match == std::string::npos) return npos;
  return IndexAtByte(bytes_, match);
}

std::size_t mlUtf8String::Find(const wchar_t* needle, std::size_t from) const {
  return Find(mlUtf8String(needle), from);
}

std::size_t mlUtf8String::FindLast(const mlUtf8Char& c) const {
  const std::size_t match = bytes_.rfind(c.Bytes());
  if (match == std::string::npos) return npos;
  return IndexAtByte(bytes_, match);
}

bool mlUtf8String::Contains(const mlUtf8Char& c, std::size_t from) const {
  if (from >= Length()) return false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < from; ++i) {
    start = Step(bytes_, start);
    if (start == npos) {
      start = 0;
      break;
    }
  }
  return std::strstr(bytes_.c_str() + start, c.Bytes().c_str()) != nullptr;
}

bool mlUtf8String::ReplaceAt(std::size_t index, const mlUtf8Char& c) {
  if (index >= Length()) return false;
  const std::size_t offset = ByteOffset(index);
  const std::size_t end = Step(bytes_, offset);
  bytes_.replace(offset, end - offset, c.Bytes());
  return true;
}

void mlUtf8String::ReplaceAll(const mlUtf8Char& from, const mlUtf8Char& to) {
  if (from == to || from.Empty()) return;
  // Each pass replaces the unit at the first match, as Find and ReplaceAt would, but a cut-short
  // tail counts as a unit here too, so the replacement does not depend on Length. A malformed
  // `from` (a lead byte without its continuation) could be recreated by the replacement, so
  // passes are capped at the number of units there were.
  for (std::size_t passes = UnitCount(bytes_); passes > 0; --passes) {
    const std::size_t match = bytes_.find(from.Bytes());
    if (match == std::string::npos || IndexAtByte(bytes_, match) == npos) return;
    bytes_.replace(match, UnitEnd(bytes_, match) - match, to.Bytes());
  }
}

void mlUtf8String::RemoveAll(const mlUtf8Char& c) {
  std::string kept;
  kept.reserve(bytes_.size());
  std::size_t pos = 0;
  for (;;) {
    const std::size_t next = UnitEnd(bytes_, pos);
    if (next == npos) break;
    if (bytes_.compare(pos, next - pos, c.Bytes()) != 0) kept.append(bytes_, pos, next - pos);
    pos = next;
  }
  // What the walk could not pass stays as it was.
  if (pos < bytes_.size()) kept.append(bytes_, pos, npos);
  bytes_ = std::move(kept);
}

void mlUtf8String::ToLower() {
  std::u32string codePoints = Utf8ToUtf32(bytes_.c_str());
  for (char32_t& c : codePoints) c = LowerCodePoint(c);
  bytes_ = Utf32ToUtf8(codePoints);
}

// ---- concatenation --------------------------------------------------------------------------

mlUtf8String& mlUtf8String::operator+=(const mlUtf8String& other) {
  bytes_ += other.bytes_;
  return *this;
}

mlUtf8String& mlUtf8String::operator+=(const char* utf8) {
  if (utf8 != nullptr) bytes_ += utf8;
  return *this;
}

mlUtf8String& mlUtf8String::operator+=(const wchar_t* wide) {
  bytes_ += WideToUtf8(wide);
  return *this;
}

mlUtf8String& mlUtf8String::operator+=(const std::wstring& wide) {
  bytes_ += WideToUtf8(wide);
  return *this;
}

mlUtf8String& mlUtf8String::operator+=(const mlUtf8Char& c) {
  bytes_ += c.Bytes();
  return *this;
}

mlUtf8String operator+(mlUtf8String left, const mlUtf8String& right) { return left += right; }
mlUtf8String operator+(mlUtf8String left, const char* right) { return left += right; }
mlUtf8String operator+(mlUtf8String left, const wchar_t* right) { return left += right; }
mlUtf8String operator+(mlUtf8String left, const std::wstring& right) { return left += right; }
mlUtf8String operator+(mlUtf8String left, const mlUtf8Char& right) { return left += right; }
mlUtf8String operator+(const char* left, const mlUtf8String& right) {
  return mlUtf8String(left) += right;
}
mlUtf8String operator+(const wchar_t* left, const mlUtf8String& right) {
  return mlUtf8String(left) += right;
}

// ---- conversions ----------------------------------------------------------------------------

std::string WideToUtf8(const std::wstring& wide) { return WideToUtf8(wide.c_str()); }

std::wstring Utf8ToWide(const std::string& utf8) { return Utf8ToWide(utf8.c_str()); }

std::u32string WideToUtf32(const wchar_t* wide) {
  std::u32string out;
  if (wide == nullptr) return out;
  for (const wchar_t* p = wide; *p != 0; ++p) {
    const char32_t unit = static_cast<char32_t>(*p);
    if (unit < 0xD800 || unit >= 0xE000) {
      out += unit;
    } else if (unit <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      const char32_t low = static_cast<char32_t>(*++p);
      out += ((unit - 0xD800) * 0x400) + (low - 0xDC00) + 0x10000;
    } else {
      return {};
    }
  }
  return out;
}

std::u32string Utf8ToUtf32(const char* utf8) { return WideToUtf32(Utf8ToWide(utf8).c_str()); }

std::string Utf32ToUtf8(const char32_t* codePoints) {
  std::string out;
  if (codePoints == nullptr) return out;
  for (const char32_t* p = codePoints; *p != 0; ++p) {
    if ((*p >= 0xD800 && *p <= 0xDFFF) || *p > 0x10FFFF) return {};
    AppendUtf8(out, *p);
  }
  return out;
}

std::string Utf32ToUtf8(const std::u32string& codePoints) {
  return Utf32ToUtf8(codePoints.c_str());
}
