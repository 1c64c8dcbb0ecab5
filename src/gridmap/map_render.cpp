#include "gridmap/map_render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace meldrit::gridmap {
namespace {

// The program's own 5 x 7 glyphs for ASCII 32..126, a byte a row, bit 4 the leftmost dot.
constexpr std::array<std::array<std::uint8_t, 7>, 95> kGlyphs = {{
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x04, 0x04, 0x04, 0x04, 0x04, 0x00, 0x04},
    {0x0A, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00}, {0x0A, 0x0A, 0x1F, 0x0A, 0x1F, 0x0A, 0x0A},
    {0x04, 0x0F, 0x14, 0x0E, 0x05, 0x1E, 0x04}, {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03},
    {0x0C, 0x12, 0x14, 0x08, 0x15, 0x12, 0x0D}, {0x04, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x02, 0x04, 0x08, 0x08, 0x08, 0x04, 0x02}, {0x08, 0x04, 0x02, 0x02, 0x02, 0x04, 0x08},
    {0x00, 0x04, 0x15, 0x0E, 0x15, 0x04, 0x00}, {0x00, 0x04, 0x04, 0x1F, 0x04, 0x04, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0x0C, 0x04, 0x08}, {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}, {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00},
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}, {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x04, 0x08},
    {0x02, 0x04, 0x08, 0x10, 0x08, 0x04, 0x02}, {0x00, 0x00, 0x1F, 0x00, 0x1F, 0x00, 0x00},
    {0x08, 0x04, 0x02, 0x01, 0x02, 0x04, 0x08}, {0x0E, 0x11, 0x01, 0x02, 0x04, 0x00, 0x04},
    {0x0E, 0x11, 0x01, 0x0D, 0x15, 0x15, 0x0E}, {0x0E, 0x11, 0x11, 0x11, 0x1F, 0x11, 0x11},
    {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}, {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E},
    {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}, {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F},
    {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}, {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F},
    {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}, {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}, {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11},
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}, {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11},
    {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}, {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},
    {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}, {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D},
    {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}, {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E},
    {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}, {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E},
    {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}, {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A},
    {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}, {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04},
    {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}, {0x0E, 0x08, 0x08, 0x08, 0x08, 0x08, 0x0E},
    {0x00, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00}, {0x0E, 0x02, 0x02, 0x02, 0x02, 0x02, 0x0E},
    {0x04, 0x0A, 0x11, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F},
    {0x08, 0x04, 0x02, 0x00, 0x00, 0x00, 0x00}, {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F},
    {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x1E}, {0x00, 0x00, 0x0E, 0x10, 0x10, 0x11, 0x0E},
    {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F}, {0x00, 0x00, 0x0E, 0x11, 0x1F, 0x10, 0x0E},
    {0x06, 0x09, 0x08, 0x1C, 0x08, 0x08, 0x08}, {0x00, 0x00, 0x0F, 0x11, 0x0F, 0x01, 0x0E},
    {0x10, 0x10, 0x16, 0x19, 0x11, 0x11, 0x11}, {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E},
    {0x02, 0x00, 0x06, 0x02, 0x02, 0x12, 0x0C}, {0x10, 0x10, 0x12, 0x14, 0x18, 0x14, 0x12},
    {0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}, {0x00, 0x00, 0x1A, 0x15, 0x15, 0x11, 0x11},
    {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}, {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E},
    {0x00, 0x00, 0x1E, 0x11, 0x1E, 0x10, 0x10}, {0x00, 0x00, 0x0D, 0x13, 0x0F, 0x01, 0x01},
    {0x00, 0x00, 0x16, 0x19, 0x10, 0x10, 0x10}, {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E},
    {0x08, 0x08, 0x1C, 0x08, 0x08, 0x09, 0x06}, {0x00, 0x00, 0x11, 0x11, 0x11, 0x13, 0x0D},
    {0x00, 0x00, 0x11, 0x11, 0x11, 0x0A, 0x04}, {0x00, 0x00, 0x11, 0x11, 0x15, 0x15, 0x0A},
    {0x00, 0x00, 0x11, 0x0A, 0x04, 0x0A, 0x11}, {0x00, 0x00, 0x11, 0x11, 0x0F, 0x01, 0x0E},
    {0x00, 0x00, 0x1F, 0x02, 0x04, 0x08, 0x1F}, {0x02, 0x04, 0x04, 0x08, 0x04, 0x04, 0x02},
    {0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}, {0x08, 0x04, 0x04, 0x02, 0x04, 0x04, 0x08},
    {0x00, 0x00, 0x08, 0x15, 0x02, 0x00, 0x00},
}};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr int kMargin = 12;
constexpr int kTitleScale = 2;
constexpr int kLabelScale = 2;
constexpr int kMapRoom = kFigureMapRoom;
constexpr int kBarWidth = 24;

