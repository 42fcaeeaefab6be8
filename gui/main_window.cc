#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedLayout>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/common_patterns.h"
#include "app/messages.h"
#include "app/options_store.h"
#include "app/settings_store.h"
#include "file_list_model.h"
#include "gbk_editor.h"
#include "icons.h"
#include "options_dialog.h"
#include "prompter.h"
#include "qt_task_runner.h"

using namespace folian::app;

namespace {

QString Q(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

constexpr char kWindowCaption[] = "Folian txt 文件格式整理器   Folian论坛原创首发";

}  // namespace

MainWindow::MainWindow(folian::tidy::TidyOptions options, std::filesystem::path options_store,
                       Prompter* prompter, QWidget* parent)
    : QMainWindow(parent),
      own_prompter_(prompter ? nullptr : std::make_unique<DialogPrompter>(this)),
      prompter_(prompter ? prompter : own_prompter_.get()),
      runner_(std::make_unique<QtTaskRunner>(this)),
      settings_path_(options_store.empty() ? SettingsPath() : options_store) {
  shell_ = std::make_unique<Shell>(*this, *runner_, options, std::move(options_store));
  setWindowTitle(QString::fromUtf8(kWindowCaption));
  setWindowIcon(MakeIcon(IconKind::kApp));
  BuildUi();
  BuildMenu();
  BuildStatusBar();
  Connect();
  ApplyFont();
  resize(1100, 760);
}

MainWindow::~MainWindow() {
  shell_->RequestStop();
  runner_->Shutdown();
}

// --- layout ---

void MainWindow::Register(ControlId id, QWidget* widget) {
  widget->setObjectName(QStringLiteral("c%1").arg(static_cast<int>(id)));
  controls_[id] = widget;
}

QWidget* MainWindow::control(ControlId id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

QLabel* MainWindow::statusPart(int part) const {
  return part >= 0 && part < 5 ? status_[part] : nullptr;
}

bool MainWindow::idle() const { return runner_->Idle() && !shell_->busy(); }

void MainWindow::BuildUi() {
  auto icon_button = [this](ControlId id, IconKind kind, const char* tip) {
    auto* b = new QToolButton;
    b->setIcon(MakeIcon(kind));
    b->setIconSize(QSize(24, 24));
    b->setAutoRaise(false);
    if (tip) b->setToolTip(QString::fromUtf8(tip));
    Register(id, b);
    return b;
  };
  auto button = [this](ControlId id, const char* text) {
    auto* b = new QPushButton(QString::fromUtf8(text));
    b->setAutoDefault(false);
    Register(id, b);
    return b;
  };

  // Left: the Working folder and the File list with its move buttons.
  auto* left = new QVBoxLayout;
  auto* folder_row = new QHBoxLayout;
  folder_row->addWidget(icon_button(kBrowse, IconKind::kBrowse, nullptr));
  auto* path = new QLineEdit;
  path->setReadOnly(true);
  Register(kFolderPath, path);
  folder_row->addWidget(path, 1);
  left->addLayout(folder_row);

  auto* list_row = new QHBoxLayout;
  list_view_ = new QTableView;
  model_ = new FileListModel(
      shell_->file_list(), [this](int row, bool on) { shell_->SetRowChecked(row, on); }, this);
  list_view_->setModel(model_);
  list_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_view_->setShowGrid(true);
  list_view_->setWordWrap(false);
  list_view_->verticalHeader()->setVisible(false);
  list_view_->verticalHeader()->setDefaultSectionSize(list_view_->fontMetrics().height() + 6);
  list_view_->horizontalHeader()->setSectionsClickable(true);
  list_view_->horizontalHeader()->setStretchLastSection(true);
  list_view_->setContextMenuPolicy(Qt::CustomContextMenu);
  list_view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  const int widths[] = {180, 80, 150, 150};
  for (int c = 0; c < 4; ++c) list_view_->setColumnWidth(c, widths[c]);
  Register(kFileList, list_view_);
  list_row->addWidget(list_view_, 1);
  auto* moves = new QVBoxLayout;
  moves->addWidget(icon_button(kMoveTop, IconKind::kTop, nullptr));
  moves->addWidget(icon_button(kMoveUp, IconKind::kUp, nullptr));
  moves->addWidget(icon_button(kMoveDown, IconKind::kDown, nullptr));
  moves->addWidget(icon_button(kMoveBottom, IconKind::kBottom, nullptr));
  moves->addStretch(1);
  list_row->addLayout(moves);
  left->addLayout(list_row, 1);

  // Right: the tool buttons, the find/replace panel and the converters.
  auto* right = new QVBoxLayout;
  auto* tools = new QHBoxLayout;
  tools->addWidget(icon_button(kCut, IconKind::kCut, "剪切"));
  tools->addWidget(icon_button(kCopy, IconKind::kCopy, "复制"));
  tools->addWidget(icon_button(kPaste, IconKind::kPaste, "粘贴"));
  tools->addWidget(icon_button(kSave, IconKind::kSave, "保存"));
  tools->addWidget(icon_button(kOptions, IconKind::kOptions, "选项设置"));
  tools->addWidget(icon_button(kTidy, IconKind::kTidy, "格式整理"));
  tools->addWidget(icon_button(kAdReport, IconKind::kAdReport, "广告检查"));
  tools->addSpacing(12);
  tools->addWidget(new QLabel(QStringLiteral("简繁转换")));
  auto* script = new QComboBox;
  for (const char* item : ScriptConversionItems()) script->addItem(QString::fromUtf8(item));
  Register(kScriptConvert, script);
  tools->addWidget(script, 1);
  right->addLayout(tools);

  auto* garbled = new QHBoxLayout;
  garbled->addWidget(button(kFindGarbled, "查找乱码"));
  garbled->addWidget(button(kNextGarbled, "下一处"));
  garbled->addWidget(button(kRepairGarbled, "乱码修复"));
  for (auto [id, text] : {std::pair{kFindHardReturn, "查找硬回车"},
                          std::pair{kNextHardReturn, "查找下一个硬回车"},
                          std::pair{kBracketCheck, "括号匹配检查"},
                          std::pair{kNextBracket, "查找下一个匹配"}}) {
    QPushButton* hidden = button(id, text);
    hidden->setVisible(false);
    garbled->addWidget(hidden);
  }
  garbled->addStretch(1);
  right->addLayout(garbled);

  auto* find_group = new QGroupBox(QStringLiteral("串替换"));
  auto* grid = new QGridLayout(find_group);
  grid->addWidget(new QLabel(QStringLiteral("将字符串：")), 0, 0);
  auto* find = new QLineEdit;
  Register(kFindField, find);
  grid->addWidget(find, 0, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("替换为：")), 1, 0);
  auto* replace = new QLineEdit;
  Register(kReplaceField, replace);
  grid->addWidget(replace, 1, 1, 1, 3);
  auto* regex = new QCheckBox(QStringLiteral("使用正则表达式进行替换"));
  Register(kRegexMode, regex);
  grid->addWidget(regex, 2, 0, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("常用正则表达式")), 2, 2);
  auto* patterns = new QComboBox;
  for (const CommonPattern& p : CommonPatterns()) patterns->addItem(QString::fromUtf8(p.label));
  Register(kCommonPatterns, patterns);
  grid->addWidget(patterns, 2, 3);
  auto* find_buttons = new QHBoxLayout;
  find_buttons->addWidget(button(kFind, "查找*"));
  find_buttons->addWidget(button(kFindNext, "查找下一个"));
  find_buttons->addWidget(button(kReplaceHere, "替换此处"));
  find_buttons->addWidget(button(kReplaceAll, "全部替换*"));
  grid->addLayout(find_buttons, 3, 0, 1, 4);
  auto* batch = new QCheckBox(QStringLiteral("批处理所有文件.(仅支持带 * 号的功能)"));
  Register(kBatchMode, batch);
  grid->addWidget(batch, 4, 0, 1, 4);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  right->addWidget(find_group);

