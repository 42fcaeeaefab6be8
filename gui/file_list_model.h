// The File list shown in a table view: four columns, check boxes; the rows
// live in the shell's FileList, this only presents them.
#pragma once

#include <QAbstractTableModel>
#include <functional>

#include "app/file_list.h"

class FileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // `on_check` is told when the user toggles a row's check box.
  FileListModel(const folian::app::FileList& list, std::function<void(int, bool)> on_check,
                QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The rows changed in the shell.
  void Refresh();

 private:
  const folian::app::FileList& list_;
  std::function<void(int, bool)> on_check_;
};
