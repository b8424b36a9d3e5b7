// UTF-8 text with code-point indexing, one-character values, and the conversions between the
// ANSI code page, UTF-16, UTF-8 and UTF-32.
//
// Wide text is UTF-16 code units held in a std::wstring on every platform, one unit per wchar_t.
// No operation validates or reports errors: malformed bytes are handled by the lead-byte rule
// (see utf8_string.cpp), failed conversions give empty results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

class mlUtf8String;

/// The UTF-8 bytes of one code point; empty means "no character".
class mlUtf8Char {
 public:
  mlUtf8Char() = default;
  /// One character of the active ANSI code page, converted as FromAnsi converts it.
  mlUtf8Char(char ansi);  // NOLINT: implicit on purpose, so '/' and '\\' can be passed directly
  /// Takes the bytes of the text as they are.
  explicit mlUtf8Char(const mlUtf8String& bytes);

  bool Empty() const { return bytes_.empty(); }
  std::size_t ByteSize() const { return bytes_.size(); }
  const std::string& Bytes() const { return bytes_; }
  mlUtf8String ToString() const;

  bool operator==(const mlUtf8Char& other) const { return bytes_ == other.bytes_; }
  bool operator!=(const mlUtf8Char& other) const { return bytes_ != other.bytes_; }
  bool operator==(char ansi) const { return *this == mlUtf8Char(ansi); }

 private:
  std::string bytes_;
};

/// Text held as UTF-8 bytes. Indices count code points from 0.
class mlUtf8String {
 public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  mlUtf8String() = default;
  /// UTF-8 bytes taken verbatim; with count = npos, up to the first NUL.
  mlUtf8String(const char* utf8, std::size_t count = npos);  // NOLINT: implicit
  /// UTF-16 text converted with WideToUtf8; with count = npos, up to the first NUL.
  mlUtf8String(const wchar_t* wide, std::size_t count = npos);  // NOLINT: implicit
  mlUtf8String(const std::wstring& wide);                       // NOLINT: implicit
  /// UTF-8 bytes taken verbatim.
  explicit mlUtf8String(std::string utf8) : bytes_(std::move(utf8)) {}
  explicit mlUtf8String(const mlUtf8Char& c) : bytes_(c.Bytes()) {}

  /// Text in the active ANSI code page.
  static mlUtf8String FromAnsi(const char* ansi);
  /// n copies of c.
  static mlUtf8String Repeat(const mlUtf8Char& c, std::size_t n);

  const char* CStr() const { return bytes_.c_str(); }
  std::size_t ByteSize() const { return bytes_.size(); }
  bool Empty() const { return bytes_.empty(); }
  const std::string& Bytes() const { return bytes_; }

  std::wstring ToWide() const;
  std::string ToAnsi() const;

  // Code-point operations.
  std::size_t Length() const;
  std::size_t ByteOffset(std::size_t index) const;
  mlUtf8Char CharAt(std::size_t index) const;
  mlUtf8Char LastChar() const;
  mlUtf8String Substr(std::size_t start, std::size_t count = npos) const;
  std::size_t Find(const mlUtf8String& needle, std::size_t from = 0) const;
  std::size_t Find(const wchar_t* needle, std::size_t from = 0) const;
  std::size_t FindLast(const mlUtf8Char& c) const;
  bool Contains(const mlUtf8Char& c, std::size_t from = 0) const;
  bool ReplaceAt(std::size_t index, const mlUtf8Char& c);
  void ReplaceAll(const mlUtf8Char& from, const mlUtf8Char& to);
  void RemoveAll(const mlUtf8Char& c);
  void ToLower();

  mlUtf8String& operator+=(const mlUtf8String& other);
  mlUtf8String& operator+=(const char* utf8);
  mlUtf8String& operator+=(const wchar_t* wide);
  mlUtf8String& operator+=(const std::wstring& wide);
  mlUtf8String& operator+=(const mlUtf8Char& c);

  bool operator==(const mlUtf8String& other) const { return bytes_ == other.bytes_; }
  bool operator!=(const mlUtf8String& other) const { return bytes_ != other.bytes_; }
  bool operator<(const mlUtf8String& other) const { return bytes_ < other.bytes_; }

 private:
  std::string bytes_;
};

mlUtf8String operator+(mlUtf8String left, const mlUtf8String& right);
mlUtf8String operator+(mlUtf8String left, const char* right);
mlUtf8String operator+(mlUtf8String left, const wchar_t* right);
mlUtf8String operator+(mlUtf8String left, const std::wstring& right);
mlUtf8String operator+(mlUtf8String left, const mlUtf8Char& right);
mlUtf8String operator+(const char* left, const mlUtf8String& right);
mlUtf8String operator+(const wchar_t* left, const mlUtf8String& right);

// Conversions of NUL-terminated text. A null pointer, empty input or a failed conversion gives an
// empty result. The ANSI code page is the process's active one (UTF-8 on POSIX systems).
std::wstring AnsiToWide(const char* ansi);
std::string WideToAnsi(const wchar_t* wide);
std::string WideToUtf8(const wchar_t* wide);
std::string WideToUtf8(const std::wstring& wide);
std::wstring Utf8ToWide(const char* utf8);
std::wstring Utf8ToWide(const std::string& utf8);

/// UTF-16 to code points. A lone or unpaired surrogate anywhere makes the whole result empty.
std::u32string WideToUtf32(const wchar_t* wide);
/// UTF-8 to code points through UTF-16, with the surrogate rule of WideToUtf32.
std::u32string Utf8ToUtf32(const char* utf8);
/// Code points up to the first 0 to UTF-8. A surrogate or a value above 0x10FFFF makes the whole
/// result empty.
std::string Utf32ToUtf8(const char32_t* codePoints);
std::string Utf32ToUtf8(const std::u32string& codePoints);
