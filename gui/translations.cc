#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QString>
#include <QTranslator>

bool InstallQtTranslations(QCoreApplication& app, const QString& folder) {
  const QString from =
      folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  // The translator lives as long as the application.
  auto* translator = new QTranslator(&app);
  if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                        QStringLiteral("_"), from)) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

bool InstallQtTranslations(QCoreApplication& app) { return InstallQtTranslations(app, {}); }
