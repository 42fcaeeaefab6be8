#include "text/encoding_detector.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string>

#include "charset/codepage.h"

namespace folian::text {
namespace {

bool IsLineBreak(unsigned char b) { return b == '\r' || b == '\n'; }

}  // namespace

int DetectEncodingOfSample(std::string_view sample, unsigned options, int* codepage,
                           int* bom_flag, int primary_language) {
  if (options & kDetectDefault) options = (options | kDetectCodePage | kDetectBomFlag) & ~1u;
  const std::size_t len = sample.size();
  auto at = [&](std::size_t i) { return static_cast<unsigned char>(sample[i]); };

  if (options & kDetectZeroUnit) {
    for (std::size_t i = 0; i + 1 < len; i += 2)
      if (at(i) == 0 && at(i + 1) == 0) return kDetectFoundZeroUnit;
  }

  int cp = charset::kAnsiCodePage;
  int flag = 0;
  bool decided = false;
  if (len >= 2 && at(0) == 0xFF && at(1) == 0xFE) {
    cp = charset::kUtf16LE, flag = 1, decided = true;
  } else if (len >= 2 && at(0) == 0xFE && at(1) == 0xFF) {
    cp = charset::kUtf16BE, flag = 1, decided = true;
  } else if (len >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
    cp = charset::kUtf8, flag = 1, decided = true;
  }
  if (!decided) {
    for (std::size_t i = 0; len > 0 && i < len - 1; i += 2) {
      if (IsLineBreak(at(i)) && at(i + 1) == 0) {
        cp = charset::kUtf16LE, decided = true;
        break;
      }
      if (at(i) == 0 && IsLineBreak(at(i + 1))) {
        cp = charset::kUtf16BE, decided = true;
        break;
      }
    }
  }
  if (!decided) {
    if (auto guess = HighByteHeuristic(sample, primary_language)) cp = *guess;
  }
  if ((options & kDetectCodePage) && codepage != nullptr) *codepage = cp;
  if ((options & kDetectBomFlag) && bom_flag != nullptr) *bom_flag = flag;
  return kDetectOk;
}

int DetectEncoding(const std::filesystem::path& path, std::size_t sample_size, unsigned options,
                   int* codepage, int* bom_flag) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kDetectCannotOpen;
#ifdef POSIX_FADV_SEQUENTIAL
  (void)::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  std::string sample;
  try {
    sample.resize(sample_size);
  } catch (const std::bad_alloc&) {
    ::close(fd);
    return kDetectNoMemory;
  } catch (const std::length_error&) {
    ::close(fd);
    return kDetectNoMemory;
  }
  std::size_t got = 0;
  while (got < sample_size) {
    ssize_t n = ::read(fd, sample.data() + got, sample_size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return kDetectReadFailed;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  sample.resize(got);
  return DetectEncodingOfSample(sample, options, codepage, bom_flag, UserPrimaryLanguage());
}

}  // namespace folian::text
