#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QSlider>
#include <filesystem>

#include "app/app_test_support.h"
#include "app/grid_view.h"
#include "gridmap/map_render.h"

namespace meldrit::test {
namespace {

using gridmap::Rgb;

// v(x, y, z) = x + 10 y + 100 z on a 4 x 3 x 2 grid, one value a line as the jobs write them.
std::string knownGrid(int nodes = 24) {
  std::string bytes;
  for (int z = 1; z <= 2; ++z)
    for (int y = 1; y <= 3; ++y)
      for (int x = 1; x <= 4; ++x)
        if (nodes-- > 0) bytes += std::to_string(x + 10 * y + 100 * z) + ".000\r\n";
  return bytes;
}

Rgb pixel(const QImage& image, int x, int y) {
  const QColor color = image.pixelColor(x, y);
  return {static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
          static_cast<std::uint8_t>(color.blue())};
}

class GridViewTest : public testing::Test, public WindowOnFake {
 protected:
  app::GridView* view() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* view = qobject_cast<app::GridView*>(widget); view != nullptr && view->isVisible())
        return view;
    }
    return nullptr;
  }
  // The local panel's output picker with a file and the node counts 4, 3, 2.
  void mapLocalOutput(const std::string& bytes) {
    open("mnumeldritii");
    setNodes(3, "4", "3", "2");
    get<QLabel>("Label23")->setText(QString::fromStdString(folder.write("grid.out", bytes)));
    click("MapFrame11(1)");
  }
  void TearDown() override {
    while (app::GridView* open = view()) delete open;
  }
};

TEST_F(GridViewTest, KnownValuesGiveKnownColoursNorthUpOnEachSlice) {
  mapLocalOutput(knownGrid());
  app::GridView* grid = view();
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->slice(), 1);  // the middle of two
  const QImage& map = grid->mapImage();
  ASSERT_EQ(map.size(), QSize(4, 3));
  // The scale runs over the whole file, 111 to 234, so that slices compare.
  const auto expected = [](int x, int y, int z) {
    return gridmap::viridis((x + 10 * y + 100 * z - 111) / 123.0);
  };
  // Node (1, 1) at the bottom left, (4, 3) at the top right.
  EXPECT_EQ(pixel(map, 0, 2), expected(1, 1, 1));
  EXPECT_EQ(pixel(map, 3, 0), expected(4, 3, 1));
  EXPECT_EQ(pixel(map, 1, 1), expected(2, 2, 1));
  EXPECT_EQ(grid->findChild<QLabel*>("statistics")->text().toStdString(),
            "count 24\nmin 111\nmax 234\nmean 172.5\nstd 50.6746156\nq1 122.75\nmedian 172.5\nq3 222.25");

  grid->findChild<QSlider*>("zSlider")->setValue(2);
  EXPECT_EQ(grid->slice(), 2);
  EXPECT_EQ(pixel(grid->mapImage(), 0, 2), expected(1, 1, 2));
  EXPECT_EQ(pixel(grid->mapImage(), 3, 0), gridmap::viridis(1));
  EXPECT_EQ(grid->findChild<QLabel*>("missing")->text(), "");
}

TEST_F(GridViewTest, SavedPictureHasTheBatchFrontEndsPixels) {
  mapLocalOutput(knownGrid());
  platform.choose(folder.file("view.png"));
  view()->saveAsPng();
  // Whole numbers only: the batch front end would take them for codes unless told.
  ASSERT_EQ(runCli(folder.folder(), "map --input grid.out --nodes 4,3,2 --png cli.png --palette continuous"),
            0);
  const QImage saved(QString::fromStdString(folder.file("view.png")));
  const QImage batch(QString::fromStdString(folder.file("cli.png")));
  ASSERT_FALSE(saved.isNull());
  EXPECT_EQ(saved.convertToFormat(QImage::Format_RGB888), batch.convertToFormat(QImage::Format_RGB888));
  // The map inside the figure: node (1, 1) at the bottom left of its cells.
  const gridmap::FigureLayout layout = gridmap::figure_layout(gridmap::Slice{4, 3, 1, {}}, {{4}, {3}});
  EXPECT_EQ(pixel(batch, layout.map_left + 1, layout.map_top + 3 * layout.cell - 2), gridmap::viridis(0));
}

