#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>

int main(int argc, char** argv) {
  // The offscreen platform's own screen (800 x 600) is smaller than the window; the tests run on
  // a 1280 x 1024 one.
  const QString config = QDir::temp().filePath(
      QStringLiteral("meldrit-app-tests-%1.json").arg(QCoreApplication::applicationPid()));
  QFile file(config);
  if (file.open(QIODevice::WriteOnly)) {
    file.write(R"({"screens": [{"name": "test", "x": 0, "y": 0, "width": 1280, "height": 1024,)"
               R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
  }
  qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
  QApplication app(argc, argv);
  QFile::remove(config);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