// Ten colours apart in hue and lightness, so that neighbouring codes never look alike.
constexpr std::array<Rgb, 10> kClassColors = {{{31, 119, 180},
                                               {255, 127, 14},
                                               {44, 160, 44},
                                               {214, 39, 40},
                                               {148, 103, 189},
                                               {140, 86, 75},
                                               {227, 119, 194},
                                               {127, 127, 127},
                                               {188, 189, 34},
                                               {23, 190, 207}}};

std::uint8_t channel(double value) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

}  // namespace

Image::Image(int w, int h, Rgb fill) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h * 3) {
  this->fill(0, 0, w, h, fill);
}

Rgb Image::at(int x, int y) const {
  const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
  return {pixels[i], pixels[i + 1], pixels[i + 2]};
}

void Image::set(int x, int y, Rgb color) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
  pixels[i] = color.r;
  pixels[i + 1] = color.g;
  pixels[i + 2] = color.b;
}

void Image::fill(int x, int y, int w, int h, Rgb color) {
  for (int row = std::max(y, 0); row < std::min(y + h, height); ++row) {
    for (int col = std::max(x, 0); col < std::min(x + w, width); ++col) set(col, row, color);
  }
}

Rgb viridis(double t) {
  t = std::clamp(t, 0.0, 1.0);
  // mattz's sixth-degree polynomial fit of the viridis colour map, channel by channel (CC0; see
  // packaging/copyright).
  constexpr double r[] = {0.2777273272234177, 0.1050930431085774, -0.3308618287255563, -4.634230498983486,
                          6.228269936347081,  4.776384997670288,  -5.435455855934631};
  constexpr double g[] = {0.005407344544966578, 1.404613529898575,  0.214847559468213, -5.799100973351585,
                          14.17993336680509,    -13.74514537774601, 4.645852612178535};
  constexpr double b[] = {0.3340998053353061, 1.384590162594685,  0.09509516302823659, -19.33244095627987,
                          56.69055260068105,  -65.35303263337234, 26.3124352495832};
  const auto poly = [t](const double* c) {
    double value = c[6];
    for (int k = 5; k >= 0; --k) value = value * t + c[k];
    return value;
  };
  return {channel(poly(r)), channel(poly(g)), channel(poly(b))};
}

Rgb class_color(long long code) {
  const long long n = static_cast<long long>(kClassColors.size());
  // Codes count from 1: class 1 takes the first colour.
  return kClassColors[static_cast<std::size_t>((((code - 1) % n) + n) % n)];
}

bool distinct_class_colors(const std::vector<long long>& codes) {
  if (codes.empty() || codes.size() > kClassColors.size()) return false;
  std::vector<std::size_t> used;
  for (const long long code : codes) {
    const Rgb color = class_color(code);
    const auto at = std::find(kClassColors.begin(), kClassColors.end(), color);
    used.push_back(static_cast<std::size_t>(at - kClassColors.begin()));
  }
  std::sort(used.begin(), used.end());
  return std::adjacent_find(used.begin(), used.end()) == used.end();
}

Rgb color_of(double value, const MapStyle& style) {
  if (std::isnan(value)) return kNoValue;
  if (style.palette == Palette::Classes) return class_color(std::llround(value));
  // In long double: the span of values near the largest double would overflow a double.
  const long double span = static_cast<long double>(style.max) - style.min;
  return viridis(span > 0 ? static_cast<double>((value - static_cast<long double>(style.min)) / span) : 0.5);
}

Image render_slice(const Slice& slice, const MapStyle& style, int cell) {
  const long long nx = slice.width, ny = slice.height;
  Image image(static_cast<int>(nx * cell), static_cast<int>(ny * cell), kNoValue);
  for (long long y = 0; y < ny; ++y) {
    for (long long x = 0; x < nx; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * nx + x);
      const Rgb color = i < slice.cells.size() ? color_of(slice.cells[i], style) : kNoValue;
      // Y grows upwards: the first row of the file is the bottom row of the picture.
      image.fill(static_cast<int>(x * cell), static_cast<int>((ny - 1 - y) * cell), cell, cell, color);
    }
  }
  return image;
}

