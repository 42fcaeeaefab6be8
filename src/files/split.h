// Splitting a text into numbered piece files, by chapter or by size.
//
// By chapter (from the program's GBK text, e.g. the editor's): the text
// before the first chapter, when there is any, becomes PREFIX0000.txt, then
// chapter i becomes PREFIX%04d.txt. Each piece is written in the encoding
// (and with the mark) of the file the text came from.
//
// By size (from a file's bytes): pieces PREFIX_%03d.txt of whole lines, each
// closed once it holds at least the piece size. The file is cut in its own
// encoding at its own line ends, so nothing is re-encoded or cut inside a
// character. Lines are read as a text stream reads them (CR LF as one line
// feed) and written with CR LF; the size counts what is read, in the file's
// bytes. A last line without a line feed gets CR LF; a file that ends with a
// line feed gets one extra CR LF line at the end of its last piece. A line
// longer than the piece size is cut at a character boundary into chunks of
// at most the piece size, each ending with CR LF, and nothing of it is lost.
//
// Planning builds every piece in memory; WritePieces then writes them all or
// none: each is staged beside its name first, and only when every piece is
// on disk do they take their names. A piece that cannot be written is named,
// and no piece of the run is left behind.
//
// Tested by tests/files/split_test.cc and tests/files/write_fault_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "files/chapters.h"
#include "text/text_file.h"

namespace folian::files {

struct SplitPiece {
  std::filesystem::path path;
  std::string bytes;  // the file's content, encoded
};

struct SplitPlan {
  std::vector<SplitPiece> pieces;
  std::size_t unmappable = 0;  // characters the pieces' encoding cannot hold ("?")
};

// "PREFIX%04d.txt" and "PREFIX_%03d.txt" in `folder`.
std::filesystem::path ChapterPieceName(const std::filesystem::path& folder, std::string_view prefix,
                                       int number);
std::filesystem::path SizePieceName(const std::filesystem::path& folder, std::string_view prefix,
                                    int number);

// A prefix is a bare file-name start: no "/" and no NUL (it may be empty).
bool ValidPrefix(std::string_view prefix);

// Chapter starts must ascend and lie inside the text; others are ignored.
SplitPlan PlanChapterSplit(std::string_view gbk_text, std::span<const Chapter> chapters,
                           text::StoredEncoding encoding, const std::filesystem::path& folder,
                           std::string_view prefix);

// False (and no plan) when `piece_bytes` is 0 or not smaller than the file.
bool PlanSizeSplit(std::string_view file_bytes, std::uint64_t piece_bytes,
                   const std::filesystem::path& folder, std::string_view prefix, SplitPlan* plan);

// Pieces whose name is already taken, in plan order.
std::vector<std::filesystem::path> ExistingPieces(const SplitPlan& plan);
// Whether a piece would be written over `file` itself (the same file under
// any name).
bool PlanOverwrites(const SplitPlan& plan, const std::filesystem::path& file);

struct SplitResult {
  std::size_t written = 0;  // pieces in place when the call returns
  bool cancelled = false;
  std::filesystem::path failed;  // the piece that could not be written
  std::string error;
  // After a failure: pieces that had already replaced an existing file when
  // a later one could not take its name (a folder changed meanwhile), which
  // no undo can bring back. Empty on every ordinary failure.
  std::vector<std::filesystem::path> replaced;
  bool ok() const { return !cancelled && error.empty(); }
};

// Writes the pieces, all or none. Without `replace_existing` a piece whose
// name is taken fails (the file there is kept). Progress runs 0..pieces; a
// set cancel flag stops before the next piece, and nothing is written.
SplitResult WritePieces(const SplitPlan& plan, bool replace_existing,
                        ProgressSink* progress = nullptr, const CancelFlag* cancel = nullptr);

}  // namespace folian::files
