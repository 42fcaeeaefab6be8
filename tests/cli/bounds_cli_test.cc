// Huge and hostile inputs through folian-cli: each ends with a message
// within seconds, and the command's peak memory (its child's ru_maxrss) stays
// far below what the input claims. The files are sparse or only claim their
// size, so the tests stay fast; FOLIAN_LONG_BOUNDS=1 adds the variants that
// really read a file just under the text cap.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "convert/chm_fixture.h"
#include "convert/pdf_fixture.h"
#include "convert/zip_fixture.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/write_faults.h"
#include "text/text_limits.h"

namespace {

namespace fs = std::filesystem;
using folian::testing::MeasureCli;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

// A bound several times under what the inputs claim, and generous for the
// process itself (sanitizer builds take a few hundred MB of shadow memory).
constexpr long kMaxRssKb = 512L * 1024;

// A file of `size` bytes that takes no room: a hole after `head`.
void Sparse(const fs::path& p, std::uint64_t size, std::string_view head = "") {
  WriteBytes(p, head);
  ASSERT_EQ(::truncate(p.c_str(), static_cast<off_t>(size)), 0);
}

// Names and sizes of the files in `dir`: the huge files are never read
// into the test process, whose memory a forked child's peak would count.
std::map<std::string, std::string> Listing(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    files[e.path().filename().string()] = std::to_string(e.file_size());
  }
  return files;
}

class BoundsCli : public ::testing::Test {
 protected:
  // Runs the command; expects exit 1 with `message` (a part of it) on
  // stderr, within the memory bound, and no file written beside the input.
  void ExpectRefused(const std::vector<std::string>& args, std::string_view message,
                     const fs::path& stdin_from = {}) {
    const auto before = Listing(dir_.path());
    const auto usage = MeasureCli(args, stdin_from, err_);
    const std::string err = ReadBytes(err_);
    EXPECT_EQ(usage.code, 1) << err;
    EXPECT_NE(err.find(message), std::string::npos) << err;
    EXPECT_LT(usage.max_rss_kb, kMaxRssKb);
    EXPECT_EQ(folian::testing::Differences(before, Listing(dir_.path())), "");
  }
  fs::path At(std::string_view name) { return dir_ / name; }

  TempDir dir_;
  TempDir err_dir_;
  fs::path err_ = err_dir_ / "stderr.txt";
};

TEST_F(BoundsCli, TextFilesOverTheCapAreRefusedBeforeTheyAreRead) {
  const std::uint64_t over = folian::text::kMaxTextFileBytes + 1;
  Sparse(At("big.txt"), over, "\xB5\xDA\xD2\xBB\xD5\xC2\r\n");
  Sparse(At("small.txt"), 4, "abc\n");
  const std::string big = At("big.txt").string();
  const std::string cap = "1024 MB";
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"cat", big},
           {"tidy", big},
           {"tidy", "-o", At("out.txt").string(), big},
           {"encode", "--to", "utf8", big},
           {"split", "--size", "64", big},
           {"script", "gb2big5", big}}) {
    SCOPED_TRACE(args[0]);
    ExpectRefused(args, cap);
  }
  // A merge names the file it could not read and joins the rest.
  const auto merged = MeasureCli({"merge", "-o", At("all.txt").string(), At("small.txt").string(), big}, {}, err_);
  EXPECT_EQ(merged.code, 1);
  EXPECT_NE(ReadBytes(err_).find(cap), std::string::npos) << ReadBytes(err_);
  EXPECT_LT(merged.max_rss_kb, kMaxRssKb);
  EXPECT_EQ(ReadBytes(At("all.txt")).find("abc"), 0u);
  EXPECT_LT(fs::file_size(At("all.txt")), 100u);
  fs::remove(At("all.txt"));
  // Standard input is held to the same cap.
  ExpectRefused({"tidy", "-"}, cap, At("big.txt"));
  ExpectRefused({"regex", "a"}, cap, At("big.txt"));
}

TEST_F(BoundsCli, ConverterInputOverItsCapIsRefused) {
  for (const char* name : {"big.epub", "big.pdf", "big.chm", "big.umd", "big.htm"}) {
    SCOPED_TRACE(name);
    Sparse(At(name), (std::uint64_t{256} << 20) + 1);
    ExpectRefused({"convert", At(name).string()}, "");
  }
}

