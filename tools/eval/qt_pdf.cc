// Writes a UTF-8 text file as a PDF through Qt's own PDF engine (CID fonts,
// Identity-H with ToUnicode maps): one of the producers of the held-out
// set made by make_heldout_pdfs.py.
//
//   qt_pdf IN.txt OUT.pdf [FONT-FAMILY]
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 3) return 2;
  QFile in(QString::fromLocal8Bit(argv[1]));
  if (!in.open(QIODevice::ReadOnly)) return 1;
  const QString text = QString::fromUtf8(in.readAll());
  QPdfWriter writer(QString::fromLocal8Bit(argv[2]));
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setResolution(300);
  QTextDocument doc;
  QFont font(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("Noto Serif CJK SC"));
  font.setPointSize(11);
  doc.setDefaultFont(font);
  doc.setPlainText(text);
  doc.print(&writer);
  return 0;
}
