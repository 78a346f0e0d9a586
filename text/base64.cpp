#include "text/base64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Each alphabet character's value 0-63; -1 for every other byte.
constexpr std::array<int32_t, 256> kDecodeTable = [] {
  std::array<int32_t, 256> table{};
  for (auto& v : table) v = -1;
  for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = i;
  return table;
}();

}  // namespace

std::string Base64::encode(const std::string& in) {
  std::string out;
  out.reserve((in.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= in.size(); i += 3) {
    const auto b0 = static_cast<unsigned char>(in[i]);
    const auto b1 = static_cast<unsigned char>(in[i + 1]);
    const auto b2 = static_cast<unsigned char>(in[i + 2]);
    out += kAlphabet[b0 >> 2];
    out += kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
    out += kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)];
    out += kAlphabet[b2 & 0x3F];
  }
  if (in.size() - i == 2) {
    const auto b0 = static_cast<unsigned char>(in[i]);
    const auto b1 = static_cast<unsigned char>(in[i + 1]);
    out += kAlphabet[b0 >> 2];
    out += kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
    out += kAlphabet[(b1 & 0x0F) << 2];
    out += '=';
  } else if (in.size() - i == 1) {
    const auto b0 = static_cast<unsigned char>(in[i]);
    out += kAlphabet[b0 >> 2];
    out += kAlphabet[(b0 & 0x03) << 4];
    out += "==";
  }
  return out;
}

std::string Base64::decode(const std::string& in) {
  const size_t length = in.size();
  // The table value reduced to 8 bits; the position just past the end reads as the zero byte.
  auto value = [&](size_t position) -> unsigned {
    const auto byte = position < length ? static_cast<unsigned char>(in[position]) : 0;
    return static_cast<uint8_t>(kDecodeTable[byte]);
  };
  std::string out;
  out.reserve(length / 4 * 3 + 3);
  for (size_t i = 0; i < length; i += 4) {
    const unsigned a = value(i), b = value(i + 1);
    out += static_cast<char>(((a << 2) | ((b >> 4) & 0x03)) & 0xFF);
    if (i + 2 >= length) continue;
    if (in[i + 2] == '=') break;
    const unsigned c = value(i + 2);
    out += static_cast<char>((((b << 4) & 0xF0) | ((c >> 2) & 0x0F)) & 0xFF);
    if (i + 3 >= length) continue;
    if (in[i + 3] == '=') break;
    const unsigned d = value(i + 3);
    out += static_cast<char>((((c << 6) & 0xC0) | d) & 0xFF);
  }
  return out;
}
