#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "text/text_file.h"

namespace folian::text {

int BomClassOfBytes(std::string_view head) {
  if (head.size() < 2) return kBomAnsi;
  const auto b0 = static_cast<unsigned char>(head[0]);
  const auto b1 = static_cast<unsigned char>(head[1]);
  // Only two bytes are compared: "EF BB" is UTF-8 even without the BF.
  if (b0 == 0xEF && b1 == 0xBB) return kBomUtf8;
  if (b0 == 0xFF && b1 == 0xFE) return kBomUtf16LE;
  if (b0 == 0xFE && b1 == 0xFF) return kBomUtf16BE;
  return kBomAnsi;
}

int probe_bom_class(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kBomCannotOpen;
  char head[2];
  std::size_t got = 0;
  while (got < sizeof head) {
    ssize_t n = ::read(fd, head + got, sizeof head - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return BomClassOfBytes(std::string_view(head, got));
}

}  // namespace folian::text
