#pragma once

#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace meldrit::app {

class PlatformServices;

// The controls of the panels, named after the program's control names so that handlers and tests
// find them. Positions and sizes are in twips.
void place(QWidget* widget, int left, int top, int width, int height);
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption);
// A path label: white, sunken, starting as " " (no file).
QLabel* makePathLabel(QWidget* parent, const QString& name);
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption, const QString& tip);
QGroupBox* makeFrame(QWidget* parent, const QString& name, const QString& caption);
QRadioButton* makeOption(QWidget* parent, const QString& name, const QString& caption);
QLineEdit* makeLineEdit(QWidget* parent, const QString& name, const QString& text);
// The "Map" button of the per-node file of `frame`, named "Map" + the frame's name.
QPushButton* makeMapButton(QWidget* frame);

// The "GeoEAS" button beside a Skip Lines box, named "GeoEas" + the box's name: fills the box
// with the GeoEAS header length of the file `path` shows; a file without one shows why.
QPushButton* makeGeoEasButton(QWidget* frame, PlatformServices& platform, const QLabel* path,
                              QLineEdit* skip);

}  // namespace meldrit::app
