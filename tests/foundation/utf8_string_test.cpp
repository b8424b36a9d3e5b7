#include "foundation/utf8_string.h"

#include <gtest/gtest.h>

#include "foundation/loader_lock.h"

#include "utf8_printers.h"

#include <string>

namespace {

constexpr std::size_t npos = mlUtf8String::npos;

// a, é, € and U+1F600: sequences of 1, 2, 3 and 4 bytes.
const char kMixed[] = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
const std::wstring kMixedWide = {L'a', 0xE9, 0x20AC, 0xD83D, 0xDE00};

mlUtf8String Bytes(const std::string& bytes) { return mlUtf8String(bytes); }

TEST(Utf8String, IndexesCodePointsOfOneToFourBytes) {
  const mlUtf8String text(kMixed);
  EXPECT_EQ(text.ByteSize(), 10u);
  EXPECT_EQ(text.Length(), 4u);
  EXPECT_EQ(text.ByteOffset(0), 0u);
  EXPECT_EQ(text.ByteOffset(1), 1u);
  EXPECT_EQ(text.ByteOffset(2), 3u);
  EXPECT_EQ(text.ByteOffset(3), 6u);
  EXPECT_EQ(text.ByteOffset(4), 0u) << "no code point starts at Length()";
  EXPECT_EQ(text.CharAt(1).Bytes(), "\xC3\xA9");
  EXPECT_EQ(text.CharAt(3).Bytes(), "\xF0\x9F\x98\x80");
  EXPECT_TRUE(text.CharAt(4).Empty());
  EXPECT_EQ(text.LastChar().Bytes(), "\xF0\x9F\x98\x80");
  EXPECT_TRUE(mlUtf8String().LastChar().Empty());
}

TEST(Utf8String, WalksStopAtNulAndAtNonLeadBytes) {
  // A last sequence cut short by the end of the bytes empties the whole count.
  EXPECT_EQ(Bytes("ab\xE2").Length(), 0u);
  EXPECT_EQ(Bytes("ab\xE2").ByteOffset(1), 1u);
  // A continuation byte where a lead byte belongs ends the walk; so do 0xF8 to 0xFF.
  const mlUtf8String stray = Bytes(
      "ab\x80"
      "cd");
  EXPECT_EQ(stray.Length(), 2u);
  EXPECT_TRUE(stray.CharAt(2).Empty());
  EXPECT_TRUE(stray.CharAt(3).Empty());
  EXPECT_EQ(stray.LastChar(), mlUtf8Char('b'));
  EXPECT_EQ(Bytes("x\xF8yz").Length(), 1u);
  // NUL ends the text even inside the byte size.
  const mlUtf8String withNul(std::string("ab\0cd", 5));
  EXPECT_EQ(withNul.ByteSize(), 5u);
  EXPECT_EQ(withNul.Length(), 2u);
  EXPECT_EQ(withNul.Substr(0), mlUtf8String("ab"));
  // The byte count form of the constructor keeps bytes past a NUL.
  EXPECT_EQ(mlUtf8String("ab\0cd", 5).ByteSize(), 5u);
  EXPECT_EQ(mlUtf8String("ab\0cd").ByteSize(), 2u);
}

TEST(Utf8String, CutShortTailIsOneUnitWhereTheTextIsIndexed) {
  // The decoder turns a last sequence cut short by the end of the bytes into one character; the
  // indexing operations likewise take it as one unit up to the end (Length still counts 0).
  for (const std::string tail : {"\xE2", "\xE2\x82", "\xF0\x9F\x98"}) {
    SCOPED_TRACE(tail.size());
    const mlUtf8String text = Bytes("ab" + tail);
    EXPECT_EQ(text.ToWide(), (std::wstring{L'a', L'b', 0xFFFD}));
    EXPECT_EQ(text.ByteOffset(2), 2u);
    EXPECT_EQ(text.ByteOffset(3), 0u);
    EXPECT_EQ(text.CharAt(2).Bytes(), tail);
    EXPECT_EQ(text.Find(mlUtf8String(tail)), 2u);

    mlUtf8String replaced = text;
    replaced.ReplaceAll('a', 'x');
    EXPECT_EQ(replaced.Bytes(), "xb" + tail);
    replaced.ReplaceAll(mlUtf8Char(mlUtf8String(tail)), '!');
    EXPECT_EQ(replaced, mlUtf8String("xb!"));
    mlUtf8String removed = text;
    removed.RemoveAll(mlUtf8Char(mlUtf8String(tail)));
    EXPECT_EQ(removed, mlUtf8String("ab"));
  }
}

TEST(Utf8String, SubstrCountsCodePoints) {
  const mlUtf8String text(kMixed);
  EXPECT_EQ(text.Substr(1, 2).Bytes(), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_EQ(text.Substr(3, 99).Bytes(), "\xF0\x9F\x98\x80");
  EXPECT_EQ(text.Substr(0), text);
  EXPECT_TRUE(text.Substr(4).Empty());
  EXPECT_TRUE(text.Substr(1, 0).Empty());
  // Copying ends at a byte that stops the walk.
  EXPECT_EQ(Bytes("ab\x80"
                  "cd")
                .Substr(1),
            mlUtf8String("b"));
}

TEST(Utf8String, FindReturnsCodePointIndices) {
  const mlUtf8String text(kMixed);
  EXPECT_EQ(text.Find("\xE2\x82\xAC"), 2u);
  EXPECT_EQ(text.Find(L"\x20AC"), 2u);
  EXPECT_EQ(text.Find("\xF0\x9F\x98\x80", 1), 3u);
  EXPECT_EQ(text.Find("\xE2\x82\xAC", 3), npos);
  // The bytes 82 AC occur, but inside the sequence of €.
  EXPECT_EQ(text.Find("\x82\xAC"), npos);
  // An empty needle is found at `from` below Length, never at or past it.
  EXPECT_EQ(text.Find("", 2), 2u);
  EXPECT_EQ(text.Find("", 4), npos);
  EXPECT_EQ(text.Find("a", 9), npos);
  EXPECT_EQ(mlUtf8String().Find(""), npos);
  // Matches beyond a byte that stops the walk cannot be indexed.
  EXPECT_EQ(Bytes("ab\x80"
                  "cd")
                .Find("c"),
            npos);
  // Only the sequences walked to reach `from` matter, not a cut-short end after the match.
  EXPECT_EQ(Bytes("abab\xE2").Find("b", 2), 3u);
  EXPECT_EQ(Bytes("ab\xE2").Find("b", 3), npos);
}

TEST(Utf8String, FindLastAndContains) {
  EXPECT_EQ(mlUtf8String("a\\b\\c.dll").FindLast('\\'), 3u);
  EXPECT_EQ(mlUtf8String("abc.dll").FindLast('\\'), npos);
  EXPECT_EQ(mlUtf8String(kMixed).FindLast(mlUtf8Char(mlUtf8String("\xC3\xA9"))), 1u);
  EXPECT_EQ(mlUtf8String(kMixed).FindLast(mlUtf8Char(mlUtf8String("\xA9"))), npos);

  const mlUtf8String path("C:/a/b");
  EXPECT_TRUE(path.Contains('/', 0));
  EXPECT_TRUE(path.Contains('/', 4));
  EXPECT_FALSE(path.Contains('/', 5));
  EXPECT_FALSE(path.Contains('b', 6)) << "from at Length finds nothing";
  EXPECT_FALSE(path.Contains('\\'));
}

TEST(Utf8String, ReplaceKeepsNeighbouringSequences) {
  mlUtf8String text(kMixed);
  EXPECT_TRUE(text.ReplaceAt(2, '-'));
  EXPECT_EQ(text.Bytes(), "a\xC3\xA9-\xF0\x9F\x98\x80");
  EXPECT_TRUE(text.ReplaceAt(0, mlUtf8Char(mlUtf8String("\xE2\x82\xAC"))));
  EXPECT_EQ(text.Bytes(), "\xE2\x82\xAC\xC3\xA9-\xF0\x9F\x98\x80");
  EXPECT_FALSE(text.ReplaceAt(4, '-'));

  mlUtf8String path("a\\b\\c");
  path.ReplaceAll('\\', '/');
  EXPECT_EQ(path, mlUtf8String("a/b/c"));
  path.ReplaceAll('/', '/');
  EXPECT_EQ(path, mlUtf8String("a/b/c"));

  // A one-byte character replaced by a four-byte one, and back.
  mlUtf8String dashes("-x-");
  const mlUtf8Char smile(mlUtf8String("\xF0\x9F\x98\x80"));
  dashes.ReplaceAll('-', smile);
  EXPECT_EQ(dashes.Length(), 3u);
  EXPECT_EQ(dashes.FindLast(smile), 2u);
  dashes.ReplaceAll(smile, '-');
  EXPECT_EQ(dashes, mlUtf8String("-x-"));

  // Characters that share a lead byte are different characters.
  mlUtf8String accent("\xC3\xA9");
  accent.ReplaceAll(mlUtf8Char(accent), mlUtf8Char(mlUtf8String("\xC3\xA8")));
  EXPECT_EQ(accent.Bytes(), "\xC3\xA8");

  // A lone lead byte as the needle must not keep the loop going forever.
  mlUtf8String odd("\xC3\xA9\xC3\xA9");
  odd.ReplaceAll(mlUtf8Char(mlUtf8String("\xC3")), mlUtf8Char(mlUtf8String("\xC3\xA9")));
  EXPECT_EQ(odd.Length(), 2u);
}

TEST(Utf8String, RemoveAllStopsWhereTheWalkStops) {
  mlUtf8String lines("a\nb\n");
  lines.RemoveAll('\n');
  EXPECT_EQ(lines, mlUtf8String("ab"));
  EXPECT_EQ(lines.ByteSize(), 2u);

  mlUtf8String stray = Bytes("a\nb\x80\nc");
  stray.RemoveAll('\n');
  EXPECT_EQ(stray.Bytes(), "ab\x80\nc");

  mlUtf8String mixed(kMixed);
  mixed.RemoveAll(mlUtf8Char(mlUtf8String("\xE2\x82\xAC")));
  EXPECT_EQ(mixed.Bytes(), "a\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(Utf8String, ToLowerMapsEachCodePoint) {
  // É Ω Ж Ā and ASCII; U+0130 (İ) lower-cases to one code point in the simple mapping.
  mlUtf8String text(
      "\xC3\x89"
      "COLE \xCE\xA9\xD0\x96\xC4\x80 Az\xE2\x82\xAC");
  const std::size_t length = text.Length();
  text.ToLower();
  EXPECT_EQ(text.Bytes(),
            "\xC3\xA9"
            "cole \xCF\x89\xD0\xB6\xC4\x81 az\xE2\x82\xAC");
  EXPECT_EQ(text.Length(), length);

  mlUtf8String dotted("\xC4\xB0");
  dotted.ToLower();
  EXPECT_EQ(dotted.Length(), 1u);

  // Four-byte sequences keep their length; ICU maps Deseret capitals to small letters.
  mlUtf8String deseret("\xF0\x90\x90\x80");
  deseret.ToLower();
  EXPECT_EQ(deseret.Length(), 1u);
}

TEST(Utf8String, LowerCasingUnderTheLoaderLockAgreesOnTheNamesCompared) {
  // The host executables' and plug-in caches' names that the attach notifications lower-case,
  // and other scripts as folder and file names may hold. Outside the scope ICU lowers them where
  // the system has it; inside, always the system's own mapping.
  const std::pair<const char*, const char*> names[] = {
      {"After Effects\\24.0\\PluginCache.AEGP\\en_US",
       "after effects\\24.0\\plugincache.aegp\\en_us"},
      {"\xC3\x89T\xC3\x89 \xC3\x96L \xC3\x85", "\xC3\xA9t\xC3\xA9 \xC3\xB6l \xC3\xA5"},
      {"\xCE\xA3\xCE\xA9 \xD0\x9F\xD0\x9B\xD0\x90\xD0\x93\xD0\x98\xD0\x9D \xE6\x8F\x92\xE4\xBB\xB6",
       "\xCF\x83\xCF\x89 \xD0\xBF\xD0\xBB\xD0\xB0\xD0\xB3\xD0\xB8\xD0\xBD "
       "\xE6\x8F\x92\xE4\xBB\xB6"},
  };
  for (const auto& [name, lower] : names) {
    mlUtf8String outside(name);
    outside.ToLower();
    mlUtf8String inside(name);
    {
      const LoaderLockScope loaderLock;
      EXPECT_TRUE(UnderLoaderLock());
      inside.ToLower();
    }
    EXPECT_EQ(outside, mlUtf8String(lower)) << name;
    EXPECT_EQ(inside, mlUtf8String(lower)) << name;
  }
  EXPECT_FALSE(UnderLoaderLock());
}

TEST(Utf8String, ConcatenatesEveryOperandKind) {
  mlUtf8String text("x");
  text += "\xC3\xA9";
  text += L"\x20AC";
  text += std::wstring{0xD83D, 0xDE00};
  text += mlUtf8Char('!');
  EXPECT_EQ(text.Bytes(), "x\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80!");
  EXPECT_EQ((mlUtf8String("a") + "b" + L"c" + mlUtf8Char('d') + mlUtf8String("e")).Bytes(),
            "abcde");
  EXPECT_EQ(("<" + mlUtf8String("a") + ">").Bytes(), "<a>");
  EXPECT_EQ((L"\x20AC" + mlUtf8String("1")).Bytes(),
            "\xE2\x82\xAC"
            "1");

  EXPECT_EQ(mlUtf8String::Repeat(mlUtf8Char(mlUtf8String("\xC3\xA9")), 3).Bytes(),
            "\xC3\xA9\xC3\xA9\xC3\xA9");
  EXPECT_TRUE(mlUtf8String::Repeat(' ', 0).Empty());

  EXPECT_EQ(mlUtf8String(kMixedWide.c_str(), 2).Bytes(), "a\xC3\xA9");
  EXPECT_EQ(mlUtf8String(kMixedWide), mlUtf8String(kMixed));
  EXPECT_EQ(mlUtf8String(kMixed).ToWide(), kMixedWide);
}

TEST(Conversions, EmptyInputGivesEmptyOutput) {
  EXPECT_TRUE(AnsiToWide("").empty());
  EXPECT_TRUE(Utf8ToUtf32("").empty());
  EXPECT_TRUE(Utf32ToUtf8(U"").empty());
  EXPECT_TRUE(WideToUtf8(static_cast<const wchar_t*>(nullptr)).empty());
}

TEST(Conversions, Utf16UsesSurrogatePairs) {
  EXPECT_EQ(Utf8ToWide(kMixed), kMixedWide);
  EXPECT_EQ(WideToUtf8(kMixedWide.c_str()), kMixed);
  EXPECT_EQ(Utf8ToUtf32(kMixed), (std::u32string{U'a', 0xE9, 0x20AC, 0x1F600}));
  EXPECT_EQ(Utf32ToUtf8(U"a\u00E9\u20AC\U0001F600\U0010FFFF"),
            std::string(kMixed) + "\xF4\x8F\xBF\xBF");
  EXPECT_EQ(Utf8ToUtf32("\xF4\x8F\xBF\xBF"), std::u32string(1, 0x10FFFF));
  // The text ends at its first NUL.
  EXPECT_EQ(WideToUtf8(std::wstring(L"ab\0cd", 5)), "ab");
}

TEST(Conversions, UnpairedSurrogatesEmptyTheUtf32Result) {
  const std::wstring lowAlone = {L'a', 0xDC00, L'b'};
  const std::wstring highAtEnd = {L'a', 0xD83D};
  const std::wstring highThenLetter = {0xD83D, L'a'};
  const std::wstring twoHighs = {0xD83D, 0xD83D, 0xDE00};
  EXPECT_TRUE(WideToUtf32(lowAlone.c_str()).empty());
  EXPECT_TRUE(WideToUtf32(highAtEnd.c_str()).empty());
  EXPECT_TRUE(WideToUtf32(highThenLetter.c_str()).empty());
  EXPECT_TRUE(WideToUtf32(twoHighs.c_str()).empty());
  EXPECT_EQ(WideToUtf32(std::wstring{0xDBFF, 0xDFFF}.c_str()), std::u32string(1, 0x10FFFF));
  EXPECT_EQ(WideToUtf32(std::wstring{0xD7FF, 0xE000}.c_str()), (std::u32string{0xD7FF, 0xE000}));

  EXPECT_TRUE(Utf32ToUtf8(std::u32string{U'a', 0xD800}).empty());
  EXPECT_TRUE(Utf32ToUtf8(std::u32string{U'a', 0x110000}).empty());
}

TEST(Conversions, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf8ToWide("ab\xE2"), (std::wstring{L'a', L'b', 0xFFFD}));
  EXPECT_EQ(Utf8ToWide("\xFF"
                       "a"),
            (std::wstring{0xFFFD, L'a'}));
  EXPECT_EQ(Utf8ToWide("\xE2\x82"
                       "a"),
            (std::wstring{0xFFFD, L'a'}));
  // A lone surrogate does not survive the trip to UTF-8.
  EXPECT_EQ(WideToUtf8(std::wstring{L'a', 0xDC00}.c_str()), "a\xEF\xBF\xBD");
}

}  // namespace
