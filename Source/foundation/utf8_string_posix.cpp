// The platform conversions on POSIX systems, where the active ANSI code page is UTF-8. Valid input
// converts exactly as the Windows code-page calls convert it; every malformed UTF-8 sequence and
// every unpaired surrogate becomes U+FFFD, as those calls do without strict validation.
#include "foundation/utf8_string.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Decodes one code point at p and advances p past the maximal subpart it consumed. Overlong
// forms, surrogates and values above 0x10FFFF are malformed.
char32_t DecodeUtf8(const unsigned char*& p) {
  const unsigned char lead = *p++;
  if (lead < 0x80) return lead;
  int length;
  char32_t value;
  char32_t lowest;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, lowest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, lowest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, lowest = 0x10000;
  } else {
    return kReplacement;
  }
  for (int i = 1; i < length; ++i) {
    if (!IsContinuation(*p)) return kReplacement;  // NUL ends here too
    const char32_t next = (value << 6) | (*p & 0x3F);
    // Reject as soon as the prefix cannot lead to a valid value, so the bad byte is not consumed.
    const int remaining = length - 1 - i;
    if (i == 1 && ((next << (6 * remaining)) < lowest || (next << (6 * remaining)) > 0x10FFFF ||
                   (length == 3 && (next << 6) >= 0xD800 && (next << 6) <= 0xDFFF))) {
      return kReplacement;
    }
    value = next;
    ++p;
  }
  return value;
}

void AppendUtf16(std::wstring& out, char32_t v) {
  if (v < 0x10000) {
    out += static_cast<wchar_t>(v);
  } else {
    v -= 0x10000;
    out += static_cast<wchar_t>(0xD800 + (v >> 10));
    out += static_cast<wchar_t>(0xDC00 + (v & 0x3FF));
  }
}

std::wstring DecodeToWide(const char* text) {
  std::wstring out;
  if (text == nullptr) return out;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) AppendUtf16(out, DecodeUtf8(p));
  return out;
}

std::string EncodeFromWide(const wchar_t* text) {
  std::u32string codePoints;
  if (text == nullptr) return {};
  for (const wchar_t* p = text; *p != 0; ++p) {
    const char32_t unit = static_cast<char32_t>(*p);
    if (unit >= 0xD800 && unit <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
      codePoints += ((unit - 0xD800) << 10) + (static_cast<char32_t>(*++p) - 0xDC00) + 0x10000;
    } else if ((unit >= 0xD800 && unit <= 0xDFFF) || unit > 0x10FFFF) {
      codePoints += kReplacement;
    } else {
      // A wchar_t here is wider than a UTF-16 unit; a whole code point in one is taken as it is.
      codePoints += unit;
    }
  }
  return Utf32ToUtf8(codePoints);
}

}  // namespace

std::wstring AnsiToWide(const char* ansi) { return DecodeToWide(ansi); }

std::string WideToAnsi(const wchar_t* wide) { return EncodeFromWide(wide); }

std::string WideToUtf8(const wchar_t* wide) { return EncodeFromWide(wide); }

std::wstring Utf8ToWide(const char* utf8) { return DecodeToWide(utf8); }
