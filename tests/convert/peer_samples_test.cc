// The e-books of ../shared/formats against what independent converters made
// of them (calibre, pandoc, txt2pdbdoc, or the text a perfect converter
// gives): after whitespace is normalised, our text holds every paragraph of
// theirs, in order, with no undecodable character. Skips without the
// shared folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/convert_file.h"
#include "charset/codepage.h"
#include "support/temp_dir.h"
#include "text/utf_tests.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;

const fs::path kFormats = fs::path(FOLIAN_SHARED_DIR) / "formats";

std::string AsUtf8(const std::string& bytes) {
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return bytes.substr(3);
  if (text::LooksLikeUtf8(bytes)) return bytes;
  bool ascii = true;
  for (char c : bytes) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  return ascii ? bytes : charset::GbkToUtf8(bytes);
}

// Runs of white space (the ideographic blank and no-break space included)
// become one blank; ends are trimmed.
std::string Normalise(std::string_view s) {
  std::string out;
  bool blank = true;
  for (std::size_t i = 0; i < s.size(); ++i) {
    std::size_t skip = 0;
    if (s.substr(i, 3) == "\xE3\x80\x80") skip = 3;
    else if (s.substr(i, 2) == "\xC2\xA0") skip = 2;
    else if (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n' || s[i] == '\f') skip = 1;
    if (skip > 0) {
      if (!blank) out.push_back(' ');
      blank = true;
      i += skip - 1;
    } else {
      out.push_back(s[i]);
      blank = false;
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The peer's paragraphs: its lines with some letter, digit or non-ASCII
// character (rules like "* * *" and image marks are the peer's own markup),
// without the peer's list bullets.
std::vector<std::string> Paragraphs(const std::string& peer) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < peer.size()) {
    std::size_t end = peer.find('\n', start);
    if (end == std::string::npos) end = peer.size();
    std::string line = Normalise(std::string_view(peer).substr(start, end - start));
    start = end + 1;
    if (line.rfind("- ", 0) == 0) line.erase(0, 2);
    bool text = false;
    for (char c : line) {
      const auto u = static_cast<unsigned char>(c);
      text = text || u >= 0x80 || std::isalnum(u);
    }
    if (text) out.push_back(line);
  }
  return out;
}

struct Sample {
  fs::path book;
  std::vector<fs::path> peers;
};

std::vector<Sample> Samples() {
  std::vector<Sample> out;
  for (const char* group : {"generated", "third_party"}) {
    for (const char* kind : {"html", "epub", "pdb"}) {
      const fs::path dir = kFormats / group / kind;
      std::error_code ec;
      if (!fs::is_directory(dir, ec)) continue;
      std::vector<fs::path> files;
      for (const auto& e : fs::directory_iterator(dir, ec)) files.push_back(e.path());
      std::sort(files.begin(), files.end());
      for (const fs::path& f : files) {
        const std::string name = f.filename().string();
        if (f.extension() == ".txt") continue;
        Sample s{f, {}};
        for (const fs::path& p : files) {
          const std::string peer = p.filename().string();
          if (peer.size() > name.size() + 1 && peer.rfind(name + ".", 0) == 0 && p.extension() == ".txt") {
            s.peers.push_back(p);
          }
        }
        if (!s.peers.empty()) out.push_back(s);
      }
    }
  }
  return out;
}

TEST(PeerSamples, EveryParagraphOfEveryPeerInOrder) {
  const std::vector<Sample> samples = Samples();
  if (samples.empty()) GTEST_SKIP() << "no shared samples at " << kFormats;
  testing::TempDir out;
  for (const Sample& s : samples) {
    ConvertJob job;
    job.input = s.book;
    job.output_dir = out.path();
    job.replace = true;
    const ConvertOutcome outcome = ConvertFile(job, convert::ReadContext{});
    const std::string first_peer = testing::ReadBytes(s.peers.front());
    if (first_peer.rfind("[", 0) == 0 && first_peer.find("failed") != std::string::npos) {
      // Every peer refused it; so must we, with a message and no file.
      EXPECT_FALSE(outcome.status.ok()) << s.book;
      EXPECT_FALSE(fs::exists(TextOutputPath(s.book, out.path())));
      continue;
    }
    ASSERT_TRUE(outcome.status.ok()) << s.book << ": " << outcome.status.message();
    const std::string ours = AsUtf8(testing::ReadBytes(outcome.output));
    EXPECT_EQ(ours.find("\xEF\xBF\xBD"), std::string::npos) << s.book << ": undecodable characters";
    const std::string flat = Normalise(ours);
    for (const fs::path& peer : s.peers) {
      const std::vector<std::string> paragraphs = Paragraphs(AsUtf8(testing::ReadBytes(peer)));
      std::size_t at = 0, found = 0;
      std::vector<std::string> missing;
      for (const std::string& p : paragraphs) {
        const std::size_t hit = flat.find(p, at);
        if (hit == std::string::npos) {
          missing.push_back(p);
          continue;
        }
        ++found;
        at = hit + p.size();
      }
      std::printf("  %s: %zu/%zu paragraphs in order\n", peer.filename().c_str(), found, paragraphs.size());
      EXPECT_EQ(found, paragraphs.size())
          << peer.filename() << ": first missing: " << (missing.empty() ? "" : missing.front());
      if (peer.filename().string().find(".truth.") == std::string::npos) continue;
      // The perfect text: each heading and paragraph is a line of ours.
      const std::vector<std::string> lines = Paragraphs(ours);
      std::size_t line = 0, whole = 0;
      for (const std::string& p : paragraphs) {
        std::size_t k = line;
        while (k < lines.size() && lines[k] != p) ++k;
        if (k == lines.size()) continue;
        ++whole;
        line = k + 1;
      }
      EXPECT_EQ(whole, paragraphs.size()) << peer.filename() << ": paragraphs not on lines of their own";
    }
  }
}

}  // namespace
}  // namespace folian::app