// Each format is the file the batch front end writes for the same grid and geometry; the view
// offers the geometry given last, and a geometry that is not three numbers writes nothing.
TEST_F(GridViewTest, ExportWritesTheBatchFrontEndsFileAtTheGeometryGiven) {
  mapLocalOutput(knownGrid());
  for (const std::string ending : {".vti", ".vtk", ".dat", ".grdecl"}) {
    SCOPED_TRACE(ending);
    platform.choose(folder.file("view" + ending));
    platform.texts = {"5,5,1", "10, 10, 2"};
    view()->exportGrid();
    EXPECT_EQ(platform.lastMessage(), "Wrote 1 array of 24 nodes to " + folder.file("view" + ending) + ".");
    ASSERT_EQ(runCli(folder.folder(),
                     "export --nodes 4,3,2 --origin 5,5,1 --spacing 10,10,2 --input grid.out "
                     "--output cli" +
                         ending),
              0);
    EXPECT_EQ(folder.read("view" + ending), folder.read("cli" + ending));
  }
  EXPECT_EQ(platform.asked.back(), "Export Grid|Node spacing (DX,DY,DZ):|10, 10, 2");
  EXPECT_EQ(
      platform.dialogs.back().filter,
      "VTK image data (*.vti)|*.vti|Legacy VTK (*.vtk)|*.vtk|GeoEAS (*.dat)|*.dat|GeoEAS (*.gslib)|*.gslib|"
      "Eclipse GRDECL (*.grdecl)|*.grdecl");

  platform.choose(folder.file("bad.vti"));
  platform.texts = {"5,5", "1,1,1"};
  view()->exportGrid();
  EXPECT_EQ(platform.lastMessage(), "Type the origin as three numbers X0,Y0,Z0, got '5,5'.");
  EXPECT_FALSE(std::filesystem::exists(folder.file("bad.vti")));
  // The file itself is never written over.
  platform.choose(folder.file("grid.out"));
  platform.texts = {"0,0,0", "1,1,1"};
  const std::string grid = folder.read("grid.out");
  view()->exportGrid();
  EXPECT_EQ(folder.read("grid.out"), grid);
  EXPECT_EQ(platform.lastMessage(), "Input data file and output file cannot be the same!");
}

TEST_F(GridViewTest, ClassCodesGetTheirColoursAndALegend) {
  // the codes the file cycles through, the legend, with the palette chosen in the view
  const struct {
    std::vector<int> codes;
    QStringList legend;
  } cases[] = {
      {{1, 2, 3}, {"1", "2", "3"}},
      // Codes that would share a colour are drawn on the continuous scale; as classes, the legend
      // says they share.
      {{0, 10}, {"10", "5", "0"}},
  };
  for (const auto& c : cases) {
    open("mnumultiphase");
    setNodes(0, "4", "3", "2");
    std::string codes;
    for (std::size_t i = 0; i < 24; ++i) codes += std::to_string(c.codes[i % c.codes.size()]) + "\r\n";
    get<QLabel>("in1")->setText(QString::fromStdString(folder.write("phases.out", codes)));
    click("MapFrame17");
    ASSERT_NE(view(), nullptr);
    auto* legend = view()->findChild<QListWidget*>("legend");
    EXPECT_EQ(view()->keyLabels(), c.legend);
    if (c.legend.front() == "1") {
      for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(pixel(legend->item(i)->icon().pixmap(16, 16).toImage(), 8, 8), gridmap::class_color(i + 1));
      }
      EXPECT_EQ(pixel(view()->mapImage(), 0, 2), gridmap::class_color(1));
      EXPECT_EQ(pixel(view()->mapImage(), 1, 2), gridmap::class_color(2));
    } else {
      EXPECT_NE(pixel(view()->mapImage(), 0, 2), pixel(view()->mapImage(), 1, 2));
      view()->findChild<QComboBox*>("paletteChoice")->setCurrentIndex(1);
      EXPECT_EQ(legend->item(legend->count() - 1)->text().toStdString(), gridmap::kCodesGrouped);
    }
    delete view();
  }
}

