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

// A file written and flushed under a temporary name beside its target, not
// yet in place. A writer of several files that must all land or none stages
// them all first, then commits them (renames, which need no room on disk),
// or discards them all when one cannot be staged.
struct StagedFile {
  std::filesystem::path target;  // where it goes (a link's file, not the link)
  std::filesystem::path shown;   // the name the caller gave, for messages
  std::filesystem::path temp;
  ExistingFile existing = ExistingFile::kReplace;
  bool replaces = false;  // the target existed when staged
};

// Everything WriteFileAtomic does but the rename; on failure nothing is left
// behind and `*error` names the file.
bool StageFile(const std::filesystem::path& target, std::string_view data, StagedFile* staged,
               std::string* error = nullptr, ExistingFile existing = ExistingFile::kReplace);
// Renames the staged file into place (the folder's sync is the caller's); on
// failure the temporary file is removed and the target is untouched.
bool CommitStaged(const StagedFile& staged, std::string* error = nullptr);
// Removes the temporary file of a staged file that will not be committed.
void DiscardStaged(const StagedFile& staged);

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
