#include "platform/system.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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
  unsigned char bytes[16];
  size_t have = 0;
  int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  while (fd >= 0 && have < sizeof bytes) {
    ssize_t got = read(fd, bytes + have, sizeof bytes - have);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    have += static_cast<size_t>(got);
  }
  if (fd >= 0) close(fd);
  // Without /dev/urandom (a chroot, say) the library's random device still gives unique ids.
  if (have < sizeof bytes) {
    std::random_device device;
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(device());
  }
  bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // variant 10
  std::string out;
  char hex[3];
  for (size_t i = 0; i < sizeof bytes; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned>(bytes[i]));
    out += hex;
  }
  return out;
}

}  // namespace platform
