#include "foundation/path.h"

mlPath::mlPath(mlUtf8String& text, unsigned flags, int style) : text_(text) {
  Normalize(flags, style);
}

void mlPath::Normalize(unsigned flags, int style) {
  if (flags & ToSlashes) text_.ReplaceAll('\\', '/');
  if (flags & ToSlashesToo) text_.ReplaceAll('\\', '/');
  if (flags & ToBackslashes) text_.ReplaceAll('/', '\\');
  if ((flags & AddTrailingSeparator) && !EndsWithSeparator()) text_ += SeparatorFor(style);
  if (flags & RemoveTrailingSeparators) {
    while (EndsWithSeparator()) text_ = text_.Substr(0, text_.Length() - 1);
  }
}

bool mlPath::EndsWithSeparator() const {
  const mlUtf8Char last = text_.LastChar();
  return last == '/' || last == '\\';
}

mlUtf8Char mlPath::SeparatorFor(int style) const {
  switch (style) {
    case Automatic:
      return text_.Contains('/') && !text_.Contains('\\') ? mlUtf8Char('/') : mlUtf8Char('\\');
    case Backslash:
    case BackslashToo:
      return '\\';
    default:
      return '/';
  }
}

mlUtf8String mlPath::ParentDirectory() const {
  mlUtf8String copy = text_;
  mlPath normalized(copy, ToSlashes | RemoveTrailingSeparators, Backslash);
  const std::size_t last = copy.FindLast('/');
  if (last == mlUtf8String::npos) return {};
  return text_.Substr(0, last);
}
