#include "merge_split_tools.h"

#include <QAbstractButton>

#include "main_window.h"
#include "split_dialog.h"

using namespace folian::app;

namespace {

// The real dialogs, modal over the window.
class DefaultMergeSplitDialogs final : public MergeSplitDialogs {
 public:
  explicit DefaultMergeSplitDialogs(QWidget* parent) : parent_(parent) {}

  std::optional<MergeChoice> AskMergeOptions(const RenameMergeContext& context) override {
    RenameMergeDialog dialog(RenameMergeDialog::Mode::kMerge, context, parent_);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return MergeChoiceOf(dialog);
  }

  bool RunSplitDialog(SplitSession& session) override {
    SplitDialog dialog(session, parent_);
    return dialog.exec() == QDialog::Accepted;
  }

 private:
  QWidget* parent_;
};

}  // namespace

MergeChoice MergeChoiceOf(const RenameMergeDialog& dialog) {
  MergeChoice choice;
  choice.name = dialog.name().toStdString();
  choice.chapter_names = dialog.chapterNames();
  choice.delete_originals = dialog.deleteOriginals();
  choice.folder = dialog.folder().toStdString();
  return choice;
}

MergeSplitTools::MergeSplitTools(MainWindow& window, MergeSplitDialogs* dialogs)
    : QObject(&window),
      window_(window),
      own_dialogs_(dialogs ? nullptr : std::make_unique<DefaultMergeSplitDialogs>(&window)),
      dialogs_(dialogs ? dialogs : own_dialogs_.get()),
      merge_(window.shell(), *this),
      split_(window.shell(), *this) {
  if (auto* b = qobject_cast<QAbstractButton*>(window_.control(kMerge))) {
    connect(b, &QAbstractButton::clicked, this, [this] { merge_.Merge(); });
  }
  if (auto* b = qobject_cast<QAbstractButton*>(window_.control(kSplit))) {
    connect(b, &QAbstractButton::clicked, this, [this] { split_.Split(); });
  }
}

MergeSplitTools::~MergeSplitTools() = default;

std::optional<MergeChoice> MergeSplitTools::AskMergeOptions() {
  return dialogs_->AskMergeOptions(window_.renameMergeContext());
}

bool MergeSplitTools::RunSplitDialog(SplitSession& session) {
  return dialogs_->RunSplitDialog(session);
}
