// The phone e-book archive (a MIDlet JAR) that txt2jar writes and the names
// Jar2txt looks for.
//
// The book is entry "1" (UTF-16LE; "HB" or the byte-order mark first), entry
// "0" a small record of book information, and META-INF/MANIFEST.MF. Other
// producers split the book into numbered parts "0", "1", "2"..., or keep it
// in "ebook/txt/1.txt" (UTF-16LE), or in UTF-8 files under "data/<folder>/".
#pragma once

#include <cstddef>

namespace folian::convert::jar {

inline constexpr char kInfoEntry[] = "0";
inline constexpr char kTextEntry[] = "1";
inline constexpr char kManifestEntry[] = "META-INF/MANIFEST.MF";
inline constexpr char kMetaFolder[] = "META-INF/";
inline constexpr char kEbookTextEntry[] = "ebook/txt/1.txt";
inline constexpr char kDataFolder[] = "data/";
inline constexpr char kDataInfoName[] = "info";

// The name of the reader program the manifest announces.
inline constexpr char kMidletName[] = "ZUrir";
inline constexpr char kMidletClass[] = "ZoriVuva";
// Our addresses for the manifest's info line and the contact line of entry
// "0"; the .invalid domain says that there is no site behind them.
inline constexpr char kInfoUrl[] = "https://folian.invalid/";
inline constexpr char kContactUrl[] = "https://folian.invalid/";

// The text entry of our writer starts with these two bytes in place of a mark.
inline constexpr char kAnsiTextPrefix[] = "HB";

// Entry "0" below this size is the information record of a book whose text
// is entry "1"; numbered entries of at most kPartMinBytes - 1 bytes are not
// parts of the book.
inline constexpr std::size_t kSmallInfoEntry = 1024;
inline constexpr std::size_t kPartMinBytes = 1024;

// Entry "0" gives each text a one-byte count.
inline constexpr std::size_t kMaxInfoText = 255;

}  // namespace folian::convert::jar
