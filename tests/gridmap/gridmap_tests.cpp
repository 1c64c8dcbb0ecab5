#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "gridmap/grid_scan.h"
#include "gridmap/map_figure.h"
#include "gridmap/map_render.h"
#include "support/run_program.h"

namespace meldrit::gridmap {
namespace {

using test::crlf;

GridRequest request(const std::string& path, long long nx, long long ny, long long nz) {
  GridRequest r;
  r.path = path;
  r.nx = nx;
  r.ny = ny;
  r.nz = nz;
  return r;
}

TEST(GridScan, StatisticsCodesAndWhatIsMissing) {
  // file bytes, skip, values per node and the one mapped, the outcome's message (empty: completed),
  // nodes read, count, min, max, codes
  const struct {
    std::string bytes;
    double skip;
    int per_node, index;
    std::string message;
    std::uint64_t read, count;
    double min, max;
    std::vector<long long> codes;
  } cases[] = {
      {crlf("h|1|2|3|4|5|6"), 1, 1, 1, "", 6, 6, 1, 6, {1, 2, 3, 4, 5, 6}},
      {"1,2 3\r4\n5 6", 0, 1, 1, "", 6, 6, 1, 6, {1, 2, 3, 4, 5, 6}},  // any separators, any line ends
      {crlf("0.1 9|0.2 8|0.3 7|0.4 6|0.5 5|0.6 4"), 0, 2, 1, "", 6, 6, 0.1, 0.6, {}},
      {crlf("0.1 9|0.2 8|0.3 7|0.4 6|0.5 5|0.6 4"), 0, 2, 2, "", 6, 6, 4, 9, {4, 5, 6, 7, 8, 9}},
      {crlf("1|2|3|4"), 0, 1, 1, "The file holds 4 of the 6 nodes.", 4, 4, 1, 4, {1, 2, 3, 4}},
      {crlf("1|x|3|4|5|6"), 0, 1, 1, "Node 2 is not a number.", 6, 5, 1, 6, {1, 3, 4, 5, 6}},
      {crlf("h"), 3, 1, 1, "The file holds 0 of the 6 nodes.", 0, 0, 0, 0, {}},
      // More values than the nodes hold, whole nodes or not, is no map of this grid.
      {crlf("1|2|3|4|5|6|7"),
       0,
       1,
       1,
       "The file holds 7 values, not the 6 of 6 nodes.",
       6,
       6,
       1,
       6,
       {1, 2, 3, 4, 5, 6}},
      {crlf("1 2|3 4|5 6|7 8|9 10|11 12|13 x|15 16"),
       0,
       2,
       1,
       "The file holds 16 values, not the 12 of 6 nodes of 2 values each.",
       6,
       6,
       1,
       11,
       {1, 3, 5, 7, 9, 11}},
      {crlf("1|x|3|4|5|6|7"),
       0,
       1,
       1,
       "The file holds 7 values, not the 6 of 6 nodes. Node 2 is not a number.",
       6,
       5,
       1,
       6,
       {1, 3, 4, 5, 6}},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    GridRequest r = request(dir.write("g.out", c.bytes), 3, 2, 1);
    r.skip = c.skip;
    r.values_per_node = c.per_node;
    r.value_index = c.index;
    const GridScan scan = scan_grid(r);
    EXPECT_EQ(scan.outcome.message, c.message) << c.bytes;
    EXPECT_EQ(scan.nodes_read, c.read) << c.bytes;
    EXPECT_EQ(scan.stats.count, c.count) << c.bytes;
    EXPECT_DOUBLE_EQ(scan.stats.min, c.min) << c.bytes;
    EXPECT_DOUBLE_EQ(scan.stats.max, c.max) << c.bytes;
    EXPECT_EQ(scan.codes, c.codes) << c.bytes;
    EXPECT_EQ(scan.values_beyond > 0, c.message.find("values, not") != std::string::npos) << c.bytes;
  }
  EXPECT_EQ(scan_grid(request(dir.file("none.out"), 1, 1, 1)).outcome.message,
            "Cannot open " + dir.file("none.out"));
  EXPECT_EQ(scan_grid(request(dir.file("g.out"), 0, 1, 1)).outcome.ending, job::Ending::Refused);
}

TEST(GridScan, EachSliceIsReadAloneFromWhereItStarts) {
  test::TempDir dir;
  // Slices start in the middle of a line, after a comma and after a quoted field.
  const std::string path = dir.write("g.out", "head\r\n1 2 3,4\r\n5 \"6\"  7 8\r\n9,10,11 12\r\n");
  GridRequest r = request(path, 2, 2, 3);
  r.skip = 1;
  const GridScan scan = scan_grid(r);
  ASSERT_TRUE(scan.outcome.completed());
  ASSERT_EQ(scan.slice_offsets.size(), 3u);
  EXPECT_EQ(read_slice(r, scan, 0).cells, (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(read_slice(r, scan, 2).cells, (std::vector<double>{9, 10, 11, 12}));
  EXPECT_EQ(read_slice(r, scan, 1).cells, (std::vector<double>{5, 6, 7, 8}));
  // A slice the file does not reach is all missing.
  r.nz = 4;
  const GridScan short_scan = scan_grid(r);
  EXPECT_TRUE(std::isnan(read_slice(r, short_scan, 3).cells[0]));
}

TEST(GridScan, QuartilesHistogramAndStatisticsOfASlice) {
  const GridStats stats = statistics_of({4, 1, 3, 2, std::nan("")});
  EXPECT_EQ(stats.count, 4u);
  EXPECT_DOUBLE_EQ(stats.q1, 1.75);
  EXPECT_DOUBLE_EQ(stats.median, 2.5);
  EXPECT_DOUBLE_EQ(stats.q3, 3.25);
  EXPECT_DOUBLE_EQ(stats.std, std::sqrt(1.25));
  EXPECT_EQ(histogram({0, 0.1, 0.5, 0.99, 1, 2, std::nan("")}, 2, 0, 1), (std::vector<std::uint64_t>{2, 3}));
}

TEST(MapRender, NorthUpOneSquareANodeAndAFigureWithItsKey) {
  const MapStyle style{Palette::Continuous, 0, 5};
  const Image map = render_slice(Slice{3, 2, 1, {0, 1, 2, 3, 4, 5}}, style, 2);
  ASSERT_EQ(map.width, 6);
  ASSERT_EQ(map.height, 4);
  EXPECT_EQ(map.at(0, 3), viridis(0));    // node (1, 1): bottom left
  EXPECT_EQ(map.at(5, 0), viridis(1));    // node (3, 2): top right
  EXPECT_EQ(map.at(3, 0), viridis(0.8));  // node (2, 2)
  EXPECT_EQ(color_of(std::nan(""), style), kNoValue);
  EXPECT_EQ(color_of(2, {Palette::Classes, 0, 0}), class_color(2));
  EXPECT_NE(class_color(1), class_color(2));
  EXPECT_EQ(viridis(-1), viridis(0));

  const Image figure = render_figure(Slice{2, 2, 1, {1, 2, 1, 2}}, {Palette::Classes, 1, 2}, {1, 2},
                                     "codes.out  Z = 1 of 1", {{2}, {2}});
  const FigureLayout layout = figure_layout(Slice{2, 2, 1, {}}, {{2}, {2}});
  EXPECT_EQ(figure.at(layout.map_left, layout.map_top + 2 * layout.cell - 1), class_color(1));
  EXPECT_EQ(figure.at(layout.map_left + layout.cell, layout.map_top), class_color(2));
  EXPECT_EQ(figure.at(0, 0), (Rgb{255, 255, 255}));
}

TEST(MapRender, AxesTickRoundCoordinatesWithLabelsThatFit) {
  const auto room = [](const std::string& label) { return text_width(label, 2) + 16.0; };
  // low, high, pixels, the step, the labels
  const std::tuple<double, double, double, double, std::vector<std::string>> cases[] = {
      {0.5, 60.5, 600, 10, {"10", "20", "30", "40", "50", "60"}},  // node numbers
      {0, 600, 600, 100, {"0", "100", "200", "300", "400", "500", "600"}},
      {-0.05, 0.95, 400, 0.2, {"0.0", "0.2", "0.4", "0.6", "0.8"}},  // never "-0.0"
      {1e6, 1e6 + 100, 400, 50, {"1000000", "1000050", "1000100"}},  // wide labels take a longer step
      {3, 3, 400, 0, {}},
  };
  for (const auto& [low, high, pixels, step, labels] : cases) {
    const Ticks ticks = axis_ticks(low, high, pixels, 80, room);
    EXPECT_DOUBLE_EQ(ticks.step, step) << low;
    EXPECT_EQ(ticks.labels, labels) << low;
  }
  // The figure's ticks under the map: at nodes 1 to 4 by default, at every 10 from 0 for node 1
  // at 5 and a spacing of 10, one cell (150 pixels) a node.
  const Slice slice{4, 1, 1, {1, 2, 3, 4}};
  for (const auto& [axis, ticked] : {std::pair{Axis{4}, std::vector<int>{75, 225, 375, 525}},
                                     std::pair{Axis{4, 5, 10}, std::vector<int>{0, 150, 300, 450, 600}}}) {
    const Image figure = render_figure(slice, {Palette::Continuous, 1, 4}, {}, "t", {axis, Axis{1}});
    const FigureLayout layout = figure_layout(slice, {axis, Axis{1}});
    std::vector<int> marks;
    for (int x = 0; x <= 4 * layout.cell; ++x)
      if (figure.at(layout.map_left + x, layout.map_top + layout.cell + 2) == Rgb{}) marks.push_back(x);
    EXPECT_EQ(marks, ticked) << axis.spacing;
  }
}

TEST(MapRender, ClassesOnlyWhenEveryCodeHasAColourOfItsOwn) {
  // codes, the palette chosen by default
  const std::pair<std::vector<long long>, Palette> cases[] = {
      {{1, 2, 3}, Palette::Classes},
      {{-3, 0, 1, 2, 3, 4, 5, 6}, Palette::Classes},
      {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, Palette::Classes},
      {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, Palette::Continuous},
      {{0, 100}, Palette::Continuous},  // one colour for both
      {{}, Palette::Continuous},
  };
  for (const auto& [codes, palette] : cases) {
    GridScan scan;
    scan.codes = codes;
    EXPECT_EQ(style_for(scan, std::nullopt, std::nullopt, std::nullopt).palette, palette) << codes.size();
    EXPECT_EQ(distinct_class_colors(codes), palette == Palette::Classes) << codes.size();
  }
  // Asked for anyway, codes that share a colour are said so on the line under their legend.
  const Slice slice{2, 1, 1, {0, 100}};
  const FigureLayout layout = figure_layout(slice, {{2}, {1}});
  const auto note_dots = [&](const std::vector<long long>& codes) {
    const Image figure = render_figure(slice, {Palette::Classes, 0, 100}, codes, "t", {{2}, {1}});
    int dots = 0;
    for (int y = layout.map_top + 48; y < layout.map_top + 72; ++y)
      for (int x = layout.map_left + 2 * layout.cell; x < figure.width; ++x) dots += figure.at(x, y) == Rgb{};
    return dots;
  };
  EXPECT_GT(note_dots({0, 100}), 0);
  EXPECT_EQ(note_dots({0, 1}), 0);
}

TEST(MapCommand, WritesThePictureAndStatisticsOrSaysWhatIsWrong) {
  test::TempDir dir;
  dir.write("g.out", crlf("1|2|3|4|5|6|7|8"));
  const std::string cli = test::built("meldrit-cli") + " map --input g.out --png m.png ";
  // arguments, exit status, standard output, standard error
  const std::tuple<std::string, int, std::string, std::string> cases[] = {
      {"--nodes 2,2,2", 0, "count 8\nmin 1\nmax 8\nmean 4.5\nstd 2.291287847\nq1 2.75\nmedian 4.5\nq3 6.25\n",
       ""},
      {"--nodes 2,2,3", 1, "", "The file holds 8 of the 12 nodes.\n"},
      {"--nodes 2,2,2 --z 3", 1, "", "Z must be from 1 to 2.\n"},
      {"--nodes 2,2,0", 1, "", "Every node count must be at least 1.\n"},
      {"--nodes 2,2,2 --threshold 3 --thresholds 2", 1, "", "The value to map lies outside its node.\n"},
      {"--nodes 2,2,1", 1, "", "The file holds 8 values, not the 4 of 4 nodes.\n"},
      {"--nodes 1,1,1 --threshold 1 --thresholds 3", 1, "",
       "The file holds 8 values, not the 3 of 1 node of 3 values each.\n"},
      {"--nodes 2,2,2 --origin 5,5,1 --spacing 10,10,2", 0,
       "count 8\nmin 1\nmax 8\nmean 4.5\nstd 2.291287847\nq1 2.75\nmedian 4.5\nq3 6.25\n", ""},
      // Usage errors: the message, then the usage.
      {"--nodes 2,2,2 --origin 5,5", 2, "", "--origin: expects three finite numbers X0,Y0,Z0, got '5,5'\n"},
      {"--nodes 2,2,2 --spacing 10,0,2", 2, "",
       "--spacing: expects three positive numbers DX,DY,DZ, got '10,0,2'\n"},
  };
  for (const auto& [arguments, status, out, err] : cases) {
    std::filesystem::remove(dir.file("m.png"));
    const test::ProgramRun run = test::run_in(dir.path().string(), cli + arguments);
    EXPECT_EQ(run.status, status) << arguments;
    EXPECT_EQ(run.out, out) << arguments;
    EXPECT_EQ(status == 2 ? run.err.substr(0, err.size()) : run.err, err) << arguments;
    EXPECT_EQ(std::filesystem::exists(dir.file("m.png")), status == 0) << arguments;
  }
  const test::ProgramRun missing = test::run_in(
      dir.path().string(), test::built("meldrit-cli") + " map --input missing.out --nodes 1,1,1 --png m.png");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "Cannot open missing.out\n");
}

}  // namespace
}  // namespace meldrit::gridmap
