#include "file_list_model.h"

FileListModel::FileListModel(const folian::app::FileList& list,
                             std::function<void(int, bool)> on_check, QObject* parent)
    : QAbstractTableModel(parent), list_(list), on_check_(std::move(on_check)) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : list_.size();
}

int FileListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : folian::app::kColumnCount;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= list_.size()) return {};
  const folian::app::FileRow& row = list_.row(index.row());
  if (role == Qt::CheckStateRole && index.column() == 0) {
    return row.checked ? Qt::Checked : Qt::Unchecked;
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  const std::string* text = nullptr;
  switch (index.column()) {
    case 0: text = &row.name; break;
    case 1: text = &row.size; break;
    case 2: text = &row.created; break;
    default: text = &row.modified; break;
  }
  // The date texts end with a line break; a cell shows one line.
  return QString::fromStdString(*text).trimmed();
}

bool FileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || index.column() != 0 || index.row() >= list_.size()) {
    return false;
  }
  const bool checked = value.toInt() == Qt::Checked;
  if (on_check_) on_check_(index.row(), checked);
  emit dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kHeaders[] = {"文件名", "文件大小", "创建日期", "最近修改日期"};
  if (section < 0 || section >= folian::app::kColumnCount) return {};
  return QString::fromUtf8(kHeaders[section]);
}

Qt::ItemFlags FileListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.column() == 0) f |= Qt::ItemIsUserCheckable;
  return f;
}

void FileListModel::Refresh() {
  beginResetModel();
  endResetModel();
}
