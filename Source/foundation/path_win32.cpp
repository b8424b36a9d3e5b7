#include "foundation/path.h"

mlUtf8Char mlPath::NativeSeparator() { return '\\'; }
