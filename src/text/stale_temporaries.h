// Temporary files of the atomic writer left behind by a process that was
// killed between creating and renaming them. Only names of our exact form
// (".NAME.PID.ATTEMPT.HEX16.tmp") whose writing process no longer exists are
// removed; anything else in the folder is never touched.
#pragma once

#include <filesystem>
#include <string_view>

namespace folian::text {

// The process id encoded in a temporary name of ours, or 0 when `file_name`
// is not one.
long TemporaryOwner(std::string_view file_name);

// Removes the stale temporaries directly inside `folder` and returns how many.
// A temporary is stale when it is a regular file owned by this user whose
// process id names no running process (this process's own are always in use).
// Errors (an unreadable folder, a file that cannot go) leave things as they are.
int RemoveStaleTemporaries(const std::filesystem::path& folder);

// The same, done at most once per folder per process: the atomic writer calls
// it before its first write into a folder, so any command that writes there
// clears what an earlier killed run left.
void RemoveStaleTemporariesOnce(const std::filesystem::path& folder);

}  // namespace folian::text