namespace {

constexpr int kTickLength = 5;
constexpr int kLabelHeight = 7 * kLabelScale;

// The figure's plan: the map's place and cell, and the ticks of both axes in pixels from the map's
// left and bottom edges.
struct FigurePlan {
  FigureLayout layout;
  int map_width = 0, map_height = 0;
  std::vector<std::pair<int, std::string>> x_ticks, y_ticks;
  int overhang = 0;  // of the last X label beyond the map's right edge
};

std::vector<std::pair<int, std::string>> ticks_along(const Axis& axis, double pixels_per_node,
                                                     double room_add, bool across) {
  const double low = axis.at(0.5), high = axis.at(static_cast<double>(axis.nodes) + 0.5);
  const Ticks ticks = axis_ticks(low, high, static_cast<double>(axis.nodes) * pixels_per_node, 80,
                                 [&](const std::string& label) {
                                   return (across ? text_width(label, kLabelScale) : kLabelHeight) + room_add;
                                 });
  std::vector<std::pair<int, std::string>> placed;
  for (std::size_t i = 0; i < ticks.values.size(); ++i) {
    const double node = axis.node_at(ticks.values[i]);
    placed.emplace_back(static_cast<int>(std::lround((node - 0.5) * pixels_per_node)), ticks.labels[i]);
  }
  return placed;
}

FigurePlan plan_figure(const Slice& slice, const MapAxes& axes) {
  FigurePlan plan;
  FigureLayout& layout = plan.layout;
  layout.cell = static_cast<int>(std::max<long long>(1, kMapRoom / std::max(slice.width, slice.height)));
  plan.map_width = static_cast<int>(slice.width * layout.cell);
  plan.map_height = static_cast<int>(slice.height * layout.cell);
  // A cell stands for `step` x `step` nodes.
  const double per_node =
      static_cast<double>(layout.cell) / static_cast<double>(std::max<long long>(1, slice.step));
  plan.x_ticks = ticks_along(axes.x, per_node, 16, true);
  plan.y_ticks = ticks_along(axes.y, per_node, 16, false);
  int y_labels = 0;
  for (const auto& [at, label] : plan.y_ticks) y_labels = std::max(y_labels, text_width(label, kLabelScale));
  layout.map_left = kMargin + y_labels + kTickLength + 4;
  for (const auto& [at, label] : plan.x_ticks) {
    layout.map_left = std::max(layout.map_left, kMargin + text_width(label, kLabelScale) / 2 - at);
    plan.overhang = std::max(plan.overhang, at + text_width(label, kLabelScale) / 2 - plan.map_width);
  }
  layout.map_top = kMargin + 7 * kTitleScale + kMargin;
  return plan;
}

}  // namespace

FigureLayout figure_layout(const Slice& slice, const MapAxes& axes) {
  return plan_figure(slice, axes).layout;
}