// Sets the uncompressed size an archive states for the entry `name`, in its
// local header and its central directory entry, to `size`.
std::string ClaimSize(std::string zip, const std::string& name, std::uint32_t size) {
  const auto put = [&](std::size_t at) {
    for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>(size >> (8 * i));
  };
  const std::string local = std::string("PK\x03\x04", 4), central = std::string("PK\x01\x02", 4);
  for (std::size_t at = zip.find(local); at != std::string::npos; at = zip.find(local, at + 4)) {
    if (zip.compare(at + 30, name.size(), name) == 0) put(at + 22);
  }
  for (std::size_t at = zip.find(central); at != std::string::npos; at = zip.find(central, at + 4)) {
    if (zip.compare(at + 46, name.size(), name) == 0) put(at + 24);
  }
  return zip;
}

TEST_F(BoundsCli, ArchiveEntriesClaimingFourGigabytesAreRefused) {
  const std::string page = "<html><body><p>" + std::string(64 << 10, 'x') + "</p></body></html>";
  const std::string epub = folian::testing::MakeZip(
      {{"mimetype", "application/epub+zip", true},
       {"META-INF/container.xml",
        "<?xml version=\"1.0\"?><container version=\"1.0\" "
        "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile full-path=\"content.opf\" "
        "media-type=\"application/oebps-package+xml\"/></rootfiles></container>"},
       {"content.opf",
        "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"2.0\"><manifest>"
        "<item id=\"a\" href=\"a.htm\" media-type=\"application/xhtml+xml\"/></manifest><spine>"
        "<itemref idref=\"a\"/></spine></package>"},
       {"a.htm", page}});
  const std::string jar = folian::testing::MakeZip(
      {{"META-INF/MANIFEST.MF", "m"}, {"ebook/txt/1.txt", "\xFF\xFE" + std::string(64 << 10, 'a')}});
  const std::string docx = folian::testing::MakeZip(
      {{"word/document.xml",
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body><w:p><w:r>"
        "<w:t>" + std::string(64 << 10, 'x') + "</w:t></w:r></w:p></w:body></w:document>"}});
  struct Case {
    const char* file;
    const std::string& zip;
    const char* entry;
  };
  for (const Case& c : {Case{"book.epub", epub, "a.htm"}, Case{"book.jar", jar, "ebook/txt/1.txt"},
                        Case{"book.docx", docx, "word/document.xml"}}) {
    SCOPED_TRACE(c.file);
    // The honest archive converts: the refusal below is the claim's doing.
    WriteBytes(At(c.file), c.zip);
    const auto ok = MeasureCli({"convert", "-o", err_dir_.path().string(), At(c.file).string()}, {}, err_);
    EXPECT_EQ(ok.code, 0) << ReadBytes(err_);
    WriteBytes(At(c.file), ClaimSize(c.zip, c.entry, 0xFFFFFFF0u));
    ExpectRefused({"convert", At(c.file).string()}, "");
  }
}

// A zlib stream of `size` zero bytes, made a megabyte at a time.
std::string DeflatedZeros(std::size_t size) {
  z_stream z{};
  deflateInit(&z, Z_BEST_COMPRESSION);
  const std::string chunk(1 << 20, '\0');
  std::string out;
  char buf[1 << 16];
  for (std::size_t done = 0; done < size; done += chunk.size()) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data()));
    z.avail_in = static_cast<uInt>(chunk.size());
    const int flush = done + chunk.size() >= size ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = reinterpret_cast<Bytef*>(buf);
      z.avail_out = sizeof buf;
      deflate(&z, flush);
      out.append(buf, sizeof buf - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return out;
}

TEST_F(BoundsCli, APdfStreamInflatingAThousandfoldStopsAtTheStreamCap) {
  // 300 MB of zeros in about 300 KB: past the 256 MB a stream may inflate to.
  const std::string bomb = DeflatedZeros(std::size_t{300} << 20);
  ASSERT_LT(bomb.size(), std::size_t{1} << 20);
  folian::testing::PdfBuilder b;
  b.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R >>")
      .Stream(4, bomb, "/Filter /FlateDecode", false);
  WriteBytes(At("bomb.pdf"), b.Build(1));
  ExpectRefused({"convert", At("bomb.pdf").string()}, "解压后超过上限");
}

