#include "platform/system.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <random>

namespace platform {

namespace {
uint32_t g_system_version = 0x1040;
}

uint32_t SystemVersion() { return g_system_version; }
void SetSystemVersion(uint32_t version) { g_system_version = version; }

bool ParseSystemVersion(std::string_view text, uint32_t& out) {
  unsigned parts[3] = {0, 0, 0};
  int count = 0;
  size_t pos = 0;
  while (count < 3) {
    size_t dot = text.find('.', pos);
    std::string_view part = text.substr(pos, dot == std::string_view::npos ? std::string_view::npos : dot - pos);
    if (part.empty()) return false;
    auto [end, ec] = std::from_chars(part.data(), part.data() + part.size(), parts[count]);
    if (ec != std::errc() || end != part.data() + part.size()) return false;
    ++count;
    if (dot == std::string_view::npos) break;
    pos = dot + 1;
  }
  if (count < 2 || pos > text.size() || (count == 3 && text.find('.', pos) != std::string_view::npos)) return false;
  if (parts[0] == 0 || parts[0] > 99 || parts[1] > 15 || parts[2] > 15) return false;
  // Gestalt packs the major version as two BCD digits, then one nibble each.
  unsigned major = (parts[0] / 10) * 16 + parts[0] % 10;
  out = (major << 8) | (parts[1] << 4) | parts[2];
  return true;
}

uint32_t TickCount() {
  using namespace std::chrono;
  auto since = steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(duration_cast<microseconds>(since).count() * 60 / 1000000);
}

std::string CurrentTimeText() {
  std::time_t now = std::time(nullptr);
  char buf[64];
  std::tm local{};
  localtime_r(&now, &local);
  // ctime()'s layout: "Www Mmm dd hh:mm:ss yyyy\n" with the day padded by a blank.
  if (std::strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y\n", &local) == 0) return "\n";
  return buf;
}

std::string RandomUUID() {
  // Identifiers only need to be unique, not secret: one generator seeded from the system's
  // random source serves every identifier of the run.
  static std::mt19937_64 generator{std::random_device{}()};
  uint64_t high = generator(), low = generator();
  high = (high & ~0xF000ull) | 0x4000ull;                // version 4
  low = (low & ~(0xC000ull << 48)) | (0x8000ull << 48);  // variant 10
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(high >> 32),
                static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
  return buffer;
}

}  // namespace platform