Image render_figure(const Slice& slice, const MapStyle& style, const std::vector<long long>& codes,
                    const std::string& title, const MapAxes& axes) {
  const FigurePlan plan = plan_figure(slice, axes);
  const FigureLayout& layout = plan.layout;
  const Image map = render_slice(slice, style, layout.cell);
  std::vector<std::string> labels;
  if (style.palette == Palette::Classes) {
    for (const long long code : codes) labels.push_back(std::to_string(code));
    if (!distinct_class_colors(codes)) labels.emplace_back(kCodesGrouped);
  } else {
    labels = {scale_label(style.max), scale_label((style.min + style.max) / 2), scale_label(style.min)};
  }
  int label_width = 0;
  for (const std::string& label : labels) label_width = std::max(label_width, text_width(label, kLabelScale));
  const int key_left = layout.map_left + map.width + kMargin + std::max(0, plan.overhang);
  const int width = std::max(key_left + kBarWidth + 6 + label_width + kMargin,
                             kMargin + text_width(title, kTitleScale) + kMargin);
  const int key_height = style.palette == Palette::Classes ? static_cast<int>(labels.size()) * 24 : 200;
  const int axis_height = 1 + kTickLength + 4 + kLabelHeight;
  const int height = layout.map_top + std::max(map.height + axis_height, key_height) + kMargin;
  Image figure(width, height, kWhite);
  draw_text(figure, kMargin, kMargin, title, kBlack, kTitleScale);
  for (int y = 0; y < map.height; ++y) {
    for (int x = 0; x < map.width; ++x) figure.set(layout.map_left + x, layout.map_top + y, map.at(x, y));
  }
  // The axes just outside the map, so that they hide no node.
  const int bottom = layout.map_top + map.height;
  figure.fill(layout.map_left - 1, layout.map_top, 1, map.height + 1, kBlack);
  figure.fill(layout.map_left - 1, bottom, map.width + 1, 1, kBlack);
  for (const auto& [at, label] : plan.x_ticks) {
    const int x = layout.map_left + at;
    figure.fill(x, bottom + 1, 1, kTickLength, kBlack);
    draw_text(figure, x - text_width(label, kLabelScale) / 2, bottom + 1 + kTickLength + 4, label, kBlack,
              kLabelScale);
  }
  for (const auto& [at, label] : plan.y_ticks) {
    const int y = bottom - at;
    figure.fill(layout.map_left - 1 - kTickLength, y, kTickLength, 1, kBlack);
    draw_text(figure, layout.map_left - 1 - kTickLength - 4 - text_width(label, kLabelScale),
              y - kLabelHeight / 2, label, kBlack, kLabelScale);
  }
  const int label_left = key_left + kBarWidth + 6;
  if (style.palette == Palette::Classes) {
    for (std::size_t i = 0; i < codes.size(); ++i) {
      const int top = layout.map_top + static_cast<int>(i) * 24;
      figure.fill(key_left, top, kBarWidth, 18, class_color(codes[i]));
      draw_text(figure, label_left, top + 2, labels[i], kBlack, kLabelScale);
    }
    if (labels.size() > codes.size()) {
      draw_text(figure, key_left, layout.map_top + static_cast<int>(codes.size()) * 24 + 2, labels.back(),
                kBlack, kLabelScale);
    }
  } else {
    // The top of the bar is the maximum.
    for (int row = 0; row < key_height; ++row) {
      const double t = 1.0 - static_cast<double>(row) / (key_height - 1);
      figure.fill(key_left, layout.map_top + row, kBarWidth, 1, viridis(t));
    }
    for (std::size_t i = 0; i < labels.size(); ++i) {
      const int centre = layout.map_top + static_cast<int>(i) * (key_height - 1) / 2;
      draw_text(figure, label_left, std::clamp(centre - 7, layout.map_top, layout.map_top + key_height - 14),
                labels[i], kBlack, kLabelScale);
    }
  }
  return figure;
}

int draw_text(Image& image, int x, int y, const std::string& text, Rgb color, int scale) {
  int pen = x;
  for (const char c : text) {
    const unsigned char code = static_cast<unsigned char>(c);
    const auto& glyph = kGlyphs[code >= 32 && code <= 126 ? code - 32 : '?' - 32];
    for (int row = 0; row < 7; ++row) {
      for (int col = 0; col < 5; ++col) {
        if (glyph[row] & (0x10 >> col)) image.fill(pen + col * scale, y + row * scale, scale, scale, color);
      }
    }
    pen += 6 * scale;
  }
  return pen - x;
}

int text_width(const std::string& text, int scale) {
  return static_cast<int>(text.size()) * 6 * scale;
}

std::string scale_label(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

double nice_step(double least) {
  const double power = std::pow(10.0, std::floor(std::log10(least)));
  for (const double m : {1.0, 2.0, 5.0})
    if (m * power >= least) return m * power;
  return 10 * power;
}

Ticks axis_ticks(double low, double high, double pixels, double apart,
                 const std::function<double(const std::string&)>& room) {
  Ticks ticks;
  const double span = high - low;
  if (!(span > 0) || !std::isfinite(span) || !(pixels > 0)) return ticks;
  ticks.step = nice_step(span / std::max(1.0, std::floor(pixels / std::max(apart, 1.0))));
  for (;;) {
    ticks.values.clear();
    ticks.labels.clear();
    const double first = std::ceil(low / ticks.step - 1e-9), last = std::floor(high / ticks.step + 1e-9);
    // Coordinates far from 0 beside a span too fine for a double to tell apart get no ticks.
    if (!(last - first <= 1000)) return Ticks{};
    const int decimals = static_cast<int>(std::clamp(-std::floor(std::log10(ticks.step) + 1e-9), 0.0, 15.0));
    double widest = 0;
    for (double k = first; k <= last; ++k) {
      const double value = k * ticks.step + 0.0;  // never -0
      char text[400];
      std::snprintf(text, sizeof text, "%.*f", decimals, value);
      ticks.values.push_back(value);
      ticks.labels.emplace_back(text);
      widest = std::max(widest, room(ticks.labels.back()));
    }
    // Labels that would touch take the next step; two ticks or fewer are kept as they are.
    if (ticks.values.size() <= 2 || ticks.step / span * pixels >= widest) return ticks;
    ticks.step = nice_step(ticks.step * 1.5);
  }
}

}  // namespace meldrit::gridmap
