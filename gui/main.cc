// folian: the desktop window. "folian FOLDER" opens that folder at start.
#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <filesystem>
#include <optional>

#include "app/options_store.h"
#include "main_window.h"
#include "merge_split_tools.h"
#include "translations.h"
#include "window_tools.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("folian"));
  QApplication::setDesktopFileName(QStringLiteral("folian"));
  InstallQtTranslations(app);

  folian::tidy::TidyOptions options = folian::tidy::TidyOptions::AtStart();
  folian::app::LoadOptions(&options);

  // folian [--screenshot=OUT.png] [FOLDER]; the screenshot option renders
  // the window once the folder is open and its first file loaded, then exits.
  std::optional<std::filesystem::path> folder;
  QString screenshot;
  const QStringList args = QApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i].startsWith(QStringLiteral("--screenshot="))) {
      screenshot = args[i].mid(13);
    } else if (!folder) {
      folder = std::filesystem::path(args[i].toStdString());
    }
  }

  MainWindow window(options);
  WindowTools tools(window);
  MergeSplitTools merge_split(window);
  window.show();
  window.shell().Start(folder);
  if (!screenshot.isEmpty()) {
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, poll, screenshot] {
      if (!window.idle()) return;
      poll->stop();
      const bool ok = window.grab().save(screenshot);
      QApplication::exit(ok ? 0 : 1);
    });
    poll->start(200);
  }
  return QApplication::exec();
}
