// The batch runs and the further commands as a user starts them from the
// Main window: buttons, the batch box, the stop button, the dialogs.
#include <QCheckBox>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "app/messages.h"
#include "app/tool_messages.h"
#include "window_fixture.h"
#include "window_tools.h"

using namespace folian::app;
namespace fs = std::filesystem;

namespace {

class TestToolDialogs final : public ToolDialogs {
 public:
  QStringList opened;
  std::vector<std::vector<folian::files::RenameStep>> previews;
  bool confirm = true;
  std::optional<folian::files::RenamePattern> pattern;

  QStringList reports;
  bool open_succeeds = true;

  bool OpenWithDefaultProgram(const QString& file) override {
    opened << file;
    return open_succeeds;
  }
  void ShowReport(const QString& title, const QString& text) override { reports << title + "\n" + text; }
  bool ConfirmRenames(const QString&, const std::vector<folian::files::RenameStep>& plan) override {
    previews.push_back(plan);
    return confirm;
  }
  std::optional<folian::files::RenamePattern> AskRenamePattern() override { return pattern; }
};

std::string Novel(int n) {
  std::string s = "第" + std::to_string(n) + "章 客栈\r\n";
  for (int k = 0; k < 20; ++k) {
    s += "  他走进客栈，看见一把宝剑挂在墙上，心中暗暗称奇，却不知道这把剑的来历究竟如何\r\n"
         "说来话长，且听下回分解。\r\n\r\n";
  }
  return G(s.c_str());
}

struct ToolsFixture : WindowFixture {
  TestToolDialogs dialogs;
  WindowTools tools{*window, &dialogs};

  void setField(ControlId id, const char* utf8) {
    qobject_cast<QLineEdit*>(window->control(id))->setText(QString::fromUtf8(utf8));
  }
  void checkBatchBox() { button(kBatchMode)->click(); }
  bool waitIdle() { return QTest::qWaitFor([&] { return window->idle(); }, 20000); }
  int checkedRows() {
    int n = 0;
    for (const auto& r : window->shell().file_list().rows()) n += r.checked ? 1 : 0;
    return n;
  }
};

}  // namespace

class WindowToolsTest : public QObject {
  Q_OBJECT

