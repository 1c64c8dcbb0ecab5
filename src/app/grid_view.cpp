#include "app/grid_view.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
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
#include <numeric>

#include "app/background_run.h"
#include "app/qt_text.h"
#include "app/screen_fit.h"
#include "gridmap/grid_export.h"
#include "gridmap/map_figure.h"
#include "gridmap/png_file.h"
#include "textio/file_type.h"
#include "textio/numeric_value.h"

namespace meldrit::app {

namespace {

constexpr int kTick = 5;

std::string tripleText(const std::array<double, 3>& values) {
  QStringList texts;
  for (const double value : values) texts << QString::number(value, 'g', 15);
  return str(texts.join(QLatin1Char(',')));
}

QColor qcolor(gridmap::Rgb rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

// The round values of an axis from `low` to `high`, `pixels` long, at least `apart` pixels apart and
// as far as labels as wide as this font draws them need (or as tall, for an upright axis).
gridmap::Ticks ticksFor(const QFontMetrics& font, double low, double high, double pixels, double apart,
                        bool upright) {
  return gridmap::axis_ticks(low, high, pixels, apart, [&](const std::string& label) {
    return (upright ? font.height() : font.horizontalAdvance(qs(label))) + 12.0;
  });
}

}  // namespace

// The map itself: the slice's picture fitted to the widget, zoomed by the wheel about the cursor and
// panned by dragging, without smoothing so that every node stays a sharp square; X and Y axes at its
// left and bottom edges are ticked in the nodes' coordinates over the part in sight.
class MapCanvas : public QWidget {
 public:
  MapCanvas(QWidget* parent, std::function<void(const QPoint&)> hover)
      : QWidget(parent), hover_(std::move(hover)) {
    setObjectName(QStringLiteral("map"));
    setMouseTracking(true);
    setMinimumSize(320, 240);
  }
  // `step` nodes along each side of a pixel of the image.
  void setImage(const QImage& image, const gridmap::MapAxes& axes, long long step) {
    image_ = image;
    axes_ = axes;
    step_ = static_cast<double>(std::max<long long>(1, step));
    update();
  }
  // The node (x, y from 1, Y upwards) under a point of the widget; (0, 0) outside the map.
  QPoint nodeAt(const QPointF& point) const {
    const Frame frame = this->frame();
    const double x = (point.x() - frame.origin.x()) / frame.scale;
    const double y = (point.y() - frame.origin.y()) / frame.scale;
    if (image_.isNull() || !frame.plot.contains(point) || x < 0 || y < 0 || x >= image_.width() ||
        y >= image_.height())
      return {};
    return {static_cast<int>(x) + 1, image_.height() - static_cast<int>(y)};
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (image_.isNull()) return;
    const Frame frame = this->frame();
    const QRectF image(frame.origin, QSizeF(image_.width() * frame.scale, image_.height() * frame.scale));
    painter.save();
    painter.setClipRect(frame.plot);
    painter.drawImage(image, image_);
    painter.restore();
    const QRectF seen = image.intersected(frame.plot);
    if (seen.isEmpty()) return;
    painter.setPen(palette().windowText().color());
    const QFontMetrics font = fontMetrics();
    // X along the bottom of what is in sight.
    const double bottom = seen.bottom();
    painter.drawLine(QPointF(seen.left(), bottom), QPointF(seen.right(), bottom));
    for (const auto& [at, label] : ticks(seen.left(), seen.right(), frame, false)) {
      painter.drawLine(QPointF(at, bottom), QPointF(at, bottom + kTick));
      const double half = font.horizontalAdvance(label) / 2.0;
      painter.drawText(QPointF(at - half, bottom + kTick + 2 + font.ascent()), label);
    }
    const double left = seen.left();
    painter.drawLine(QPointF(left, seen.top()), QPointF(left, bottom));
    for (const auto& [at, label] : ticks(seen.bottom(), seen.top(), frame, true)) {
      painter.drawLine(QPointF(left - kTick, at), QPointF(left, at));
      painter.drawText(QPointF(left - kTick - 3 - font.horizontalAdvance(label),
                               at + (font.ascent() - font.descent()) / 2.0),
                       label);
    }
  }
  void wheelEvent(QWheelEvent* event) override {
    const QPointF at = event->position();
    Frame frame = this->frame();
    const QPointF before = (at - frame.origin) / frame.scale;
    zoom_ = std::clamp(zoom_ * (event->angleDelta().y() > 0 ? 1.25 : 0.8), 1.0, 64.0);
    frame = this->frame();
    // The node under the cursor stays under it.
    pan_ += at - (frame.origin + before * frame.scale);
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
  // Where the picture goes: the plot inside the axes' margins, pixels a cell, the image's top left.
  struct Frame {
    QRectF plot;
    double scale = 1;
    QPointF origin;
  };

  Frame frameWithin(double left) const {
    Frame frame;
    const QFontMetrics font = fontMetrics();
    // Room on the right for half the last X label.
    const QString last = qs(gridmap::scale_label(axes_.x.at(static_cast<double>(axes_.x.nodes) + 0.5)));
    const double right = std::max(font.height() * 1.0, font.horizontalAdvance(last) / 2.0 + 4);
    frame.plot = QRectF(left, font.height() / 2.0, std::max(1.0, width() - left - right),
                        std::max(1.0, height() - font.height() * 1.5 - kTick - 4));
    if (image_.isNull()) return frame;
    frame.scale =
        std::min(frame.plot.width() / image_.width(), frame.plot.height() / image_.height()) * zoom_;
    frame.origin =
        frame.plot.center() - QPointF(image_.width() * frame.scale, image_.height() * frame.scale) / 2 + pan_;
    return frame;
  }
  // The left margin holds the Y labels in sight; they depend a little on it, so it is found twice.
  Frame frame() const {
    const QFontMetrics font = fontMetrics();
    double left = font.horizontalAdvance(QStringLiteral("0000")) + kTick + 6;
    for (int pass = 0; pass < 2; ++pass) {
      const Frame frame = frameWithin(left);
      const QRectF image(frame.origin, QSizeF(image_.width() * frame.scale, image_.height() * frame.scale));
      const QRectF seen = image.intersected(frame.plot);
      double widest = font.horizontalAdvance(QStringLiteral("0"));
      for (const auto& tick : ticks(seen.bottom(), seen.top(), frame, true))
        widest = std::max<double>(widest, font.horizontalAdvance(tick.second));
      left = widest + kTick + 6;
    }
    return frameWithin(left);
  }
  // The ticks between two widget positions along X (or Y, upright), at widget positions.
  std::vector<std::pair<double, QString>> ticks(double from, double to, const Frame& frame,
                                                bool upright) const {
    const gridmap::Axis& axis = upright ? axes_.y : axes_.x;
    const double per_node = frame.scale / step_;
    const double start = upright ? frame.origin.y() + image_.height() * frame.scale : frame.origin.x();
    const double sign = upright ? -1 : 1;
    // Widget position <-> node number along the axis, node centres at whole numbers.
    const auto node = [&](double at) { return (at - start) * sign / per_node + 0.5; };
    const double low = std::max(0.5, node(from));
    const double high = std::min(static_cast<double>(axis.nodes) + 0.5, node(to));
    std::vector<std::pair<double, QString>> placed;
    if (!(high > low)) return placed;
    const gridmap::Ticks ticks =
        ticksFor(fontMetrics(), axis.at(low), axis.at(high), (high - low) * per_node, 80, upright);
    for (std::size_t i = 0; i < ticks.values.size(); ++i) {
      const double n = axis.node_at(ticks.values[i]);
      placed.emplace_back(start + sign * (n - 0.5) * per_node, qs(ticks.labels[i]));
    }
    return placed;
  }

  std::function<void(const QPoint&)> hover_;
  QImage image_;
  gridmap::MapAxes axes_;
  double step_ = 1;
  double zoom_ = 1;
  QPointF pan_;
  QPointF drag_from_;
};

// Bars of a histogram, the bins' counts scaled to the tallest, over axes: the share of the values
// up the left, and along the bottom the values (or each class's code, its share over its bar).
class HistogramChart : public QWidget {
 public:
  explicit HistogramChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("histogram"));
    setMinimumSize(240, 180);
  }
  // Bins from `low` to `high`, or one a class when `codes` are given.
  void setBins(std::vector<std::uint64_t> counts, std::vector<QColor> colors, double low, double high,
               std::vector<long long> codes) {
    counts_ = std::move(counts);
    colors_ = std::move(colors);
    low_ = low;
    high_ = high;
    codes_ = std::move(codes);
    update();
  }
  const std::vector<std::uint64_t>& bins() const { return counts_; }
  // The share of each class, as its bar says it; none for bins of values.
  QStringList shares() const {
    QStringList texts;
    if (codes_.empty()) return texts;
    const double total = std::max<double>(1, std::accumulate(counts_.begin(), counts_.end(), 0.0));
    for (const std::uint64_t count : counts_)
      texts << QStringLiteral("%1%").arg(100.0 * static_cast<double>(count) / total, 0, 'f', 1);
    return texts;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (counts_.empty()) return;
    const QFontMetrics font = fontMetrics();
    const double total = std::max<double>(1, std::accumulate(counts_.begin(), counts_.end(), 0.0));
    const std::uint64_t tallest =
        std::max<std::uint64_t>(1, *std::max_element(counts_.begin(), counts_.end()));
    const double top_share = 100.0 * static_cast<double>(tallest) / total;
    const double top = font.height() + 2, bottom = height() - font.height() - kTick - 4;
    const gridmap::Ticks up = ticksFor(font, 0, top_share, bottom - top, 30, true);
    double left = 0;
    for (const std::string& label : up.labels)
      left = std::max<double>(left, font.horizontalAdvance(qs(label + "%")));
    left += kTick + 6;
    const double right = std::max(6.0, font.horizontalAdvance(qs(gridmap::scale_label(high_))) / 2.0 + 2);
    const QRectF plot(left, top, std::max(1.0, width() - left - right), std::max(1.0, bottom - top));
    const double width = plot.width() / counts_.size();
    for (std::size_t i = 0; i < counts_.size(); ++i) {
      const double h = plot.height() * static_cast<double>(counts_[i]) / static_cast<double>(tallest);
      painter.fillRect(QRectF(plot.left() + i * width + 1, plot.bottom() - h, std::max(1.0, width - 2), h),
                       i < colors_.size() ? colors_[i] : QColor(68, 1, 84));
    }
    painter.setPen(Qt::black);
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());
    for (std::size_t i = 0; i < up.values.size(); ++i) {
      const double y = plot.bottom() - plot.height() * up.values[i] / top_share;
      const QString label = qs(up.labels[i] + "%");
      painter.drawLine(QPointF(left - kTick, y), QPointF(left, y));
      painter.drawText(QPointF(left - kTick - 3 - font.horizontalAdvance(label),
                               y + (font.ascent() - font.descent()) / 2.0),
                       label);
    }
    const double label_top = plot.bottom() + kTick + 2 + font.ascent();
    const auto under = [&](double x, const QString& label) {
      painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + kTick));
      painter.drawText(QPointF(x - font.horizontalAdvance(label) / 2.0, label_top), label);
    };
    if (!codes_.empty()) {
      const QStringList texts = shares();
      for (std::size_t i = 0; i < codes_.size() && i < counts_.size(); ++i) {
        const double x = plot.left() + (i + 0.5) * width;
        under(x, QString::number(codes_[i]));
        const double h = plot.height() * static_cast<double>(counts_[i]) / static_cast<double>(tallest);
        const QString& share = texts[static_cast<int>(i)];
        painter.drawText(
            QPointF(x - font.horizontalAdvance(share) / 2.0, plot.bottom() - h - font.descent() - 1), share);
      }
    } else if (high_ > low_) {
      const gridmap::Ticks along = ticksFor(font, low_, high_, plot.width(), 40, false);
      for (std::size_t i = 0; i < along.values.size(); ++i)
        under(plot.left() + plot.width() * (along.values[i] - low_) / (high_ - low_), qs(along.labels[i]));
    }
  }

 private:
  std::vector<std::uint64_t> counts_;
  std::vector<QColor> colors_;
  double low_ = 0, high_ = 0;
  std::vector<long long> codes_;
};

