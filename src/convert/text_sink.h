// Where a converter's text goes. Readers turn untrusted bytes into text and
// hand it to a sink; they never open output files. The caller (the window's
// commands, the batch runner, the command line) decides where the text lands
// and writes it through the atomic writer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace folian::convert {

// The encoding of the text a reader produces, as it will be stored.
enum class TextEncoding {
  kGbk,       // ANSI (code page 936), no mark
  kUtf8,      // UTF-8 without a mark
  kUtf8Mark,  // UTF-8 with EF BB BF
  kUtf16Le,   // UTF-16LE with FF FE
};

// The mark a file in `encoding` starts with ("" for none).
std::string_view MarkOf(TextEncoding encoding);

class TextSink {
 public:
  virtual ~TextSink() = default;
  // Sets the encoding of everything appended; a reader calls it before its
  // first Append (and may call it again while nothing has been appended,
  // e.g. once it has seen the document's character set).
  virtual void SetEncoding(TextEncoding encoding) = 0;
  // Text bytes in that encoding, without a mark. False when the sink cannot
  // take more (its size cap is reached); the reader then stops with an error.
  virtual bool Append(std::string_view bytes) = 0;
};

// Collects the text in memory, up to a cap on its size.
class MemorySink : public TextSink {
 public:
  explicit MemorySink(std::size_t cap);
  void SetEncoding(TextEncoding encoding) override { encoding_ = encoding; }
  bool Append(std::string_view bytes) override;

  TextEncoding encoding() const { return encoding_; }
  const std::string& text() const { return text_; }
  std::string& text() { return text_; }
  bool overflowed() const { return overflowed_; }
  // The whole file: the encoding's mark, then the text.
  std::string FileBytes() const;

 private:
  std::size_t cap_;
  TextEncoding encoding_ = TextEncoding::kGbk;
  std::string text_;
  bool overflowed_ = false;
};

}  // namespace folian::convert