 private slots:
  void batchTidyFromTheTidyButton() {
    ToolsFixture f;
    for (int i = 0; i < 6; ++i) f.write(("n" + std::to_string(i) + ".txt").c_str(), Novel(i));
    QVERIFY(f.openFolder());
    f.checkBatchBox();
    QVERIFY(f.window->shell().batch_mode());
    f.button(kTidy)->click();
    QVERIFY(f.waitIdle());
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kBatchDone));
    QVERIFY(!qobject_cast<QCheckBox*>(f.window->control(kBatchMode))->isChecked());
    QCOMPARE(f.checkedRows(), 0);
    for (int i = 0; i < 6; ++i) {
      const std::string out = f.read(("n" + std::to_string(i) + ".txt").c_str());
      QVERIFY(out != Novel(i));
      // Hard-wrapped lines were joined.
      QVERIFY(out.find(G("如何说来话长")) != std::string::npos);
    }
    QVERIFY(f.button(kTidy)->isEnabled());
  }

  void batchFindAndReplaceFromTheirButtons() {
    ToolsFixture f;
    f.write("a.txt", G("平常的一行字。\r\n"));
    f.write("b.txt", G("一把宝剑挂在墙上。\r\n"));
    QVERIFY(f.openFolder());
    f.checkBatchBox();
    f.setField(kFindField, "宝剑");
    f.button(kFind)->click();
    QVERIFY(f.waitIdle());
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kBatchFindDone));
    QCOMPARE(f.window->shell().file_list().row(0).name, std::string("b.txt"));
    QVERIFY(f.window->shell().file_list().row(0).checked);
    QVERIFY(!f.window->shell().file_list().row(1).checked);

    f.checkBatchBox();
    f.setField(kReplaceField, "长刀");
    f.button(kReplaceAll)->click();
    QVERIFY(f.waitIdle());
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kBatchDone));
    QCOMPARE(f.read("b.txt"), G("一把长刀挂在墙上。\r\n"));
    QCOMPARE(f.read("a.txt"), G("平常的一行字。\r\n"));
  }

  void batchConversionFromTheUtf8Button() {
    ToolsFixture f;
    f.write("a.txt", G("文字。\r\n"));
    f.write("b.txt", "\xEF\xBB\xBF" + std::string("已是UTF-8。\r\n"));
    const std::string b = f.read("b.txt");
    QVERIFY(f.openFolder());
    f.checkBatchBox();
    QVERIFY(f.button(kConvertUtf8)->isEnabled());
    f.button(kConvertUtf8)->click();
    QVERIFY(f.waitIdle());
    QVERIFY(f.prompter.last().startsWith(QString::fromUtf8(msg::kBatchConvertDone)));
    QVERIFY(f.prompter.last().contains(QStringLiteral("b.txt: ") + QString::fromUtf8(msg::kAlreadyUtf8)));
    QCOMPARE(f.read("a.txt"), "\xEF\xBB\xBF" + std::string("文字。\r\n"));
    QCOMPARE(f.read("b.txt"), b);
  }

  void stopButtonEndsARunAndSaysHowManyWereDone() {
    ToolsFixture f;
    for (int i = 0; i < 40; ++i) f.write(("n" + std::to_string(100 + i) + ".txt").c_str(), Novel(i));
    QVERIFY(f.openFolder());
    f.window->show();
    f.tools.batch().SetTidyThreads(1);
    f.checkBatchBox();
    f.button(kTidy)->click();
    QVERIFY(f.tools.stopButton()->isVisible());
    QVERIFY(f.tools.stopButton()->isEnabled());
    f.tools.stopButton()->click();
    QVERIFY(f.waitIdle());
    QVERIFY(!f.tools.stopButton()->isVisible());
    const int done = 40 - f.checkedRows();
    QVERIFY(done < 40);
    char expected[256];
    std::snprintf(expected, sizeof expected, msg::kBatchStoppedFormat, done);
    QCOMPARE(f.prompter.last(), QString::fromUtf8(expected));
    for (int i = 0; i < 40; ++i) {
      const std::string name = "n" + std::to_string(100 + i) + ".txt";
      const bool row_done = !f.window->shell().file_list().row(i).checked;
      QCOMPARE(f.read(name.c_str()) != Novel(i), row_done);
    }
  }

  void garbledFindAndRepairButtons() {
    ToolsFixture f;
    f.write("a.txt", G("开头") + "\x80\x80" + G("中间") + "\xE4\xBD\xA0\xE5\xA5\xBD");
    QVERIFY(f.openFolder());
    f.button(kFindGarbled)->click();
    QCOMPARE(f.window->SelectionStart(), std::size_t{4});
    QCOMPARE(f.window->SelectionLength(), std::size_t{2});
    f.button(kNextGarbled)->click();
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kNoGarbled));
    f.window->SelectBytes(0, 0);
    f.button(kRepairGarbled)->click();
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kSelectGarbled));
    f.window->SelectBytes(10, 6);
    f.button(kRepairGarbled)->click();
    QCOMPARE(f.window->EditorText(), G("开头") + "\x80\x80" + G("中间你好"));
  }

  void adReportIsOpenedAndDeletedLater() {
    ToolsFixture f;
    f.write("a.txt", G("正文。\r\n请访问 www.example.com\r\n"));
    QVERIFY(f.openFolder());
    f.button(kAdReport)->click();
    // What tidying would remove takes a tidy run: a worker's job.
    QVERIFY(f.waitIdle());
    QCOMPARE(f.dialogs.opened.size(), 1);
    const fs::path report = f.dir / "a.txt.txt";
    QCOMPARE(f.dialogs.opened[0], QString::fromStdString(report.string()));
    QVERIFY(fs::exists(report));
    QVERIFY(QTest::qWaitFor([&] { return !fs::exists(report); }, 8000));
  }

  void adReportWithoutADesktopProgramIsShownInOurOwnWindow() {
    ToolsFixture f;
    f.write("a.txt", G("正文。\r\n请访问 www.example.com\r\n"));
    QVERIFY(f.openFolder());
    f.dialogs.open_succeeds = false;
    const int messages = f.prompter.messages.size();
    f.button(kAdReport)->click();
    QVERIFY(f.waitIdle());
    QCOMPARE(f.dialogs.reports.size(), 1);
    // Each removal with its reason in 〔〕.
    QVERIFY2(f.dialogs.reports[0].startsWith(QStringLiteral("广告检查\n〔")), qPrintable(f.dialogs.reports[0]));
    QVERIFY2(f.dialogs.reports[0].contains(QStringLiteral("www")), qPrintable(f.dialogs.reports[0]));
    QVERIFY(!f.dialogs.reports[0].contains(QStringLiteral("正文。")));
    QCOMPARE(f.prompter.messages.size(), messages);
    QVERIFY(!fs::exists(f.dir / "a.txt.txt"));
  }

  void reportWindowShowsTheText() {
    WindowFixture f;
    WindowTools tools(*f.window);  // the real dialogs
    tools.ShowReport("广告检查", "第一行\r\n第二行\r\n");
    QPlainTextEdit* view = nullptr;
    QVERIFY(QTest::qWaitFor([&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* found = w->findChild<QPlainTextEdit*>(QStringLiteral("report"))) view = found;
      }
      return view != nullptr && view->isVisible();
    }, 5000));
    QCOMPARE(view->window()->windowTitle(), QStringLiteral("广告检查"));
    QVERIFY(view->isReadOnly());
    QCOMPARE(view->toPlainText(), QStringLiteral("第一行\n第二行\n"));
    view->window()->close();
  }

  void fileNameCommands() {
    ToolsFixture f;
    f.write("[www.abc.com]a.txt", G("甲。\r\n"));
    f.write("b.txt", G("乙。\r\n"));
    fs::create_directory(f.dir / "sub");
    f.write("sub/c.txt", G("丙。\r\n"));
    QVERIFY(f.openFolder());
    f.button(kNormaliseNames)->click();
    QCOMPARE(f.dialogs.previews.size(), std::size_t{1});
    QVERIFY(fs::exists(f.dir / "a.txt"));

    f.button(kDirectoryMerge)->click();
    char merged[64];
    std::snprintf(merged, sizeof merged, msg::kMergedFormat, 1);
    QCOMPARE(f.prompter.last(), QString::fromUtf8(merged));
    QVERIFY(f.waitIdle());
    QCOMPARE(f.window->shell().file_list().size(), 3);

    f.checkBatchBox();
    folian::files::RenamePattern p;
    p.prefix = "卷";
    p.digits = 2;
    f.dialogs.pattern = p;
    f.button(kBatchRename)->click();
    QCOMPARE(f.read("卷01.txt"), G("甲。\r\n"));
    QCOMPARE(f.read("卷03.txt"), G("丙。\r\n"));
  }
};

QTEST_MAIN(WindowToolsTest)
#include "window_tools_test.moc"