  auto* encodings = new QHBoxLayout;
  encodings->addWidget(button(kConvertAnsi, "转换为Ansi*"));
  encodings->addWidget(button(kConvertUtf8, "转换为utf8*"));
  encodings->addWidget(button(kConvertUnicode, "转换为Unicode*"));
  for (auto [id, text] : {std::pair{kNormaliseNames, "规范化文件名"},
                          std::pair{kDirectoryMerge, "目录合并"},
                          std::pair{kBatchRename, "文件批更名"}}) {
    QPushButton* hidden = button(id, text);
    hidden->setVisible(false);
    encodings->addWidget(hidden);
  }
  right->addLayout(encodings);

  auto* convert_group = new QGroupBox(QStringLiteral("文件格式转换"));
  auto* convert_grid = new QGridLayout(convert_group);
  const std::pair<ControlId, const char*> converters[] = {
      {kHlp2Txt, "Hlp2txt"}, {kPdb2Txt, "Pdb2txt"}, {kJar2Txt, "Jar2txt"},
      {kHtm2Txt, "Htm2txt*"}, {kExe2Htm, "Exe2htm"}, {kRtf2Txt, "Rtf2txt"},
      {kPdf2Txt, "Pdf2txt"}, {kUmd2Txt, "Umd2txt"}, {kChm2Htm, "Chm2htm"},
      {kTxt2Jar, "txt2jar"}, {kDoc2Txt, "doc2txt"}, {kEpub2Txt, "ePub2txt"},
      {kTxt2Umd, "txt2umd"}};
  for (int i = 0; i < 13; ++i) {
    convert_grid->addWidget(button(converters[i].first, converters[i].second), i / 7, i % 7);
  }
  right->addWidget(convert_group);

