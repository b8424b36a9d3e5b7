// tessgrain-render's runs that render: one image, its comparison sheet, a sequence of files, and
// a stream of raw frames. Each returns the exit status.
#pragma once
#include <string>

#include "devhost/host/image.h"
#include "devhost/render/options.h"
#include "devhost/render/session.h"

namespace devhost {

// One image into one file.
int RunOne(const Options& o, Session& s, const std::string& input, Image layer);
// One image with each interpolation (rows) and each pixel shape (columns), in one sheet.
int RunCompare(const Options& o, Session& s, const std::string& input, Image layer);
// Several files, a folder or a pattern, into a folder or a pattern.
int RunSequence(const Options& o, Session& s);
// Raw frames from a stream (or file) to a stream (or file), in order.
int RunRawStream(const Options& o, Session& s);
// The image a single run renders, read at the options' depth; refused when the host cannot
// render its depth.
Image ReadOne(const Options& o, const std::string& input);

}  // namespace devhost
