#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "gridmap/grid_scan.h"

namespace meldrit::gridmap {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// An RGB picture, rows from the top.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // 3 bytes a pixel

  Image() = default;
  Image(int w, int h, Rgb fill);
  Rgb at(int x, int y) const;
  void set(int x, int y, Rgb color);
  void fill(int x, int y, int w, int h, Rgb color);
};

enum class Palette { Continuous, Classes };

struct MapStyle {
  Palette palette = Palette::Continuous;
  double min = 0;  // the ends of the continuous scale, over the whole file so that slices compare
  double max = 1;
};

inline constexpr Rgb kNoValue{160, 160, 160};

// Viridis: perceptually uniform, readable in grey and by most colour-blind eyes. t from 0 to 1.
Rgb viridis(double t);
// A code's colour: ten well-separated colours, repeated beyond.
Rgb class_color(long long code);
// Whether every code of `codes` has a colour of its own (none when there are no codes): only then
// does a class map tell the codes apart.
bool distinct_class_colors(const std::vector<long long>& codes);
// What the legend adds under the codes when some share a colour.
inline constexpr std::string_view kCodesGrouped = "codes share colours";
// A node value in the style; NaN (a node the file does not hold) is grey.
Rgb color_of(double value, const MapStyle& style);

// Where the nodes lie along one axis of a map: node i (from 1) at first + (i - 1) * spacing. The
// defaults name each node by its number.
struct Axis {
  long long nodes = 1;
  double first = 1;  // the centre of node 1
  double spacing = 1;
  double at(double node) const { return first + (node - 1) * spacing; }
  double node_at(double coordinate) const { return (coordinate - first) / spacing + 1; }
};

struct MapAxes {
  Axis x, y;
};

// One square of `cell` pixels per cell of the slice, X to the right and Y upwards: node (1, 1) at
// the bottom left.
Image render_slice(const Slice& slice, const MapStyle& style, int cell);

// The picture "Save as PNG" writes: the title above, the map (cells fitted to about 600 pixels) with
// X and Y axes ticked in the axes' coordinates, and beside it the colour bar with the scale's ends,
// or the legend of `codes` (with kCodesGrouped under it when they share colours).
Image render_figure(const Slice& slice, const MapStyle& style, const std::vector<long long>& codes,
                    const std::string& title, const MapAxes& axes);

// The side of the map inside the figure, in pixels: a slice with more cells than this along a side
// is read into this many (see read_slice), since the picture could show no more.
inline constexpr int kFigureMapRoom = 600;

// Where render_figure puts the map and how large a cell is, for tests and for the view's cursor.
struct FigureLayout {
  int map_left = 0, map_top = 0, cell = 1;
};
FigureLayout figure_layout(const Slice& slice, const MapAxes& axes);

// Text in the program's own 5 x 7 bitmap font, `scale` pixels a dot; returns the width drawn.
int draw_text(Image& image, int x, int y, const std::string& text, Rgb color, int scale);
int text_width(const std::string& text, int scale);

// A number as a scale or legend shows it: up to 6 significant digits, no trailing zeros.
std::string scale_label(double value);

// The smallest of 1, 2 or 5 times a power of ten that is at least `least`.
double nice_step(double least);

// Round values along an axis from `low` to `high`, `pixels` long: the multiples of a nice step, at
// least `apart` pixels apart and further when the labels need it, `room` giving a label's extent
// along the axis. The labels carry as many decimals as the step, so that they read alike.
struct Ticks {
  double step = 0;
  std::vector<double> values;
  std::vector<std::string> labels;
};
Ticks axis_ticks(double low, double high, double pixels, double apart,
                 const std::function<double(const std::string&)>& room);

}  // namespace meldrit::gridmap
