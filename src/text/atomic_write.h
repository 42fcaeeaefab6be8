// The one way this program writes a file: a temporary file in the same
// folder, flushed, then renamed over the target (keeping its permissions).
// A failed write never truncates or damages what was there.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "text/text_limits.h"

namespace folian::text {

// What to do when the target exists at the moment the new file takes its name.
enum class ExistingFile {
  kReplace,  // the new content replaces it
  kKeep,     // the write fails ("already exists") and the file stays as it is
};

// When the rename into the folder is made durable. A caller writing many files
// into one folder syncs the folder once after the last (SyncFolder) instead
// of once per file, which costs as much again as the files' own flushes.
enum class FolderSync {
  kNow,
  kByCaller,
};

// Returns true on success; on failure `*error` (if given) names the file and
// the reason, and the target is untouched.
bool WriteFileAtomic(const std::filesystem::path& target, std::string_view data,
                     std::string* error = nullptr, ExistingFile existing = ExistingFile::kReplace,
                     FolderSync sync = FolderSync::kNow);

// Makes the renames of earlier writes into `folder` durable.
bool SyncFolder(const std::filesystem::path& folder, std::string* error = nullptr);

// Reads the whole file; false (with `*error`) when it cannot or when it holds
// more than `max_bytes` (the text cap unless a reader states its own), which
// is refused before anything is read.
bool ReadWholeFile(const std::filesystem::path& path, std::string* data,
                   std::string* error = nullptr, std::uint64_t max_bytes = kMaxTextFileBytes);
// The same for an open descriptor (standard input), read to its end; `name`
// stands for it in messages. The descriptor stays open.
bool ReadWholeStream(int fd, const std::filesystem::path& name, std::string* data,
                     std::string* error = nullptr, std::uint64_t max_bytes = kMaxTextFileBytes);

}  // namespace folian::text
