#include "window_tools.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "main_window.h"

using namespace folian::app;

namespace {

QString Q(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// The real dialogs: a table of planned renames and the batch rename form.
class DefaultToolDialogs final : public ToolDialogs {
 public:
  explicit DefaultToolDialogs(QWidget* parent) : parent_(parent) {}

  bool OpenWithDefaultProgram(const QString& file) override {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
  }

  void ShowReport(const QString& title, const QString& text) override {
    auto* dialog = new QDialog(parent_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    auto* view = new QPlainTextEdit(dialog);
    view->setObjectName(QStringLiteral("report"));
    view->setReadOnly(true);
    view->setPlainText(text);
    layout->addWidget(view);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(640, 420);
    dialog->show();
  }

  bool ConfirmRenames(const QString& title,
                      const std::vector<folian::files::RenameStep>& plan) override {
    QDialog dialog(parent_);
    dialog.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&dialog);
    auto* table = new QTableWidget(static_cast<int>(plan.size()), 3, &dialog);
    table->setHorizontalHeaderLabels({QStringLiteral("原文件名"), QStringLiteral("新文件名"),
                                      QStringLiteral("说明")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int i = 0; i < static_cast<int>(plan.size()); ++i) {
      const auto& step = plan[static_cast<std::size_t>(i)];
      table->setItem(i, 0, new QTableWidgetItem(Q(step.from)));
      table->setItem(i, 1, new QTableWidgetItem(Q(step.to)));
      table->setItem(i, 2, new QTableWidgetItem(step.problem.empty()
                                                    ? QString()
                                                    : QStringLiteral("跳过：") + Q(step.problem)));
    }
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(640, 400);
    return dialog.exec() == QDialog::Accepted;
  }

  std::optional<folian::files::RenamePattern> AskRenamePattern() override {
    QDialog dialog(parent_);
    dialog.setWindowTitle(QStringLiteral("文件批更名"));
    auto* form = new QFormLayout(&dialog);
    auto* numbered = new QRadioButton(QStringLiteral("前缀加编号"), &dialog);
    auto* prefix = new QLineEdit(&dialog);
    auto* first = new QSpinBox(&dialog);
    first->setRange(0, 999999);
    first->setValue(1);
    auto* digits = new QSpinBox(&dialog);
    digits->setRange(0, 9);
    digits->setValue(3);
    auto* replace = new QRadioButton(QStringLiteral("查找替换"), &dialog);
    auto* find = new QLineEdit(&dialog);
    auto* with = new QLineEdit(&dialog);
    numbered->setChecked(true);
    form->addRow(numbered);
    form->addRow(QStringLiteral("前缀："), prefix);
    form->addRow(QStringLiteral("起始编号："), first);
    form->addRow(QStringLiteral("编号位数："), digits);
    form->addRow(replace);
    form->addRow(QStringLiteral("将字符串："), find);
    form->addRow(QStringLiteral("替换为："), with);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    folian::files::RenamePattern p;
    p.kind = numbered->isChecked() ? folian::files::RenamePattern::Kind::kNumbered
                                   : folian::files::RenamePattern::Kind::kReplace;
    p.prefix = prefix->text().toStdString();
    p.first = first->value();
    p.digits = digits->value();
    p.find = find->text().toStdString();
    p.replace = with->text().toStdString();
    return p;
  }

 private:
  QWidget* parent_;
};

}  // namespace

WindowTools::WindowTools(MainWindow& window, ToolDialogs* dialogs)
    : QObject(&window),
      window_(window),
      own_dialogs_(dialogs ? nullptr : std::make_unique<DefaultToolDialogs>(&window)),
      dialogs_(dialogs ? dialogs : own_dialogs_.get()),
      batch_(window.shell(), *this),
      commands_(window.shell(), *this),
      converters_(window.shell()),
      books_(window.shell()) {
  // Stopping a run: a button beside the progress bar while it shows (the
  // window itself takes Esc).
  stop_ = new QPushButton(QStringLiteral("停止"));
  stop_->setToolTip(QStringLiteral("停止批处理（Esc）"));
  stop_->setVisible(false);
  window_.statusBar()->addPermanentWidget(stop_);
  window_.progressBar()->installEventFilter(this);
  connect(stop_, &QPushButton::clicked, this, &WindowTools::Stop);
  Connect();
}

WindowTools::~WindowTools() = default;

void WindowTools::Stop() {
  if (window_.shell().busy()) window_.shell().RequestStop();
}

bool WindowTools::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_.progressBar()) {
    if (event->type() == QEvent::Show) stop_->setVisible(true);
    if (event->type() == QEvent::Hide) stop_->setVisible(false);
  }
  return QObject::eventFilter(watched, event);
}

void WindowTools::Connect() {
  auto on_click = [this](ControlId id, auto fn) {
    if (auto* button = qobject_cast<QAbstractButton*>(window_.control(id))) {
      connect(button, &QAbstractButton::clicked, this, fn);
    }
  };
  on_click(kAdReport, [this] { commands_.AdReport(); });
  on_click(kFindGarbled, [this] { commands_.FindGarbled(); });
  on_click(kNextGarbled, [this] { commands_.NextGarbled(); });
  on_click(kRepairGarbled, [this] { commands_.RepairGarbled(); });
  on_click(kFindHardReturn, [this] { commands_.FindHardReturn(); });
  on_click(kNextHardReturn, [this] { commands_.NextHardReturn(); });
  on_click(kBracketCheck, [this] { commands_.CheckBrackets(); });
  on_click(kNextBracket, [this] { commands_.NextBracket(); });
  on_click(kNormaliseNames, [this] { commands_.NormaliseNames(); });
  on_click(kBatchRename, [this] { commands_.BatchRename(); });
  on_click(kDirectoryMerge, [this] { commands_.MergeDirectories(); });
  // Every converter button of the table, the same way; the two that pack
  // the Current document as a book.
  for (const ConverterButton& b : ConverterButtons()) {
    on_click(b.id, [this, id = b.id] { converters_.Run(id); });
  }
  on_click(kTxt2Umd, [this] { books_.Txt2Umd(); });
  on_click(kTxt2Jar, [this] { books_.Txt2Jar(); });
}

bool WindowTools::OpenWithDefaultProgram(const std::filesystem::path& file) {
  return dialogs_->OpenWithDefaultProgram(QString::fromStdString(file.string()));
}

void WindowTools::ShowReport(std::string_view title, std::string_view utf8) {
  QString text = Q(utf8);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  dialogs_->ShowReport(Q(title), text);
}

void WindowTools::RunAfter(std::chrono::milliseconds delay, std::function<void()> task) {
  QTimer::singleShot(static_cast<int>(delay.count()), this, std::move(task));
}

std::optional<std::string> WindowTools::ClipboardText() {
  const QString text = QApplication::clipboard()->text();
  if (text.isEmpty()) return std::nullopt;
  return text.toStdString();
}

bool WindowTools::ConfirmRenames(std::string_view title,
                                 const std::vector<folian::files::RenameStep>& plan) {
  return dialogs_->ConfirmRenames(Q(title), plan);
}

std::optional<folian::files::RenamePattern> WindowTools::AskRenamePattern() {
  return dialogs_->AskRenamePattern();
}
