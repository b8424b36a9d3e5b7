// A path edited in place: separator normalisation and the parent folder.
#pragma once

#include "foundation/utf8_string.h"

class mlPath {
 public:
  enum Flags : unsigned {
    AddTrailingSeparator = 1,      // append the style's separator unless one ends the text
    RemoveTrailingSeparators = 2,  // strip every '/' and '\\' from the end
    ToSlashes = 16,                // every '\\' becomes '/'
    ToSlashesToo = 32,             // the same as ToSlashes
    ToBackslashes = 64,            // every '/' becomes '\\'
  };

  /// Separator style for AddTrailingSeparator: Automatic picks '/' when the text holds '/' and
  /// no '\\', and '\\' otherwise. Other values than these give '/'.
  enum Style : int { Automatic = 0, Backslash = 1, Slash = 2, BackslashToo = 3 };

  /// Binds the text, which must outlive this object, and normalises it with the flags at once.
  explicit mlPath(mlUtf8String& text, unsigned flags = 0, int style = Automatic);

  /// Applies the flags in the order ToSlashes, ToSlashesToo, ToBackslashes,
  /// AddTrailingSeparator, RemoveTrailingSeparators.
  void Normalize(unsigned flags, int style = Automatic);
  bool EndsWithSeparator() const;
  mlUtf8Char SeparatorFor(int style) const;
  /// The text up to its last separator, ignoring trailing ones, with the text's own separator
  /// characters; empty when there is no separator.
  mlUtf8String ParentDirectory() const;

  const mlUtf8String& Text() const { return text_; }

  /// The separator of this platform's file paths.
  static mlUtf8Char NativeSeparator();

 private:
  mlUtf8String& text_;
};
