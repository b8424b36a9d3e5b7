// The comparison sheet of tessgrain-render: renders of one image with different settings laid out
// in a labelled grid, so that settings can be chosen by eye.
#pragma once
#include <string>
#include <vector>

#include "devhost/host/image.h"

namespace devhost {

// A grid of cells.size() / column_labels.size() rows: a band with the column labels on top, and
// a band with its label above each row. Each cell holds its render's pixels exactly as rendered
// (transparency included) from its top left corner; bands and gaps are opaque. All cells share
// one depth.
Image ComposeSheet(const std::vector<std::string>& column_labels,
                   const std::vector<std::string>& row_labels, const std::vector<Image>& cells);

}  // namespace devhost
