#include "app/panel_widgets.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>

#include "app/job_panel.h"
#include "app/platform_services.h"
#include "app/qt_text.h"
#include "textio/file_type.h"
#include "textio/geoeas_header.h"

namespace meldrit::app {

void place(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  return label;
}

QLabel* makePathLabel(QWidget* parent, const QString& name) {
  QLabel* label = makeLabel(parent, name, QStringLiteral(" "));
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, QColor(255, 255, 255));
  label->setPalette(palette);
  return label;
}

QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, const QString& tip) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setToolTip(tip);
  return button;
}

QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& caption) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(name);
  return frame;
}

QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption) {
  auto* option = new QRadioButton(caption, parent);
  option->setObjectName(name);
  return option;
}

QLineEdit* makeLineEdit(QWidget* parent, const QString& name, const QString& text) {
  auto* box = new QLineEdit(text, parent);
  box->setObjectName(name);
  return box;
}

QPushButton* makeMapButton(QWidget* frame) {
  return makeButton(frame, QStringLiteral("Map") + frame->objectName(), QStringLiteral("Map"),
                    QStringLiteral("Show a map of this file"));
}

void JobPanels::addPanel(QWidget* panel, bool first) {
  panels_.push_back(panel);
  if (first) first_ = panel;
}

void JobPanels::showPanel(QWidget* panel) {
  for (QWidget* other : panels_) {
    if (other != panel) other->hide();
  }
  panel->show();
}

void JobPanels::hidePanels() {
  for (QWidget* panel : panels_) panel->hide();
}

QPushButton* makeGeoEasButton(QWidget* frame, PlatformServices& platform, const QLabel* path,
                              QLineEdit* skip) {
  QPushButton* button =
      makeButton(frame, QStringLiteral("GeoEas") + skip->objectName(), QStringLiteral("GeoEAS"),
                 QStringLiteral("Skip the file's GeoEAS header: its title, the number of "
                                "variables and their names."));
  QObject::connect(button, &QPushButton::clicked, button, [&platform, path, skip] {
    const std::string file(textio::trim_blanks(str(path->text())));
    if (file.empty()) {
      showOk(platform, "Please select input data file!");
      return;
    }
    std::uint64_t lines = 0;
    std::string message;
    if (!textio::geoeas_header_lines(file, lines, message)) {
      showOk(platform, message);
      return;
    }
    skip->setText(QString::number(lines));
  });
  return button;
}

}  // namespace meldrit::app