  auto* bottom = new QHBoxLayout;
  auto* merge_group = new QGroupBox(QStringLiteral("文件合并分割"));
  auto* merge_row = new QHBoxLayout(merge_group);
  merge_row->addWidget(button(kMerge, "合并选定文件"));
  merge_row->addWidget(button(kSplit, "分割选定文件"));
  bottom->addWidget(merge_group);
  QPushButton* forum = button(kForum, "到Folian论坛提出改进意见");
  forum->setFlat(true);
  bottom->addWidget(forum, 0, Qt::AlignBottom);
  bottom->addStretch(1);
  right->addLayout(bottom);
  right->addStretch(1);

  auto* top = new QWidget;
  auto* top_layout = new QHBoxLayout(top);
  top_layout->setContentsMargins(6, 6, 6, 0);
  top_layout->addLayout(left, 5);
  top_layout->addLayout(right, 6);

  editor_ = new GbkEditor;
  editor_->setObjectName(QStringLiteral("c%1").arg(static_cast<int>(kEditor)));

  // The panel scrolls when the splitter gives it less than its controls
  // need, so the splitter moves both ways and the editor can have most of
  // a small window; the editor takes the space the window gains.
  panel_ = new QScrollArea;
  panel_->setObjectName(QStringLiteral("panel"));
  panel_->setWidget(top);
  panel_->setWidgetResizable(true);
  panel_->setFrameShape(QFrame::NoFrame);
  panel_->setMinimumHeight(60);
  editor_->setMinimumHeight(60);
  splitter_ = new QSplitter(Qt::Vertical);
  splitter_->addWidget(panel_);
  splitter_->addWidget(editor_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  splitter_->setChildrenCollapsible(false);
  setCentralWidget(splitter_);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (layout_applied_) return;
  layout_applied_ = true;
  // The sizes of the last close, scaled to this window; else the editor
  // gets half the height, or more when the panel needs less.
  WindowLayout stored;
  LoadWindowLayout(settings_path_, &stored);
  if (stored.top > 0 && stored.editor > 0) {
    splitter_->setSizes({stored.top, stored.editor});
    return;
  }
  if (layout() != nullptr) layout()->activate();
  const int total = splitter_->height() - splitter_->handleWidth();
  const int top = std::min(total / 2, panel_->widget()->sizeHint().height());
  splitter_->setSizes({top, total - top});
}

void MainWindow::BuildMenu() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
  QAction* exit = file->addAction(QStringLiteral("退出(&X)"));
  connect(exit, &QAction::triggered, this, &QWidget::close);
  QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
  wrap_action_ = edit->addAction(QStringLiteral("折行(&W)"));
  wrap_action_->setCheckable(true);
  connect(wrap_action_, &QAction::toggled, this, [this](bool on) {
    editor_->SetWordWrap(on);
    SaveFont();
  });
  QAction* font = edit->addAction(QStringLiteral("字体(&F)..."));
  connect(font, &QAction::triggered, this, &MainWindow::ChooseFont);
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < 5; ++i) {
    status_[i] = new QLabel;
    status_[i]->setObjectName(QStringLiteral("status%1").arg(i));
  }
  // The progress bar lies over the caret part while a run shows progress.
  auto* second = new QWidget;
  auto* stack = new QStackedLayout(second);
  stack->setContentsMargins(0, 0, 0, 0);
  progress_ = new QProgressBar;
  progress_->setRange(0, 100);
  progress_->setTextVisible(false);
  stack->addWidget(status_[1]);
  stack->addWidget(progress_);
  // Each part as wide as the longest text it shows (in this font), so
  // "行351:列577, 选定3字符" or a stage's name is never cut off.
  const QFontMetrics metrics = status_[0]->fontMetrics();
  auto width_of = [&metrics](const char* widest) {
    return metrics.horizontalAdvance(QString::fromUtf8(widest)) + 16;
  };
  status_[0]->setFixedWidth(std::max(180, width_of("正在清除残余的 HTML 标识")));
  second->setFixedWidth(width_of("行88888:列8888, 选定88888字符"));
  status_[2]->setFixedWidth(std::max(60, width_of("已更改")));
  status_[3]->setFixedWidth(width_of("编辑状态:插入"));
  bar->addWidget(status_[0]);
  bar->addWidget(second);
  bar->addWidget(status_[2]);
  bar->addWidget(status_[3]);
  bar->addWidget(status_[4], 1);
  status_[1]->setText(editor_->CaretText());
  status_[3]->setText(editor_->EditModeText());
}

