#include "devhost/render/compare_sheet.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace devhost {

namespace {

// A 5 x 7 pixel font: seven rows per glyph, bit 4 the leftmost pixel. Labels are upper case.
struct Glyph {
  char c;
  std::array<uint8_t, 7> rows;
};
constexpr Glyph kFont[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {',', {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {'(', {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}},
    {')', {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08}},
};
constexpr int kAdvance = 6;  // glyph and a column of space
constexpr int kGlyphHeight = 7;

const Glyph* Find(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (const Glyph& g : kFont) {
    if (g.c == c) return &g;
  }
  return nullptr;  // drawn as a space
}

// A colour given in 8-bit values, as one pixel of the sheet's depth.
std::array<uint8_t, 16> PixelOf(Depth depth, const std::array<uint8_t, 4>& rgba) {
  std::array<uint8_t, 16> pixel{};
  for (int c = 0; c < 4; ++c) {
    if (depth == Depth::U8) {
      pixel[c] = rgba[c];
    } else if (depth == Depth::U16) {
      const uint16_t v = static_cast<uint16_t>((rgba[c] * 32768 + 127) / 255);
      std::memcpy(&pixel[2 * c], &v, 2);
    } else {
      const float v = rgba[c] / 255.0f;
      std::memcpy(&pixel[4 * c], &v, 4);
    }
  }
  return pixel;
}

class Canvas {
 public:
  Canvas(int w, int h, Depth depth) : image_(w, h, depth) {}
  Image& image() { return image_; }

  void Fill(int x0, int y0, int w, int h, const std::array<uint8_t, 16>& pixel) {
    for (int y = std::max(y0, 0); y < std::min(y0 + h, image_.height); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x0 + w, image_.width); ++x) {
        std::memcpy(image_.Pixel(x, y), pixel.data(), image_.PixelBytes());
      }
    }
  }
  void Text(int x, int y, int size, const std::string& text, const std::array<uint8_t, 16>& pixel) {
    for (char c : text) {
      if (const Glyph* g = Find(c)) {
        for (int row = 0; row < kGlyphHeight; ++row) {
          for (int col = 0; col < 5; ++col) {
            if (g->rows[row] & (0x10 >> col))
              Fill(x + col * size, y + row * size, size, size, pixel);
          }
        }
      }
      x += kAdvance * size;
    }
  }
  void Paste(int x0, int y0, const Image& from) {
    for (int y = 0; y < from.height; ++y) {
      std::memcpy(image_.Pixel(x0, y0 + y), from.Pixel(0, y), from.PixelBytes() * from.width);
    }
  }

 private:
  Image image_;
};

int TextWidth(const std::string& text, int size) {
  return text.empty() ? 0 : (static_cast<int>(text.size()) * kAdvance - 1) * size;
}

}  // namespace

Image ComposeSheet(const std::vector<std::string>& column_labels,
                   const std::vector<std::string>& row_labels, const std::vector<Image>& cells) {
  const int columns = static_cast<int>(column_labels.size());
  const int rows = static_cast<int>(row_labels.size());
  const Depth depth = cells.empty() ? Depth::U8 : cells[0].depth;
  int cell_w = 0, cell_h = 0;
  for (const Image& c : cells) {
    cell_w = std::max(cell_w, c.width);
    cell_h = std::max(cell_h, c.height);
  }
  // Larger renders get larger letters.
  const int size = std::clamp(cell_w / 200 + 1, 1, 3);
  for (const std::string& label : column_labels) cell_w = std::max(cell_w, TextWidth(label, size));
  const int margin = 4 * size, gap = 4 * size;
  const int band = kGlyphHeight * size + 2 * margin;
  int widest_row_label = 0;
  for (const std::string& label : row_labels)
    widest_row_label = std::max(widest_row_label, TextWidth(label, size));
  const int width =
      std::max(2 * margin + columns * cell_w + (columns - 1) * gap, widest_row_label + 2 * margin);
  const int height = band + rows * (band + cell_h) + margin;

  Canvas canvas(width, height, depth);
  const auto frame = PixelOf(depth, {48, 48, 48, 255});
  const auto ink = PixelOf(depth, {235, 235, 235, 255});
  canvas.Fill(0, 0, width, height, frame);
  for (int c = 0; c < columns; ++c) {
    const int x = margin + c * (cell_w + gap);
    canvas.Text(x + (cell_w - TextWidth(column_labels[c], size)) / 2, margin, size,
                column_labels[c], ink);
  }
  for (int r = 0; r < rows; ++r) {
    const int top = band + r * (band + cell_h);
    canvas.Text(margin, top + margin, size, row_labels[r], ink);
    for (int c = 0; c < columns; ++c) {
      const size_t i = static_cast<size_t>(r) * columns + c;
      if (i >= cells.size()) continue;
      const int x = margin + c * (cell_w + gap);
      // The cell is clear around its render, like the render's own border.
      canvas.Fill(x, top + band, cell_w, cell_h, PixelOf(depth, {0, 0, 0, 0}));
      canvas.Paste(x, top + band, cells[i]);
    }
  }
  return std::move(canvas.image());
}

}  // namespace devhost
