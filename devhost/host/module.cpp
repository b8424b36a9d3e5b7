#include "devhost/host/module.h"

#include <algorithm>
#include <cstring>

namespace devhost {

namespace {

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& b) : b_(b) {}
  bool Has(size_t n) const { return pos_ + n <= b_.size(); }
  template <class T>
  T Get() {
    T v{};
    if (Has(sizeof(T))) std::memcpy(&v, b_.data() + pos_, sizeof(T));
    pos_ += sizeof(T);
    return v;
  }
  size_t pos() const { return pos_; }
  void Seek(size_t p) { pos_ = p; }
  const uint8_t* At(size_t p) const { return b_.data() + p; }

 private:
  const std::vector<uint8_t>& b_;
  size_t pos_ = 0;
};

std::string FourCC(uint32_t v) {
  // Stored as the little-endian 32-bit value: 'kind' reads "dnik" in memory.
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) s[3 - i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

std::string Pascal(const uint8_t* data, size_t size) {
  if (size == 0) return {};
  const size_t n = std::min<size_t>(data[0], size - 1);
  return std::string(reinterpret_cast<const char*>(data) + 1, n);
}

}  // namespace

bool ParsePiPL(const std::vector<uint8_t>& bytes, PiPLInfo* info, std::string* error) {
  Reader r(bytes);
  if (!r.Has(10)) {
    *error = "PiPL resource too short";
    return false;
  }
  const uint16_t first = r.Get<uint16_t>();
  const int32_t version = r.Get<int32_t>();
  const int32_t count = r.Get<int32_t>();
  if (first != 1 || version != 0 || count < 0) {
    *error = "PiPL header is not version 1";
    return false;
  }
  info->property_count = count;
  for (int32_t i = 0; i < count; ++i) {
    if (!r.Has(16)) {
      *error = "PiPL property " + std::to_string(i) + " is cut short";
      return false;
    }
    const std::string vendor = FourCC(r.Get<uint32_t>());
    const std::string key = FourCC(r.Get<uint32_t>());
    r.Get<int32_t>();  // id
    const int32_t length = r.Get<int32_t>();
    if (vendor != "8BIM" || length < 0 || !r.Has(static_cast<size_t>(length))) {
      *error = "PiPL property " + key + " is malformed";
      return false;
    }
    const size_t start = r.pos();
    const uint8_t* data = r.At(start);
    Reader d(bytes);
    d.Seek(start);
    if (key == "kind")
      info->kind = d.Get<int32_t>();
    else if (key == "name")
      info->name = Pascal(data, length);
    else if (key == "catg")
      info->category = Pascal(data, length);
    else if (key == "8664")
      info->entry_point = std::string(reinterpret_cast<const char*>(data),
                                      strnlen(reinterpret_cast<const char*>(data), length));
    else if (key == "ePVR") {
      info->pipl_major = d.Get<int16_t>();
      info->pipl_minor = d.Get<int16_t>();
    } else if (key == "eSVR") {
      info->api_major = d.Get<int16_t>();
      info->api_minor = d.Get<int16_t>();
    } else if (key == "eVER")
      info->version = d.Get<uint32_t>();
    else if (key == "eINF")
      info->info_flags = d.Get<int16_t>();
    else if (key == "eGLO")
      info->out_flags = d.Get<int32_t>();
    else if (key == "eGL2")
      info->out_flags2 = d.Get<int32_t>();
    else if (key == "eMNA")
      info->match_name = Pascal(data, length);
    else if (key == "aeFL")
      info->ae_flags = d.Get<int32_t>();
    else if (key == "eURL")
      info->support_url = Pascal(data, length);
    // The length counts the padding to four bytes already.
    r.Seek(start + static_cast<size_t>(length));
  }
  return true;
}

}  // namespace devhost