void MainWindow::Connect() {
  auto on_click = [this](ControlId id, auto fn) {
    connect(static_cast<QAbstractButton*>(control(id)), &QAbstractButton::clicked, this, fn);
  };
  on_click(kBrowse, [this] { shell_->ChooseFolder(); });
  on_click(kMoveTop, [this] { shell_->Move(MoveKind::kTop); });
  on_click(kMoveUp, [this] { shell_->Move(MoveKind::kUp); });
  on_click(kMoveDown, [this] { shell_->Move(MoveKind::kDown); });
  on_click(kMoveBottom, [this] { shell_->Move(MoveKind::kBottom); });
  on_click(kCut, [this] { editor_->cut(); UpdateClipboardButtons(); });
  on_click(kCopy, [this] { editor_->copy(); UpdateClipboardButtons(); });
  on_click(kPaste, [this] { editor_->paste(); UpdateClipboardButtons(); });
  on_click(kSave, [this] { shell_->Save(); });
  on_click(kOptions, [this] { OpenOptionsDialog(); });
  on_click(kTidy, [this] { shell_->Tidy(); });
  on_click(kFind, [this] { shell_->Find(); });
  on_click(kFindNext, [this] { shell_->FindNext(); });
  on_click(kReplaceHere, [this] { shell_->ReplaceHere(); });
  on_click(kReplaceAll, [this] { shell_->ReplaceAll(); });
  on_click(kConvertAnsi, [this] { shell_->ConvertEncoding(folian::text::EncodingCommand::kToAnsi); });
  on_click(kConvertUtf8, [this] { shell_->ConvertEncoding(folian::text::EncodingCommand::kToUtf8); });
  on_click(kConvertUnicode,
           [this] { shell_->ConvertEncoding(folian::text::EncodingCommand::kToUnicode); });
  on_click(kForum, [this] { shell_->OpenForum(); });
  connect(static_cast<QCheckBox*>(control(kRegexMode)), &QCheckBox::clicked, this,
          [this](bool on) { shell_->SetRegexMode(on); });
  connect(static_cast<QCheckBox*>(control(kBatchMode)), &QCheckBox::clicked, this,
          [this](bool on) { shell_->SetBatchMode(on); });
  connect(static_cast<QComboBox*>(control(kCommonPatterns)), &QComboBox::activated, this,
          [this](int item) { shell_->SelectCommonPattern(item); });
  connect(static_cast<QComboBox*>(control(kScriptConvert)), &QComboBox::activated, this,
          [this](int item) { shell_->ConvertScript(item); });

  connect(list_view_, &QTableView::clicked, this,
          [this](const QModelIndex& index) { shell_->ClickRow(index.row()); });
  connect(list_view_, &QTableView::doubleClicked, this,
          [this](const QModelIndex& index) { shell_->ClickRow(index.row()); });
  connect(list_view_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { shell_->SortByColumn(column); });
  connect(list_view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { SyncSelectionFromList(); });
  connect(list_view_, &QWidget::customContextMenuRequested, this, &MainWindow::ShowFileListMenu);

  connect(editor_, &QPlainTextEdit::selectionChanged, this, &MainWindow::UpdateClipboardButtons);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
          &MainWindow::UpdateClipboardButtons);
  connect(editor_, &GbkEditor::caretTextChanged, status_[1], &QLabel::setText);
  connect(editor_, &GbkEditor::editModeChanged, status_[3], &QLabel::setText);
  connect(editor_->document(), &QTextDocument::undoAvailable, this, [this](bool changed) {
    status_[kStatusModified]->setText(changed ? QStringLiteral("已更改") : QString());
    shell_->EditorModifiedChanged(changed);
  });
}

