// The folder scan: the ".txt", ".htm" and ".html" files of a folder (the
// extension in any letter case), with size and dates, as File list rows.
// Pure: safe to run on a worker thread.
#pragma once

#include <filesystem>
#include <vector>

#include "app/file_list.h"
#include "common/progress.h"

namespace folian::app {

bool IsListedExtension(const std::filesystem::path& name);

// Rows in byte-wise name order (the order a folder listing gives on the
// original platform). A folder that cannot be read gives no rows.
std::vector<FileRow> ScanFolder(const std::filesystem::path& folder,
                                const CancelFlag* cancel = nullptr);

// One row for a file (converters and merges insert rows this way too).
FileRow RowForFile(const std::filesystem::path& path);

}  // namespace folian::app
