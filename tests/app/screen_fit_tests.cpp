#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "app/app_test_support.h"
#include "app/screen_fit.h"

namespace meldrit::test {
namespace {

// The controls a user works with: buttons, boxes, lists and tables.
bool isControl(const QWidget* widget) {
  return qobject_cast<const QAbstractButton*>(widget) != nullptr ||
         qobject_cast<const QLineEdit*>(widget) != nullptr ||
         qobject_cast<const QComboBox*>(widget) != nullptr ||
         qobject_cast<const app::FlexGrid*>(widget) != nullptr;
}

TEST(SmallWindow, EveryControlOfEveryPanelCanBeScrolledIntoView) {
  WindowOnFake shell;
  app::MainWindow& window = shell.open();
  window.show();
  window.resize(640, 480);
  QApplication::processEvents();
  auto* scroll = window.findChild<QScrollArea*>(QStringLiteral("clientScroll"));
  ASSERT_NE(scroll, nullptr);
  const QList<QWidget*> panels =
      scroll->widget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  int checked = 0;
  for (QWidget* panel : panels) {
    // Each panel alone, as its job shows it; hidden controls (the folded uniform groups) do not count.
    for (QWidget* other : panels) other->setVisible(other == panel);
    QApplication::processEvents();
    for (QWidget* control : panel->findChildren<QWidget*>()) {
      if (!isControl(control) || !control->isVisibleTo(panel)) continue;
      // The limit boxes lie off their frame on purpose: they only take the keyboard.
      if (!control->parentWidget()->rect().intersects(control->geometry())) continue;
      // ensureWidgetVisible stops once a box's cursor (a table's current cell) shows, so the
      // control's far corner and then its near one are asked for too.
      scroll->ensureWidgetVisible(control);
      const QPoint corner = control->mapTo(scroll->widget(), QPoint(0, 0));
      scroll->ensureVisible(corner.x() + control->width(), corner.y() + control->height(), 0, 0);
      scroll->ensureVisible(corner.x(), corner.y(), 0, 0);
      QApplication::processEvents();
      const QRect shown(control->mapTo(scroll->viewport(), QPoint(0, 0)), control->size());
      const QRect room = scroll->viewport()->rect();
      // As much of it as the viewport can hold: all of it, or a viewport full of a larger table.
      EXPECT_EQ((shown & room).size(), shown.size().boundedTo(room.size()))
          << panel->objectName().toStdString() << " " << control->objectName().toStdString();
      ++checked;
    }
  }
  EXPECT_GT(checked, 40);
  EXPECT_TRUE(scroll->verticalScrollBar()->isVisible());
}

TEST(SmallScreen, WindowsOpenWithinTheAvailableArea) {
  struct Case {
    QSize wanted, room, expected;
  };
  const Case cases[] = {{{802, 560}, {1280, 1024}, {802, 560}},
                        {{802, 560}, {853, 650}, {802, 560}},
                        {{900, 600}, {640, 480}, {640, 480}},
                        {{900, 600}, {-5, 10}, {0, 10}}};
  for (const Case& c : cases) EXPECT_EQ(app::sizeWithin(c.wanted, c.room), c.expected) << c.room.width();

  WindowOnFake shell;
  app::MainWindow& window = shell.open();
  EXPECT_TRUE(window.screen()->availableGeometry().contains(window.geometry()));
  // The 1280 x 1024 screen at 1.5 scale leaves 853 x 682 logical pixels.
  const QRect scaled(0, 0, 853, 682);
  app::fitWithinScreen(&window, scaled);
  window.show();
  QApplication::processEvents();
  EXPECT_TRUE(scaled.contains(window.frameGeometry())) << window.frameGeometry().width();
  const QRect tiny(0, 0, 640, 480);
  app::fitWithinScreen(&window, tiny);
  QApplication::processEvents();
  EXPECT_TRUE(tiny.contains(window.frameGeometry()));
}

TEST(SmallScreen, TheMapWindowOpensWithinTheAvailableAreaWithItsButtonsOnIt) {
  WindowOnFake shell;
  shell.open("mnumeldritii");
  shell.setNodes(3, "4", "3", "2");
  std::string grid;
  for (int i = 1; i <= 24; ++i) grid += std::to_string(i) + "\r\n";
  shell.get<QLabel>("Label23")->setText(QString::fromStdString(shell.folder.write("grid.out", grid)));
  shell.click("MapFrame11(1)");
  QWidget* view = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QStringLiteral("GridView") && widget->isVisible()) view = widget;
  }
  ASSERT_NE(view, nullptr);
  QApplication::processEvents();
  const QRect available = view->screen()->availableGeometry();
  EXPECT_TRUE(available.contains(view->frameGeometry()));
  auto* save = view->findChild<QWidget*>(QStringLiteral("savePng"));
  ASSERT_NE(save, nullptr);
  EXPECT_TRUE(available.contains(QRect(save->mapToGlobal(QPoint(0, 0)), save->size())));
  delete view;
}

}  // namespace
}  // namespace meldrit::test
