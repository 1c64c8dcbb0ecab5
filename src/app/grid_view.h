#pragma once

#include <QImage>
#include <QWidget>
#include <memory>
#include <string>

#include "app/job_panel.h"
#include "gridmap/grid_scan.h"
#include "gridmap/map_render.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSlider;
class QSpinBox;
class QStatusBar;

namespace meldrit::app {

// Where a "Map" button finds its file: the path and skip as the panel holds them, the node count
// texts of the panel's boxes, and the values of one node.
struct GridSource {
  std::string path_caption;
  std::string skip_text = "0";
  std::array<std::string, 3> node_texts;
  int values_per_node = 1;
  int value_index = 1;   // which value is mapped first (the view can choose another)
  bool classes = false;  // class numbers or codes: the categorical palette
  // Where the nodes lie, "X,Y,Z" each (the origin the centre of the first node); empty: the map
  // counts nodes.
  std::string origin_text;
  std::string spacing_text;
};

// The handler of every "Map" button: checks the node counts, reads the file once (with the progress
// dialog and Cancel when it is large) and opens a grid view on it. False when nothing opened.
bool showGridView(AppContext& context, QWidget* owner, const GridSource& source);

// A copy of a core picture for the widgets.
QImage toQImage(const gridmap::Image& image);

class MapCanvas;
class HistogramChart;
class ColourBar;

// A window on one grid file: a Z slice as a map (north up, zoom with the wheel, pan by dragging) with
// axes in the coordinates of the origin and spacing typed, its colour bar or legend, the histogram
// and statistics of the whole file or of the slice, and "Save as PNG". It holds the scan's figures
// and one slice, never the grid.
class GridView : public QWidget {
  Q_OBJECT

 public:
  GridView(AppContext& context, gridmap::GridRequest request, gridmap::GridScan scan, bool classes,
           QWidget* owner);
  ~GridView() override;

  long long slice() const { return z_; }
  void showSlice(long long z);  // from 1
  // The map of the current slice, one pixel a node, as painted (for tests and the cursor).
  const QImage& mapImage() const { return map_; }
  gridmap::Image figure() const;
  void saveAsPng();
  // "Export...": the file in another program's format, at the origin and spacing asked for (the
  // last ones given, or those of the map once it has some, offered again; those answered place the
  // map's nodes too).
  void exportGrid();
  // What the status bar says.
  QString statusText() const;
  // The key as shown, from the top: the legend's codes, or the colour bar's labels.
  QStringList keyLabels() const;
  // The origin and spacing as typed ("X,Y,Z" each) place the nodes for the axes, the status bar and
  // Export; false, the map as it was and the fault in the status bar, when they are no geometry.
  bool placeNodes(const std::string& origin, const std::string& spacing);

 private:
  void buildControls();
  void rescan(int value_index);
  void refreshKey();
  void refreshFigures();
  void showNodeUnder(const QPoint& node);

  AppContext& context_;
  gridmap::GridRequest request_;
  gridmap::GridScan scan_;
  gridmap::MapStyle style_;
  gridmap::Slice values_;  // the current slice
  long long z_ = 1;
  QImage map_;
  MapCanvas* canvas_ = nullptr;
  HistogramChart* chart_ = nullptr;
  QSlider* slider_ = nullptr;
  QSpinBox* z_box_ = nullptr;
  QSpinBox* value_box_ = nullptr;
  QComboBox* palette_ = nullptr;
  QComboBox* scope_ = nullptr;
  QListWidget* legend_ = nullptr;
  ColourBar* bar_ = nullptr;
  QLineEdit* origin_box_ = nullptr;
  QLineEdit* spacing_box_ = nullptr;
  QPoint hovered_;  // the cell under the mouse, from 1; null: none
  QLabel* statistics_ = nullptr;
  QLabel* missing_ = nullptr;
  QStatusBar* status_ = nullptr;
  std::string export_origin_ = "0,0,0";
  std::string export_spacing_ = "1,1,1";
};

}  // namespace meldrit::app
