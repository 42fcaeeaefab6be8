// Text files on disk <-> the program's text (GBK bytes): the byte-order-mark
// class, the encoding detector, loading into a document and saving back in
// the encoding the file had.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace folian::text {

// The file's byte-order-mark class.
enum BomClass : int {
  kBomCannotOpen = -1,
  kBomAnsi = 1,
  kBomUtf8 = 2,
  kBomUtf16LE = 3,
  kBomUtf16BE = 4,
};

int probe_bom_class(const std::filesystem::path& path);
// The class of a file starting with `head` (only its first two bytes count).
int BomClassOfBytes(std::string_view head);

// How a document's text is stored on disk: its class and whether the file
// starts with a mark. Saving and every rewrite keep both.
struct StoredEncoding {
  int bom_class = kBomAnsi;
  bool mark = false;
  bool operator==(const StoredEncoding&) const = default;
};

struct LoadedText {
  std::string text;             // GBK bytes, embedded zeros as blanks
  StoredEncoding encoding;      // how the file stores it
  int codepage = 0;             // detected code page (status bar)
  int bom_flag = 0;             // detected BOM flag (status bar)
  std::size_t unmappable = 0;   // characters GBK could not hold (became "?")
  std::uintmax_t converted_size = 0;
};

// Loads a file into GBK text. False with `*error` when it cannot be read.
bool LoadTextFile(const std::filesystem::path& path, LoadedText* out,
                  std::string* error = nullptr);

// GBK text -> the bytes a file of `encoding` holds. `*unmappable` counts
// characters the target could not hold.
std::string EncodeForFile(std::string_view gbk, StoredEncoding encoding,
                          std::size_t* unmappable = nullptr);

// Writes GBK text to `path` in `encoding`, atomically. Refuses (false, with
// the count in `*error`) when characters would be lost, unless forced.
bool SaveTextFile(const std::filesystem::path& path, std::string_view gbk,
                  StoredEncoding encoding, std::string* error = nullptr);

struct SaveRequest {
  // Characters already lost when the document was loaded (LoadedText::unmappable):
  // writing makes that loss permanent, so it counts like a loss of the save itself.
  std::size_t loaded_loss = 0;
  bool force = false;
};
bool SaveTextFile(const std::filesystem::path& path, std::string_view gbk,
                  StoredEncoding encoding, const SaveRequest& request,
                  std::string* error = nullptr, std::size_t* lost = nullptr);

// The message the window shows after a save that succeeded.
inline constexpr char kSavedMessage[] = "文件已经保存!";

}  // namespace folian::text