void MainWindow::SyncSelectionFromList() {
  if (syncing_selection_) return;
  const QItemSelectionModel* sel = list_view_->selectionModel();
  for (int row = 0; row < model_->rowCount(); ++row) {
    shell_->SetRowSelected(row, sel->isRowSelected(row, QModelIndex()));
  }
}

void MainWindow::UpdateClipboardButtons() {
  const QMimeData* data = QApplication::clipboard()->mimeData();
  const bool has_text = data != nullptr && data->hasText() && !data->text().isEmpty();
  shell_->EditorSelectionChanged(editor_->textCursor().hasSelection(), has_text);
}

void MainWindow::ShowFileListMenu(const QPoint& pos) {
  if (shell_->busy() || shell_->file_list().FirstSelected() < 0) return;
  QMenu menu(this);
  QAction* rename = menu.addAction(QStringLiteral("文件更名"));
  QAction* remove_file = menu.addAction(QStringLiteral("删除文件"));
  QAction* remove_row = menu.addAction(QStringLiteral("从列表移除选定文件(不删除原文件)"));
  QAction* chosen = menu.exec(list_view_->viewport()->mapToGlobal(pos));
  if (chosen == rename) shell_->RenameSelectedRow();
  if (chosen == remove_file) shell_->RemoveSelectedRows(true);
  if (chosen == remove_row) shell_->RemoveSelectedRows(false);
}

OptionsDialog* MainWindow::OpenOptionsDialog(bool modal) {
  auto* dialog = new OptionsDialog(&shell_->options(), shell_->options_store(), prompter_, this);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  if (modal) {
    dialog->exec();
    return nullptr;
  }
  dialog->show();
  return dialog;
}

