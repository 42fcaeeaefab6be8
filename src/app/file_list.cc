#include "app/file_list.h"

#include <cstdlib>
#include <utility>

#include "app/name_numbers.h"

namespace folian::app {
namespace {

long long SizeValue(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

const std::string& ColumnText(const FileRow& r, int column) {
  switch (column) {
    case 1: return r.size;
    case 2: return r.created;
    case 3: return r.modified;
    default: return r.name;
  }
}

bool ByteWiseAfter(const std::string& a, const std::string& b, bool ascending) {
  const int c = a.compare(b);
  return ascending ? c > 0 : c < 0;
}

bool NumbersAfter(const FileRow& a, const FileRow& b, const NameValues& va, const NameValues& vb,
                  bool up) {
  const auto [x, y] = PairValues(va, vb);
  if (x == -1 && y == -1) return ByteWiseAfter(a.name, b.name, up);
  return up ? x < y : x > y;
}

// A merge sort that only asks "is A placed after B": stable, and safe with a
// comparison that is not a strict order (the numbers of a pair depend on both
// names, so the name comparison need not be transitive).
template <typename After>
void MergeSort(std::vector<std::size_t>& order, After after) {
  std::vector<std::size_t> tmp(order.size());
  for (std::size_t width = 1; width < order.size(); width *= 2) {
    for (std::size_t lo = 0; lo < order.size(); lo += 2 * width) {
      const std::size_t mid = std::min(lo + width, order.size());
      const std::size_t hi = std::min(lo + 2 * width, order.size());
      std::size_t i = lo, j = mid, k = lo;
      while (i < mid && j < hi) tmp[k++] = after(order[i], order[j]) ? order[j++] : order[i++];
      while (i < mid) tmp[k++] = order[i++];
      while (j < hi) tmp[k++] = order[j++];
    }
    order.swap(tmp);
  }
}

}  // namespace

bool PlacedAfter(const FileRow& a, const FileRow& b, int column, bool up, bool names_as_numbers,
                 bool scan_running) {
  if (column == 1) {
    const long long x = SizeValue(a.size), y = SizeValue(b.size);
    return up ? x > y : x < y;
  }
  if (column != 0 || !names_as_numbers) {
    return ByteWiseAfter(ColumnText(a, column), ColumnText(b, column), up);
  }
  if (scan_running) return ByteWiseAfter(a.name, b.name, true);
  return NumbersAfter(a, b, ValuesOfName(a.name), ValuesOfName(b.name), up);
}

void FileList::Clear() { rows_.clear(); }

void FileList::Assign(std::vector<FileRow> rows) { rows_ = std::move(rows); }

void FileList::Insert(int index, FileRow row) {
  if (index < 0) index = 0;
  if (index > size()) index = size();
  rows_.insert(rows_.begin() + index, std::move(row));
}

void FileList::Erase(int index) {
  if (index < 0 || index >= size()) return;
  rows_.erase(rows_.begin() + index);
}

int FileList::FirstSelected() const {
  for (int i = 0; i < size(); ++i) {
    if (rows_[static_cast<std::size_t>(i)].selected) return i;
  }
  return -1;
}

void FileList::SelectOnly(int index) {
  for (int i = 0; i < size(); ++i) rows_[static_cast<std::size_t>(i)].selected = (i == index);
}

void FileList::SetAllChecked(bool checked) {
  for (FileRow& r : rows_) r.checked = checked;
}

void FileList::SetAllSelected(bool selected) {
  for (FileRow& r : rows_) r.selected = selected;
}

void FileList::SortByColumn(int column, bool names_as_numbers, bool scan_running) {
  if (column < 0 || column >= kColumnCount) return;
  const bool up = (up_[static_cast<std::size_t>(column)] = !up_[static_cast<std::size_t>(column)]);
  std::vector<std::size_t> order(rows_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (column == 0 && names_as_numbers && !scan_running) {
    std::vector<NameValues> values;
    values.reserve(rows_.size());
    for (const FileRow& r : rows_) values.push_back(ValuesOfName(r.name));
    MergeSort(order, [&](std::size_t a, std::size_t b) {
      return NumbersAfter(rows_[a], rows_[b], values[a], values[b], up);
    });
  } else {
    MergeSort(order, [&](std::size_t a, std::size_t b) {
      return PlacedAfter(rows_[a], rows_[b], column, up, names_as_numbers, scan_running);
    });
  }
  std::vector<FileRow> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i : order) sorted.push_back(std::move(rows_[i]));
  rows_ = std::move(sorted);
}

MoveResult FileList::Move(MoveKind kind) {
  const int from = FirstSelected();
  if (from < 0) return MoveResult::kNoSelection;
  const int last = size() - 1;
  if ((kind == MoveKind::kTop || kind == MoveKind::kUp) && from == 0) {
    return MoveResult::kAlreadyFirst;
  }
  if ((kind == MoveKind::kDown || kind == MoveKind::kBottom) && from == last) {
    return MoveResult::kAlreadyLast;
  }
  int to = 0;
  switch (kind) {
    case MoveKind::kTop: to = 0; break;
    case MoveKind::kUp: to = from - 1; break;
    case MoveKind::kDown: to = from + 1; break;
    case MoveKind::kBottom: to = last; break;
  }
  FileRow moved;
  moved.name = rows_[static_cast<std::size_t>(from)].name;
  moved.size = rows_[static_cast<std::size_t>(from)].size;
  moved.checked = rows_[static_cast<std::size_t>(from)].checked;
  rows_.erase(rows_.begin() + from);
  rows_.insert(rows_.begin() + to, std::move(moved));
  SelectOnly(to);
  return MoveResult::kMoved;
}

std::vector<std::string> FileList::RemoveSelected() {
  std::vector<std::string> names;
  std::vector<FileRow> kept;
  for (FileRow& r : rows_) {
    if (r.selected) {
      names.push_back(r.name);
    } else {
      kept.push_back(std::move(r));
    }
  }
  rows_ = std::move(kept);
  return names;
}

}  // namespace folian::app