// The status bar follows the slice shown and names the node by its numbers and its coordinates,
// which Export offers too.
TEST_F(GridViewTest, StatusBarNamesTheNodeUnderTheMouseOnTheSliceShown) {
  mapLocalOutput(knownGrid());
  app::GridView* grid = view();
  ASSERT_TRUE(grid->placeNodes("5,5,1", "10,10,2"));
  EXPECT_FALSE(grid->placeNodes("5,5", "10,10,2"));
  EXPECT_EQ(grid->statusText(), "Type the origin as three numbers X0,Y0,Z0, got '5,5'.");
  auto* map = grid->findChild<QWidget*>("map");
  const QPointF centre(map->width() / 2.0, map->height() / 2.0);
  QMouseEvent move(QEvent::MouseMove, centre, map->mapToGlobal(centre), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QApplication::sendEvent(map, &move);
  int x = 0, y = 0;
  ASSERT_EQ(std::sscanf(grid->statusText().toLatin1().constData(), "x %d   y %d", &x, &y), 2);
  for (const int z : {1, 2}) {
    grid->findChild<QSlider*>("zSlider")->setValue(z);
    EXPECT_EQ(grid->statusText(), QStringLiteral("x %1   y %2   z %3   at %4, %5, %6   value %7")
                                      .arg(x)
                                      .arg(y)
                                      .arg(z)
                                      .arg(5 + (x - 1) * 10)
                                      .arg(5 + (y - 1) * 10)
                                      .arg(1 + (z - 1) * 2)
                                      .arg(x + 10 * y + 100 * z));
  }
  platform.choose(folder.file("view.vti"));
  grid->exportGrid();
  EXPECT_EQ(platform.asked.back(), "Export Grid|Origin, the centre of the first node (X0,Y0,Z0):|5,5,1");
}

TEST_F(GridViewTest, WhatAShortFileHoldsIsShownAndWhatIsMissingSaid) {
  mapLocalOutput(knownGrid(10) + "x\r\n");
  ASSERT_NE(view(), nullptr);
  EXPECT_EQ(view()->findChild<QLabel*>("missing")->text().toStdString(),
            "The file holds 11 of the 24 nodes. Node 11 is not a number.");
  const QImage& map = view()->mapImage();
  EXPECT_NE(pixel(map, 1, 0), gridmap::kNoValue);  // node (2, 3), the tenth, was read
  EXPECT_EQ(pixel(map, 2, 0), gridmap::kNoValue);  // the eleventh is no number
  EXPECT_EQ(pixel(map, 3, 0), gridmap::kNoValue);  // the twelfth is not in the file
  delete view();

  // A longer file is laid out for another grid: no map at all.
  for (const auto& [bytes, message] :
       {std::pair{knownGrid() + "1\r\n", "The file holds 25 values, not the 24 of 24 nodes."},
        std::pair{knownGrid() + knownGrid(), "The file holds 48 values, not the 24 of 24 nodes."}}) {
    mapLocalOutput(bytes);
    EXPECT_EQ(view(), nullptr);
    EXPECT_EQ(platform.lastMessage(), message);
  }
}

TEST_F(GridViewTest, TheTransformationsOutputAsksForItsNodeCounts) {
  open("mnuniform");
  pick("Command9", folder.write("data.dat", "1 5\r\n2 6\r\n3 7\r\n4 8\r\n5 9\r\n6 10\r\n"));
  click("Command20");
  get<QLabel>("uniformout")->setText(QString::fromStdString(folder.write("u.out", knownGrid(6))));
  platform.texts = {"4,2,1", "3,2,1"};
  click("MapFrame8");
  EXPECT_EQ(platform.asked.front(), "Map|Node counts NX,NY,NZ of the 6 samples:|6,1,1");
  EXPECT_EQ(platform.lastMessage(), "NX x NY x NZ must be the 6 samples of the file.");
  ASSERT_NE(view(), nullptr);
  EXPECT_EQ(view()->mapImage().size(), QSize(3, 2));
}

}  // namespace
}  // namespace meldrit::test