// --- the editor's font, kept between runs ---

void MainWindow::ApplyFont() {
  EditorFont stored;
  LoadEditorFont(settings_path_, &stored);
  QFont font = editor_->font();
  font.setFamilies({stored.face_name.empty() ? QStringLiteral("Noto Sans Mono CJK SC")
                                             : QString::fromStdString(stored.face_name),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("monospace")});
  font.setPointSizeF(stored.point_size > 0 ? stored.point_size / 10.0 : 11.0);
  editor_->setFont(font);
  editor_->setTabStopDistance(editor_->fontMetrics().averageCharWidth() * 4.0);
  const bool wrap = stored.wrap != 0;
  {
    const QSignalBlocker block(wrap_action_);
    wrap_action_->setChecked(wrap);
  }
  editor_->SetWordWrap(wrap);
}

void MainWindow::SaveFont() {
  EditorFont font;
  font.face_name = editor_->font().family().toStdString();
  font.point_size = static_cast<int>(editor_->font().pointSizeF() * 10 + 0.5);
  font.wrap = wrap_action_->isChecked() ? 1 : 0;
  SaveEditorFont(settings_path_, font);
}

void MainWindow::ChooseFont() {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, editor_->font(), this);
  if (!ok) return;
  editor_->setFont(font);
  editor_->setTabStopDistance(editor_->fontMetrics().averageCharWidth() * 4.0);
  SaveFont();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!shell_->Close()) {
    event->ignore();
    return;
  }
  SaveFont();
  if (layout_applied_) {
    const QList<int> sizes = splitter_->sizes();
    if (sizes.size() == 2) SaveWindowLayout(settings_path_, WindowLayout{sizes[0], sizes[1]});
  }
  event->accept();
}

// Esc stops a running worker; what it finished stays done.
void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && shell_->busy()) {
    shell_->RequestStop();
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

// --- ShellView ---

Answer MainWindow::AskYesNoCancel(std::string_view text, std::string_view caption) {
  return prompter_->AskYesNoCancel(Q(text), Q(caption));
}

bool MainWindow::AskOkCancel(std::string_view text, std::string_view caption) {
  return prompter_->AskOkCancel(Q(text), Q(caption));
}

void MainWindow::ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) {
  prompter_->ShowMessage(Q(text), Q(caption), icon);
}

std::optional<std::filesystem::path> MainWindow::ChooseFolder(std::string_view title) {
  auto folder = prompter_->ChooseFolder(Q(title));
  if (!folder) return std::nullopt;
  return std::filesystem::path(folder->toStdString());
}

std::optional<std::filesystem::path> MainWindow::AskSaveFileName(
    std::string_view title, const std::filesystem::path& folder) {
  auto file = prompter_->AskSaveFileName(Q(title), QString::fromStdString(folder.string()));
  if (!file) return std::nullopt;
  return std::filesystem::path(file->toStdString());
}

std::optional<std::filesystem::path> MainWindow::ChooseFile(std::string_view title,
                                                            std::string_view filter) {
  auto file = prompter_->ChooseFile(Q(title), Q(filter));
  if (!file) return std::nullopt;
  return std::filesystem::path(file->toStdString());
}

RenameMergeContext MainWindow::renameMergeContext() {
  RenameMergeContext context;
  context.working_folder = shell_->working_folder();
  context.editor_gbk = editor_->Gbk();
  if (const QMimeData* data = QApplication::clipboard()->mimeData(); data && data->hasText()) {
    context.clipboard_utf8 = data->text().toStdString();
  }
  context.name_source = &name_source_;
  context.save_folder = &merge_folder_;
  return context;
}

std::optional<std::string> MainWindow::AskNewName(std::string_view old_name) {
  auto name = prompter_->AskNewName(Q(old_name), renameMergeContext());
  if (!name) return std::nullopt;
  return name->toStdString();
}

