#include "app/grid_view.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>

#include "app/background_run.h"
#include "app/qt_text.h"
#include "app/screen_fit.h"
#include "gridmap/grid_export.h"
#include "gridmap/map_figure.h"
#include "gridmap/png_file.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"

namespace meldrit::app {

// The map itself: the slice's picture fitted to the widget, zoomed by the wheel about the cursor and
// panned by dragging, without smoothing so that every node stays a sharp square.
class MapCanvas : public QWidget {
 public:
  MapCanvas(QWidget* parent, std::function<void(const QPoint&)> hover)
      : QWidget(parent), hover_(std::move(hover)) {
    setObjectName(QStringLiteral("map"));
    setMouseTracking(true);
    setMinimumSize(320, 240);
  }
  void setImage(const QImage& image) {
    image_ = image;
    update();
  }
  // The node (x, y from 1, Y upwards) under a point of the widget; (0, 0) outside the map.
  QPoint nodeAt(const QPointF& point) const {
    const double scale = this->scale();
    const double x = (point.x() - origin().x()) / scale;
    const double y = (point.y() - origin().y()) / scale;
    if (image_.isNull() || x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return {};
    return {static_cast<int>(x) + 1, image_.height() - static_cast<int>(y)};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (image_.isNull()) return;
    const double scale = this->scale();
    painter.drawImage(QRectF(origin(), QSizeF(image_.width() * scale, image_.height() * scale)), image_);
  }
  void wheelEvent(QWheelEvent* event) override {
    const QPointF at = event->position();
    const QPointF before = (at - origin()) / scale();
    zoom_ = std::clamp(zoom_ * (event->angleDelta().y() > 0 ? 1.25 : 0.8), 1.0, 64.0);
    // The node under the cursor stays under it.
    pan_ += at - (origin() + before * scale());
    update();
  }
  void mousePressEvent(QMouseEvent* event) override { drag_from_ = event->position(); }
  void mouseMoveEvent(QMouseEvent* event) override {
    if (event->buttons() & Qt::LeftButton) {
      pan_ += event->position() - drag_from_;
      drag_from_ = event->position();
      update();
    }
    hover_(nodeAt(event->position()));
  }

 private:
  double scale() const {
    if (image_.isNull()) return 1;
    return std::min(width() / static_cast<double>(image_.width()),
                    height() / static_cast<double>(image_.height())) *
           zoom_;
  }
  QPointF origin() const {
    const double scale = this->scale();
    return QPointF((width() - image_.width() * scale) / 2, (height() - image_.height() * scale) / 2) + pan_;
  }

  std::function<void(const QPoint&)> hover_;
  QImage image_;
  double zoom_ = 1;
  QPointF pan_;
  QPointF drag_from_;
};

// Bars of a histogram, the bins' counts scaled to the tallest.
class HistogramChart : public QWidget {
 public:
  explicit HistogramChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("histogram"));
    setMinimumSize(240, 140);
  }
  void setBins(std::vector<std::uint64_t> counts, std::vector<QColor> colors) {
    counts_ = std::move(counts);
    colors_ = std::move(colors);
    update();
  }
  const std::vector<std::uint64_t>& bins() const { return counts_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (counts_.empty()) return;
    const std::uint64_t tallest =
        std::max<std::uint64_t>(1, *std::max_element(counts_.begin(), counts_.end()));
    const double width = static_cast<double>(this->width()) / counts_.size();
    for (std::size_t i = 0; i < counts_.size(); ++i) {
      const double h = (height() - 4) * static_cast<double>(counts_[i]) / static_cast<double>(tallest);
      painter.fillRect(QRectF(i * width + 1, height() - h, std::max(1.0, width - 2), h),
                       i < colors_.size() ? colors_[i] : QColor(68, 1, 84));
    }
  }

 private:
  std::vector<std::uint64_t> counts_;
  std::vector<QColor> colors_;
};