TEST_F(BoundsCli, AHelpFileClaimingATerabyteIsRefused) {
  constexpr std::uint64_t kTerabyte = std::uint64_t{1} << 40;
  std::string chm = folian::testing::MakeChm({{"/a.htm", "<p>x</p>", kTerabyte}});
  // The header's file length (after the 0x60-byte ITSF header and 8 bytes of
  // section 0) claims as much.
  for (int i = 0; i < 8; ++i) chm[0x60 + 0x08 + i] = static_cast<char>(kTerabyte >> (8 * i));
  WriteBytes(At("huge.chm"), chm);
  ExpectRefused({"convert", At("huge.chm").string()}, "CHM");
}

TEST_F(BoundsCli, TidyHoldsTheTextOfTwoStagesNotThree) {
  // Tidy runs stage after stage over the whole text; at most two of its
  // texts (input and scan, before and after removal, before and after
  // layout) may be alive together: loading takes the file's bytes over, the
  // input goes after the line scan and the write sends GBK as it is. Over a
  // small run's peak, a novel's tidy is held to 2.6x its size (3.3x before).
  std::vector<std::string> novels;
  const fs::path clean = fs::path(FOLIAN_SHARED_DIR) / "text" / "clean";
  for (const char* name : {"hongloumeng.gbk.txt", "sanguo.gbk.txt", "xiyouji.gbk.txt"}) {
    if (fs::exists(clean / name)) novels.push_back(ReadBytes(clean / name));
  }
  if (novels.empty()) GTEST_SKIP() << "no novels in " << clean;
  const std::uint64_t size = std::uint64_t{32} << 20;
  auto write = [&](const fs::path& p, std::uint64_t bytes) {
    std::FILE* f = std::fopen(p.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    for (std::size_t i = 0; bytes > 0; ++i) {
      const std::string& novel = novels[i % novels.size()];
      const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(novel.size(), bytes));
      ASSERT_EQ(std::fwrite(novel.data(), 1, n, f), n);
      bytes -= n;
    }
    std::fclose(f);
  };
  write(At("small.txt"), 1 << 20);
  write(At("big.txt"), size);
  // The test process, whose memory the forked child's peak counts, keeps
  // no copy of the big file.
  std::vector<std::string>().swap(novels);
  // The sanitizer's quarantine would keep every freed text alive.
  const char* asan = std::getenv("ASAN_OPTIONS");
  const std::string options = std::string(asan != nullptr ? asan : "") + ":quarantine_size_mb=0";
  folian::testing::EnvVar quarantine("ASAN_OPTIONS", options.c_str());
  folian::testing::EnvVar config("FOLIAN_CONFIG_HOME", dir_.path().c_str());
  const auto small = MeasureCli({"tidy", "-o", At("small.out").string(), At("small.txt").string()}, {}, err_);
  ASSERT_EQ(small.code, 0) << ReadBytes(err_);
  const auto big = MeasureCli({"tidy", "-o", At("big.out").string(), At("big.txt").string()}, {}, err_);
  ASSERT_EQ(big.code, 0) << ReadBytes(err_);
  EXPECT_GT(fs::file_size(At("big.out")), size / 2);
  EXPECT_LT(static_cast<double>(big.max_rss_kb - small.max_rss_kb), 2.6 * static_cast<double>(size >> 10))
      << "peak " << big.max_rss_kb << " KB, a small run's " << small.max_rss_kb << " KB";
}

TEST_F(BoundsCli, CatastrophicPatternsStopWithAMessage) {
  // 4 MB (100 MB with FOLIAN_LONG_BOUNDS=1) without the byte the patterns
  // need at their end.
  const std::size_t size = std::getenv("FOLIAN_LONG_BOUNDS") ? std::size_t{100} << 20 : std::size_t{4} << 20;
  const fs::path subject = At("subject.txt");
  {
    std::string a(size, 'a');
    a.back() = 'c';
    WriteBytes(subject, a);
  }
  for (const char* pattern : {"(a*)*b", "^(a+)+$"}) {
    SCOPED_TRACE(pattern);
    ExpectRefused({"regex", pattern}, "匹配步数", subject);
    // As a chapter pattern: no chapter list, no piece written.
    ExpectRefused({"split", "--chapters", "--pattern", pattern, subject.string()}, "匹配步数");
    ExpectRefused({"split", "--chapters", "--list", "--pattern", pattern, subject.string()}, "匹配步数");
  }
  WriteBytes(subject, std::string(size, 'x'));
  ExpectRefused({"regex", "(x+x+)+y"}, "匹配步数", subject);
  ExpectRefused({"regex", "--flags", "2", "--subst", "z", "(x+x+)+y"}, "匹配步数", subject);
  fs::remove(subject);
}

}  // namespace