void MainWindow::OpenHelpPage() {
  // Beside the binary first: the installed page for an installed window,
  // the build tree's copy for one run from there.
  const QString candidates[] = {
      QCoreApplication::applicationDirPath() + QStringLiteral("/../share/folian/help/index.html"),
      QStringLiteral(FOLIAN_DATA_INSTALL_DIR "/help/index.html"),
  };
  for (const QString& c : candidates) {
    if (QFileInfo::exists(c)) {
      prompter_->OpenUrl(QUrl::fromLocalFile(QFileInfo(c).canonicalFilePath()).toString());
      return;
    }
  }
  ShowMessage(folian::app::msg::kHelpMissing, kCaption, MessageIcon::kWarning);
}

void MainWindow::SetEnabled(ControlId id, bool enabled) {
  if (QWidget* w = control(id)) w->setEnabled(enabled);
}

void MainWindow::SetChecked(ControlId id, bool checked) {
  if (auto* box = qobject_cast<QCheckBox*>(control(id))) {
    const QSignalBlocker block(box);
    box->setChecked(checked);
  }
}

std::string MainWindow::FieldText(ControlId id) {
  if (auto* edit = qobject_cast<QLineEdit*>(control(id))) return edit->text().toStdString();
  return {};
}

void MainWindow::SetFieldText(ControlId id, std::string_view text) {
  if (auto* edit = qobject_cast<QLineEdit*>(control(id))) edit->setText(Q(text));
}

void MainWindow::SetCurrentItem(ControlId id, int index) {
  if (auto* combo = qobject_cast<QComboBox*>(control(id))) {
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index);
  }
}

void MainWindow::SetStatus(StatusPart part, std::string_view text) {
  if (QLabel* label = statusPart(part)) label->setText(Q(text));
}

void MainWindow::SetProgressVisible(bool visible) {
  auto* stack = static_cast<QStackedLayout*>(progress_->parentWidget()->layout());
  stack->setCurrentWidget(visible ? static_cast<QWidget*>(progress_) : status_[1]);
}

void MainWindow::SetProgress(int position) { progress_->setValue(position); }

void MainWindow::FileListChanged() {
  syncing_selection_ = true;
  model_->Refresh();
  QItemSelection selection;
  const FileList& list = shell_->file_list();
  for (int row = 0; row < list.size(); ++row) {
    if (list.row(row).selected) {
      selection.select(model_->index(row, 0), model_->index(row, kColumnCount - 1));
    }
  }
  list_view_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
  const int first = list.FirstSelected();
  if (first >= 0) {
    list_view_->selectionModel()->setCurrentIndex(model_->index(first, 0),
                                                  QItemSelectionModel::NoUpdate);
  }
  syncing_selection_ = false;
}

void MainWindow::ScrollToRow(int row) {
  if (row >= 0 && row < model_->rowCount()) list_view_->scrollTo(model_->index(row, 0));
}

std::string MainWindow::EditorText() { return editor_->Gbk(); }
void MainWindow::SetEditorText(std::string_view gbk) { editor_->SetGbk(gbk); }
void MainWindow::ReplaceEditorText(std::string_view gbk) { editor_->ReplaceAllGbk(gbk); }
void MainWindow::SelectBytes(std::size_t start, std::size_t length) {
  editor_->SelectBytes(start, length);
}
std::size_t MainWindow::SelectionStart() { return editor_->SelectionStartBytes(); }
std::size_t MainWindow::SelectionLength() { return editor_->SelectionLengthBytes(); }
void MainWindow::ReplaceSelection(std::string_view gbk) { editor_->ReplaceSelectionGbk(gbk); }
bool MainWindow::EditorCanUndo() { return editor_->CanUndo(); }
void MainWindow::ClearUndo() { editor_->ClearUndo(); }
void MainWindow::SetEditorEnabled(bool enabled) { editor_->setEnabled(enabled); }
