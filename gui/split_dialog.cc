#include "split_dialog.h"

#include <QFileDialog>

#include "app/merge_split_messages.h"
#include "app/split_session.h"
#include "ui_split_dialog.h"

using folian::app::SplitMode;
using folian::app::SplitSession;

namespace {
QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }
}  // namespace

SplitDialog::SplitDialog(SplitSession& session, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::SplitDialog>()), session_(session) {
  ui_->setupUi(this);
  ui_->prefixEdit->setText(Q(session_.prefix()));
  ui_->folderEdit->setText(Q(session_.folder().string()));
  ui_->patternEdit->setText(Q(session_.patternText()));
  ui_->byChapter->setChecked(true);
  ui_->removeButton->setEnabled(false);
  ShowMode();

  connect(ui_->byChapter, &QRadioButton::toggled, this, [this] {
    ShowMode();
    (ui_->bySize->isChecked() ? ui_->sizeEdit : ui_->patternEdit)->setFocus();
  });
  connect(ui_->analyseButton, &QPushButton::clicked, this,
          [this] { session_.Analyse(ui_->patternEdit->text().toStdString()); });
  connect(ui_->stopButton, &QPushButton::clicked, this, [this] { session_.StopAnalysis(); });
  connect(ui_->chapterList, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    session_.SelectChapter(row);
    ui_->removeButton->setEnabled(true);
  });
  connect(ui_->removeButton, &QPushButton::clicked, this, [this] {
    const int row = ui_->chapterList->currentRow();
    if (row >= 0 && session_.RemoveChapter(row)) ui_->removeButton->setEnabled(false);
  });
  connect(ui_->browseButton, &QToolButton::clicked, this, [this] {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QString::fromUtf8(folian::app::msg::kSplitFolderTitle), ui_->folderEdit->text());
    if (chosen.isEmpty()) return;
    session_.ChooseFolder(chosen.toStdString());
    ui_->folderEdit->setText(chosen);
  });
  connect(ui_->okButton, &QPushButton::clicked, this, &SplitDialog::Accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);

  session_.SetOnChange([this] { ShowChapters(); });
  session_.Analyse(session_.patternText());
  ui_->sizeEdit->setFocus();
}

SplitDialog::~SplitDialog() { session_.SetOnChange(nullptr); }

void SplitDialog::ShowChapters() {
  QStringList titles;
  const int n = static_cast<int>(session_.chapters().size());
  titles.reserve(n);
  for (int i = 0; i < n; ++i) titles << Q(session_.chapterTitle(i));
  {
    const QSignalBlocker block(ui_->chapterList);
    ui_->chapterList->clear();
    ui_->chapterList->addItems(titles);
  }
  ui_->removeButton->setEnabled(false);
  ui_->stopButton->setVisible(session_.analysing());
  ShowMode();
}

void SplitDialog::ShowMode() {
  const bool by_size = ui_->bySize->isChecked();
  ui_->sizeEdit->setEnabled(by_size);
  ui_->patternEdit->setEnabled(!by_size);
  ui_->analyseButton->setEnabled(!by_size);
  ui_->stopButton->setVisible(session_.analysing());
  // The chapter list is not complete while it is being found.
  ui_->okButton->setEnabled(by_size || !session_.analysing());
}

void SplitDialog::Accept() {
  const SplitMode mode = ui_->bySize->isChecked() ? SplitMode::kBySize : SplitMode::kByChapter;
  if (session_.Accept(mode, ui_->prefixEdit->text().toStdString(),
                      ui_->sizeEdit->text().toStdString())) {
    accept();
  }
}