namespace {

QColor qcolor(gridmap::Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

}  // namespace

QImage toQImage(const gridmap::Image& image) {
  return QImage(image.pixels.data(), image.width, image.height, image.width * 3, QImage::Format_RGB888)
      .copy();
}

bool showGridView(AppContext& context, QWidget* owner, const GridSource& source) {
  gridmap::GridRequest request;
  request.path = std::string(textio::trim_blanks(source.path_caption));
  request.skip = textio::numeric_value(source.skip_text);
  long long* counts[] = {&request.nx, &request.ny, &request.nz};
  for (int i = 0; i < 3; ++i)
    *counts[i] = static_cast<long long>(std::floor(textio::numeric_value(source.node_texts[i])));
  request.values_per_node = source.values_per_node;
  request.value_index = source.value_index;
  if (request.path.empty()) {
    showOk(context.platform, "Please select input data file!");
    return false;
  }
  if (const job::Outcome checked = gridmap::check_request(request); !checked.completed()) {
    showOk(context.platform, checked.message);
    return false;
  }
  job::Hooks window_side;
  gridmap::GridScan scan =
      BackgroundRun(owner->window(), QStringLiteral("Reading the grid file"), QStringLiteral("nodes"),
                    window_side)([&](job::Hooks& worker) { return gridmap::scan_grid(request, worker); });
  if (scan.outcome.ending == job::Ending::Cancelled) return false;
  // A file longer than the grid is laid out for another grid: its map would mislead.
  if ((scan.nodes_read == 0 || scan.values_beyond > 0) && !scan.outcome.completed()) {
    showOk(context.platform, scan.outcome.message);
    return false;
  }
  auto* view = new GridView(context, request, std::move(scan), source.classes, owner->window());
  view->show();
  return true;
}

GridView::GridView(AppContext& context, gridmap::GridRequest request, gridmap::GridScan scan, bool classes,
                   QWidget* owner)
    : QWidget(owner, Qt::Window), context_(context), request_(std::move(request)), scan_(std::move(scan)) {
  setObjectName(QStringLiteral("GridView"));
  setAttribute(Qt::WA_DeleteOnClose);
  style_ = gridmap::style_for(scan_, std::nullopt, std::nullopt, std::nullopt);
  if (!classes) style_.palette = gridmap::Palette::Continuous;
  buildControls();
  showSlice(gridmap::middle_slice(request_.nz));
  resize(900, 600);
  fitWithinScreen(this);
}

GridView::~GridView() = default;

void GridView::buildControls() {
  setWindowTitle(qs(gridmap::map_title(request_, 1)).section(QStringLiteral("  Z"), 0, 0) +
                 QStringLiteral(" - Map"));
  auto* outer = new QVBoxLayout(this);
  auto* controls = new QHBoxLayout;
  outer->addLayout(controls);
  controls->addWidget(new QLabel(QStringLiteral("Z"), this));
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName(QStringLiteral("zSlider"));
  slider_->setRange(1, static_cast<int>(request_.nz));
  controls->addWidget(slider_, 1);
  z_box_ = new QSpinBox(this);
  z_box_->setObjectName(QStringLiteral("zSpin"));
  z_box_->setRange(1, static_cast<int>(request_.nz));
  controls->addWidget(z_box_);
  if (request_.values_per_node > 1) {
    controls->addWidget(new QLabel(QStringLiteral("Value"), this));
    value_box_ = new QSpinBox(this);
    value_box_->setObjectName(QStringLiteral("valueSpin"));
    value_box_->setRange(1, request_.values_per_node);
    value_box_->setValue(request_.value_index);
    controls->addWidget(value_box_);
    connect(value_box_, &QSpinBox::valueChanged, this, [this](int value) { rescan(value); });
  }
  palette_ = new QComboBox(this);
  palette_->setObjectName(QStringLiteral("paletteChoice"));
  palette_->addItems({QStringLiteral("Continuous"), QStringLiteral("Classes")});
  palette_->setCurrentIndex(style_.palette == gridmap::Palette::Classes ? 1 : 0);
  controls->addWidget(palette_);
  auto* save = new QPushButton(QStringLiteral("Save as PNG"), this);
  save->setObjectName(QStringLiteral("savePng"));
  controls->addWidget(save);
  auto* export_button = new QPushButton(QStringLiteral("Export..."), this);
  export_button->setObjectName(QStringLiteral("exportButton"));
  controls->addWidget(export_button);

  auto* body = new QHBoxLayout;
  outer->addLayout(body, 1);
  canvas_ = new MapCanvas(this, [this](const QPoint& node) { showNodeUnder(node); });
  body->addWidget(canvas_, 3);
  auto* side = new QVBoxLayout;
  body->addLayout(side, 1);
  legend_ = new QListWidget(this);
  legend_->setObjectName(QStringLiteral("legend"));
  side->addWidget(legend_);
  scope_ = new QComboBox(this);
  scope_->setObjectName(QStringLiteral("histogramScope"));
  scope_->addItems({QStringLiteral("Whole file"), QStringLiteral("This slice")});
  side->addWidget(scope_);
  chart_ = new HistogramChart(this);
  side->addWidget(chart_);
  statistics_ = new QLabel(this);
  statistics_->setObjectName(QStringLiteral("statistics"));
  statistics_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  side->addWidget(statistics_);
  missing_ = new QLabel(qs(scan_.outcome.completed() ? std::string() : scan_.outcome.message), this);
  missing_->setObjectName(QStringLiteral("missing"));
  missing_->setStyleSheet(QStringLiteral("color: #a00000"));
  missing_->setWordWrap(true);
  side->addWidget(missing_);
  status_ = new QStatusBar(this);
  outer->addWidget(status_);

  connect(slider_, &QSlider::valueChanged, this, [this](int z) { showSlice(z); });
  connect(z_box_, &QSpinBox::valueChanged, this, [this](int z) { showSlice(z); });
  connect(palette_, &QComboBox::currentIndexChanged, this, [this](int index) {
    style_.palette = index == 1 ? gridmap::Palette::Classes : gridmap::Palette::Continuous;
    showSlice(z_);
  });
  connect(scope_, &QComboBox::currentIndexChanged, this, [this] { refreshFigures(); });
  connect(save, &QPushButton::clicked, this, [this] { saveAsPng(); });
  connect(export_button, &QPushButton::clicked, this, [this] { exportGrid(); });
}

void GridView::showSlice(long long z) {
  z_ = std::clamp<long long>(z, 1, request_.nz);
  // Both controls follow; their signals come back here with the same slice and are ignored then.
  const QSignalBlocker block_slider(slider_), block_box(z_box_);
  slider_->setValue(static_cast<int>(z_));
  z_box_->setValue(static_cast<int>(z_));
  values_ = gridmap::read_slice(request_, scan_, z_ - 1);
  map_ = toQImage(gridmap::render_slice(values_, style_, 1));
  canvas_->setImage(map_);
  refreshKey();
  refreshFigures();
}

void GridView::rescan(int value_index) {
  request_.value_index = value_index;
  job::Hooks window_side;
  gridmap::GridScan scan =
      BackgroundRun(window(), QStringLiteral("Reading the grid file"), QStringLiteral("nodes"),
                    window_side)([&](job::Hooks& worker) { return gridmap::scan_grid(request_, worker); });
  if (scan.outcome.ending == job::Ending::Cancelled) return;
  if (scan.values_beyond > 0) {
    showOk(context_.platform, scan.outcome.message);
    return;
  }
  scan_ = std::move(scan);
  const gridmap::Palette palette = style_.palette;
  style_ = gridmap::style_for(scan_, palette, std::nullopt, std::nullopt);
  missing_->setText(qs(scan_.outcome.completed() ? std::string() : scan_.outcome.message));
  showSlice(z_);
}

void GridView::refreshKey() {
  legend_->clear();
  const auto add = [this](const QString& text, gridmap::Rgb color) {
    QPixmap swatch(16, 16);
    swatch.fill(qcolor(color));
    legend_->addItem(new QListWidgetItem(QIcon(swatch), text));
  };
  if (style_.palette == gridmap::Palette::Classes) {
    for (const long long code : scan_.codes) add(QString::number(code), gridmap::class_color(code));
    if (!gridmap::distinct_class_colors(scan_.codes)) legend_->addItem(qs(gridmap::kCodesGrouped));
  } else {
    add(qs(gridmap::scale_label(style_.max)), gridmap::viridis(1));
    add(qs(gridmap::scale_label((style_.min + style_.max) / 2)), gridmap::viridis(0.5));
    add(qs(gridmap::scale_label(style_.min)), gridmap::viridis(0));
  }
}

void GridView::refreshFigures() {
  const bool slice = scope_->currentIndex() == 1;
  const std::vector<double>& values = slice ? values_.cells : scan_.sample;
  const gridmap::GridStats stats = slice ? gridmap::statistics_of(values_.cells) : scan_.stats;
  std::vector<std::uint64_t> bins;
  std::vector<QColor> colors;
  if (style_.palette == gridmap::Palette::Classes && !scan_.codes.empty()) {
    for (const long long code : scan_.codes) {
      bins.push_back(gridmap::histogram(values, 1, static_cast<double>(code) - 0.5,
                                        static_cast<double>(code) + 0.49)[0]);
      colors.push_back(qcolor(gridmap::class_color(code)));
    }
  } else {
    bins = gridmap::histogram(values, 40, scan_.stats.min, scan_.stats.max);
    for (std::size_t i = 0; i < bins.size(); ++i)
      colors.push_back(qcolor(gridmap::viridis((i + 0.5) / bins.size())));
  }
  chart_->setBins(std::move(bins), std::move(colors));
  statistics_->setText(qs(gridmap::statistics_text(stats)));
}

void GridView::showNodeUnder(const QPoint& node) {
  if (node.isNull()) {
    status_->clearMessage();
    return;
  }
  // A cell of a large slice stands for a block of nodes: its first node is named.
  const std::size_t i = static_cast<std::size_t>(node.y() - 1) * static_cast<std::size_t>(values_.width) +
                        static_cast<std::size_t>(node.x() - 1);
  const double value = i < values_.cells.size() ? values_.cells[i] : std::nan("");
  status_->showMessage(
      QStringLiteral("x %1   y %2   z %3   value %4")
          .arg((node.x() - 1) * values_.step + 1)
          .arg((node.y() - 1) * values_.step + 1)
          .arg(z_)
          .arg(std::isnan(value) ? QStringLiteral("none") : qs(gridmap::scale_label(value))));
}

gridmap::Image GridView::figure() const {
  return gridmap::render_figure(values_, style_, scan_.codes, gridmap::map_title(request_, z_),
                                gridmap::map_axes(request_));
}

void GridView::saveAsPng() {
  FileDialogRequest request;
  request.save = true;
  request.title = "Save Map as PNG";
  request.filter = "(*.PNG)|*.PNG";
  const std::optional<FileChoice> choice = context_.platform.chooseFile(request);
  if (!choice) return;
  const gridmap::Image picture = figure();
  job::Outcome saved = gridmap::save_figure(picture, choice->full_path, request_.path);
  // A build without libpng writes through Qt, behind the same guard.
  if (saved.ending == job::Ending::Failed && !gridmap::png_available()) {
    saved = toQImage(picture).save(qs(choice->full_path), "PNG") ? job::Outcome::done() : saved;
  }
  if (!saved.completed()) showOk(context_.platform, saved.message);
}

void GridView::exportGrid() {
  FileDialogRequest dialog;
  dialog.save = true;
  dialog.title = "Export Grid";
  dialog.filter = gridmap::kExportFilter;
  const std::optional<FileChoice> choice = context_.platform.chooseFile(dialog);
  if (!choice) return;
  const std::optional<std::string> origin = context_.platform.askText(
      "Export Grid", "Origin, the centre of the first node (X0,Y0,Z0):", export_origin_);
  if (!origin) return;
  export_origin_ = *origin;
  const std::optional<std::string> spacing =
      context_.platform.askText("Export Grid", "Node spacing (DX,DY,DZ):", export_spacing_);
  if (!spacing) return;
  export_spacing_ = *spacing;
  job::Hooks window_side;
  const job::Outcome outcome = BackgroundRun(window(), QStringLiteral("Exporting the grid"),
                                             QStringLiteral("nodes"), window_side)([&](job::Hooks& worker) {
    return gridmap::export_grid_file(request_, *origin, *spacing, choice->full_path, worker);
  });
  if (outcome.ending != job::Ending::Cancelled) showOk(context_.platform, outcome.message);
}

}  // namespace meldrit::app
