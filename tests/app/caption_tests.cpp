#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionGroupBox>

#include "app/app_test_support.h"

namespace meldrit::test {
namespace {

// The texts of a control that do not fit the room it gives them, with their object names.
QStringList cutCaptions(const QWidget* root) {
  QStringList cut;
  const auto check = [&](const QObject* control, const QString& text, int needed, int room) {
    if (needed > room)
      cut << QStringLiteral("%1 \"%2\" needs %3 of %4")
                 .arg(control->objectName(), text)
                 .arg(needed)
                 .arg(room);
  };
  for (const QLabel* label : root->findChildren<QLabel*>()) {
    // Path labels and counts show what the user chose; their own captions are what counts here.
    if (label->text().trimmed().isEmpty() || label->frameShape() != QFrame::NoFrame ||
        !label->pixmap().isNull())
      continue;
    const QString text = label->text();
    check(label, text, label->fontMetrics().horizontalAdvance(text) + 2 * label->margin(),
          label->contentsRect().width());
  }
  for (const QGroupBox* box : root->findChildren<QGroupBox*>()) {
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect label =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    check(box, box->title(), label.right() + 1, box->width());
  }
  for (const QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
    if (button->text().isEmpty() || qobject_cast<const QHeaderView*>(button->parentWidget())) continue;
    // A push button's hint has a least width of its own; what matters is its text and icon.
    const int icon = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    const int needed = qobject_cast<const QPushButton*>(button) != nullptr
                           ? button->fontMetrics().horizontalAdvance(button->text()) + icon + 8
                           : button->sizeHint().width();
    check(button, button->text(), needed, button->width());
  }
  for (const app::FlexGrid* grid : root->findChildren<app::FlexGrid*>()) {
    for (int col = 0; col < grid->cols(); ++col) {
      const QString text = grid->text(0, col);
      // A cell keeps a few pixels of padding on either side of its text.
      check(grid, text, grid->fontMetrics().horizontalAdvance(text) + 6, grid->columnWidth(col));
    }
  }
  return cut;
}

class Captions : public testing::Test, public WindowOnFake {};

TEST_F(Captions, EveryCaptionOfEveryPanelShowsWhole) {
  open();
  // The tables get their headers at start-up; the uniform panel shows its lower part after an import.
  pick("Command9", folder.write("data.dat", "1 2 3\r\n4 5 6\r\n"));
  click("Command20");
  EXPECT_EQ(cutCaptions(window.get()).join(QLatin1Char('\n')).toStdString(), "");
}

}  // namespace
}  // namespace meldrit::test