// The continuous scale as the saved picture draws it: viridis upwards from the minimum, labelled
// at both ends and the middle.
class ColourBar : public QWidget {
 public:
  explicit ColourBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("colourBar"));
    setMinimumSize(120, 140);
  }
  void setScale(double min, double max) {
    labels_ = {qs(gridmap::scale_label(max)), qs(gridmap::scale_label((min + max) / 2)),
               qs(gridmap::scale_label(min))};
    update();
  }
  // From the top: the maximum, the middle, the minimum.
  const QStringList& labels() const { return labels_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QFontMetrics font = fontMetrics();
    const int top = font.height() / 2, bar = std::max(2, height() - font.height());
    for (int row = 0; row < bar; ++row)
      painter.fillRect(0, top + row, 24, 1,
                       qcolor(gridmap::viridis(1.0 - static_cast<double>(row) / (bar - 1))));
    painter.setPen(palette().windowText().color());
    for (int i = 0; i < labels_.size(); ++i) {
      const int y = top + i * (bar - 1) / 2;
      painter.drawLine(24, y, 24 + kTick, y);
      painter.drawText(QPointF(24 + kTick + 4, y + (font.ascent() - font.descent()) / 2.0), labels_[i]);
    }
  }

 private:
  QStringList labels_;
};

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
  // A geometry the panel could not give leaves the map counting nodes.
  const bool placed = !source.origin_text.empty() && !source.spacing_text.empty() &&
                      gridmap::read_geometry(source.origin_text, source.spacing_text, request).completed();
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
  if (placed) view->placeNodes(source.origin_text, source.spacing_text);
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

  // Where the nodes lie: the axes, the status bar and Export's questions take it.
  auto* geometry = new QHBoxLayout;
  outer->addLayout(geometry);
  const auto box = [&](const char* label, const char* name, const std::array<double, 3>& values) {
    geometry->addWidget(new QLabel(QString::fromLatin1(label), this));
    auto* edit = new QLineEdit(qs(tripleText(values)), this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaximumWidth(
        edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000.5,0000000.5,0000.5")));
    geometry->addWidget(edit, 1);
    connect(edit, &QLineEdit::editingFinished, this,
            [this] { placeNodes(str(origin_box_->text()), str(spacing_box_->text())); });
    return edit;
  };
  origin_box_ = box("Origin X0,Y0,Z0", "originBox", request_.origin);
  spacing_box_ = box("Spacing DX,DY,DZ", "spacingBox", request_.spacing);
  geometry->addStretch();

  auto* body = new QHBoxLayout;
  outer->addLayout(body, 1);
  canvas_ = new MapCanvas(this, [this](const QPoint& node) { showNodeUnder(node); });
  body->addWidget(canvas_, 3);
  auto* side = new QVBoxLayout;
  body->addLayout(side, 1);
  legend_ = new QListWidget(this);
  legend_->setObjectName(QStringLiteral("legend"));
  side->addWidget(legend_);
  bar_ = new ColourBar(this);
  side->addWidget(bar_);
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
  canvas_->setImage(map_, gridmap::map_axes(request_), values_.step);
  refreshKey();
  refreshFigures();
  // The node under the mouse is now one of this slice.
  showNodeUnder(hovered_);
}

bool GridView::placeNodes(const std::string& origin, const std::string& spacing) {
  gridmap::GridRequest placed = request_;
  const job::Outcome read = gridmap::read_geometry(origin, spacing, placed);
  for (QLineEdit* edit : {origin_box_, spacing_box_})
    edit->setStyleSheet(read.completed() ? QString() : QStringLiteral("color: #a00000"));
  if (!read.completed()) {
    status_->showMessage(qs(read.message));
    return false;
  }
  request_.origin = placed.origin;
  request_.spacing = placed.spacing;
  origin_box_->setText(qs(origin));
  spacing_box_->setText(qs(spacing));
  // Export places the same grid.
  export_origin_ = origin;
  export_spacing_ = spacing;
  canvas_->setImage(map_, gridmap::map_axes(request_), values_.step);
  showNodeUnder(hovered_);
  return true;
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
  const bool classes = style_.palette == gridmap::Palette::Classes;
  legend_->setVisible(classes);
  bar_->setVisible(!classes);
  bar_->setScale(style_.min, style_.max);
  legend_->clear();
  const auto add = [this](const QString& text, gridmap::Rgb color) {
    QPixmap swatch(16, 16);
    swatch.fill(qcolor(color));
    legend_->addItem(new QListWidgetItem(QIcon(swatch), text));
  };
  if (style_.palette == gridmap::Palette::Classes) {
    for (const long long code : scan_.codes) add(QString::number(code), gridmap::class_color(code));
    if (!gridmap::distinct_class_colors(scan_.codes)) legend_->addItem(qs(gridmap::kCodesGrouped));
  }
}

void GridView::refreshFigures() {
  const bool slice = scope_->currentIndex() == 1;
  const std::vector<double>& values = slice ? values_.cells : scan_.sample;
  const gridmap::GridStats stats = slice ? gridmap::statistics_of(values_.cells) : scan_.stats;
  std::vector<std::uint64_t> bins;
  std::vector<QColor> colors;
  std::vector<long long> codes;
  if (style_.palette == gridmap::Palette::Classes && !scan_.codes.empty()) {
    codes = scan_.codes;
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
  chart_->setBins(std::move(bins), std::move(colors), scan_.stats.min, scan_.stats.max, std::move(codes));
  statistics_->setText(qs(gridmap::statistics_text(stats)));
}

void GridView::showNodeUnder(const QPoint& node) {
  hovered_ = node;
  if (node.isNull()) {
    status_->clearMessage();
    return;
  }
  // A cell of a large slice stands for a block of nodes: its first node is named.
  const std::size_t i = static_cast<std::size_t>(node.y() - 1) * static_cast<std::size_t>(values_.width) +
                        static_cast<std::size_t>(node.x() - 1);
  const double value = i < values_.cells.size() ? values_.cells[i] : std::nan("");
  const long long nodes[] = {(node.x() - 1) * values_.step + 1, (node.y() - 1) * values_.step + 1, z_};
  QStringList at;
  for (int axis = 0; axis < 3; ++axis) {
    at << QString::number(
        request_.origin[axis] + static_cast<double>(nodes[axis] - 1) * request_.spacing[axis], 'g', 10);
  }
  status_->showMessage(QStringLiteral("x %1   y %2   z %3   at %4   value %5")
                           .arg(nodes[0])
                           .arg(nodes[1])
                           .arg(nodes[2])
                           .arg(at.join(QStringLiteral(", ")), std::isnan(value)
                                                                   ? QStringLiteral("none")
                                                                   : qs(gridmap::scale_label(value))));
}

QString GridView::statusText() const {
  return status_->currentMessage();
}

QStringList GridView::keyLabels() const {
  if (style_.palette == gridmap::Palette::Continuous) return bar_->labels();
  QStringList texts;
  for (int i = 0; i < legend_->count(); ++i) texts << legend_->item(i)->text();
  return texts;
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
  // The geometry answered is where the map's nodes lie too; one that is not stays Export's to refuse.
  if (gridmap::GridRequest placed; gridmap::read_geometry(*origin, *spacing, placed).completed())
    placeNodes(*origin, *spacing);
  job::Hooks window_side;
  const job::Outcome outcome = BackgroundRun(window(), QStringLiteral("Exporting the grid"),
                                             QStringLiteral("nodes"), window_side)([&](job::Hooks& worker) {
    return gridmap::export_grid_file(request_, *origin, *spacing, choice->full_path, worker);
  });
  if (outcome.ending != job::Ending::Cancelled) showOk(context_.platform, outcome.message);
}

}  // namespace meldrit::app
