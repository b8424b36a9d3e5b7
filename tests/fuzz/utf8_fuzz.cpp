// The UTF-8 string type on arbitrary bytes: code-point indexing agrees with itself, and valid
// text splits and joins back and survives the UTF-16 and UTF-32 round trips.
#include "foundation/utf8_string.h"
#include "fuzz_input.h"

namespace {

bool ValidUtf8(const std::string& s) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    uint32_t cp = n == 1 ? b : b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t a = in.Take<uint8_t>();
  const uint8_t b = in.Take<uint8_t>();
  const mlUtf8String s{in.Rest()};
  const size_t n = s.Length();

  // Whatever the bytes: the indexed code points lie in the text, in order, each where the
  // index says.
  size_t previous = 0;
  for (size_t i = 0; i < n && i < 64; ++i) {  // each index walks from the start
    const size_t at = s.ByteOffset(i);
    const mlUtf8Char c = s.CharAt(i);
    FUZZ_CHECK(at < s.ByteSize() && (i == 0 || at > previous));
    FUZZ_CHECK(!c.Empty() && s.Bytes().compare(at, c.ByteSize(), c.Bytes()) == 0);
    previous = at;
  }
  mlUtf8String same = s;
  if (n > 0) same.ReplaceAll(s.CharAt(b % n), s.CharAt(b % n));
  FUZZ_CHECK(same == s);

  // Valid text without NUL splits and joins back, keeps its length when lower-cased, loses every
  // copy of a removed character, and survives the UTF-16 and UTF-32 round trips.
  if (!ValidUtf8(s.Bytes()) || s.Bytes().find('\0') != std::string::npos) return 0;
  FUZZ_CHECK(s.CharAt(n).Empty());
  const size_t k = a % (n + 1);
  FUZZ_CHECK(s.Substr(0, k) + s.Substr(k) == s);
  if (k < n) FUZZ_CHECK(s.Find(s.Substr(k)) <= k);
  mlUtf8String lower = s;
  lower.ToLower();
  FUZZ_CHECK(lower.Length() == n);
  if (n > 0) {
    mlUtf8String removed = s;
    const mlUtf8Char c = s.CharAt(b % n);
    removed.RemoveAll(c);
    FUZZ_CHECK(!removed.Contains(c) && removed.Length() < n);
  }
  FUZZ_CHECK(WideToUtf8(Utf8ToWide(s.Bytes())) == s.Bytes());
  FUZZ_CHECK(Utf32ToUtf8(Utf8ToUtf32(s.CStr())) == s.Bytes());
  FUZZ_CHECK(Utf8ToUtf32(s.CStr()).size() == n);
  return 0;
}
