// The File list: one row per text file of the Working folder with its four
// texts, a check box and a selected state. Sorting by a column (sizes,
// dates, names byte-wise or by the numbers in them), the move buttons and
// removal work on this model; the window only shows it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace folian::app {

struct FileRow {
  std::string name;      // the file system's own name (UTF-8)
  std::string size;      // bytes, decimal
  std::string created;   // "%04d.%02d.%02d %02d:%02d:%02d\n"
  std::string modified;  // "%04d-%02d-%02d %02d:%02d:%02d\n"
  bool checked = false;
  bool selected = false;
};

enum class MoveKind { kTop, kUp, kDown, kBottom };
enum class MoveResult { kMoved, kNoSelection, kAlreadyFirst, kAlreadyLast };

inline constexpr int kColumnCount = 4;

class FileList {
 public:
  const std::vector<FileRow>& rows() const { return rows_; }
  int size() const { return static_cast<int>(rows_.size()); }
  bool empty() const { return rows_.empty(); }
  FileRow& row(int i) { return rows_.at(static_cast<std::size_t>(i)); }
  const FileRow& row(int i) const { return rows_.at(static_cast<std::size_t>(i)); }

  void Clear();
  void Assign(std::vector<FileRow> rows);
  void Insert(int index, FileRow row);
  // Removes row `index` (nothing when out of range).
  void Erase(int index);
  // -1 when no row is selected.
  int FirstSelected() const;
  // Only `index` selected afterwards (-1 clears the selection).
  void SelectOnly(int index);
  void SetAllChecked(bool checked);
  void SetAllSelected(bool selected);

  // A header click: toggles the column's direction, then sorts. The order of
  // rows that compare as in order is kept.
  void SortByColumn(int column, bool names_as_numbers, bool scan_running);
  bool direction(int column) const { return up_.at(static_cast<std::size_t>(column)); }

  // Moves the first selected row; the moved row keeps its name and size,
  // loses its dates, and is the only selected row afterwards.
  MoveResult Move(MoveKind kind);

  // Removes the selected rows, returns their names in order.
  std::vector<std::string> RemoveSelected();

 private:
  std::vector<FileRow> rows_;
  std::array<bool, kColumnCount> up_{};
};

// Whether row A is placed after row B when sorting `column` in direction `up`.
bool PlacedAfter(const FileRow& a, const FileRow& b, int column, bool up, bool names_as_numbers,
                 bool scan_running);

}  // namespace folian::app
