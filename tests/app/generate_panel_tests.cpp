#include <gtest/gtest.h>

// The panel exists only in a build with the generator.
#ifdef MELDRIT_HAVE_GENERATOR

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QTableWidget>
#include <algorithm>
#include <filesystem>

#include "app/app_test_support.h"
#include "app/grid_view.h"
#include "pfield_generate/experimental_variogram.h"

namespace meldrit::test {
namespace {

using Texts = std::vector<std::string>;

const char* const kModel = "0.1 nug + 0.7 exp(20,10,3; 30,0,0) + 0.2 gau(8,8,2; 0,0,0)";

class GeneratePanel : public testing::Test, public WindowOnFake {
 protected:
  GeneratePanel() { open("mnugenerate"); }
  void TearDown() override {
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (qobject_cast<app::GridView*>(widget) != nullptr) delete widget;
  }

  QTableWidget* table() { return get<QTableWidget>("structures"); }
  QComboBox* type(int row) { return qobject_cast<QComboBox*>(table()->cellWidget(row, 0)); }
  // A structure row: its type, then contribution, three ranges and three angles.
  void setRow(int row, const QString& kind, const QStringList& cells) {
    type(row)->setCurrentText(kind);
    for (int c = 0; c < cells.size(); ++c) table()->item(row, c + 1)->setText(cells[c]);
  }
  QStringList row(int r) {
    QStringList texts{type(r)->currentText()};
    for (int c = 1; c < table()->columnCount(); ++c) texts << table()->item(r, c)->text();
    return texts;
  }
  // The panel's form of kModel on a 12 x 9 x 2 grid, realizations 2 and 3.
  void fillRequest(const std::string& output) {
    for (const auto& [name, text] : {std::pair{"nx", "12"},
                                     {"ny", "9"},
                                     {"nz", "2"},
                                     {"dx", "2"},
                                     {"dz", "1.5"},
                                     {"nugget", "0.1"},
                                     {"seed", "7"},
                                     {"firstRealization", "2"},
                                     {"lastRealization", "3"}})
      setBox(name, text);
    setRow(0, "exp", {"0.7", "20", "10", "3", "30", "0", "0"});
    click("addStructure");
    setRow(1, "gau", {"0.2", "8", "8", "2", "0", "0", "0"});
    setBox("outputPattern", output);
  }
  bool exists(const char* name) const { return std::filesystem::exists(folder.file(name)); }
};

TEST_F(GeneratePanel, RunWritesWhatTheBatchFrontEndWritesAndMapAndVariogramShowIt) {
  EXPECT_TRUE(shown("FrameGenerate"));
  trigger("mnumeldritii");
  EXPECT_FALSE(shown("FrameGenerate"));
  trigger("mnugenerate");
  EXPECT_FALSE(shown("Frame5"));

  pick("saveOutput", folder.file("gen.out"));
  EXPECT_TRUE(platform.dialogs.back().save);
  EXPECT_EQ(boxText("outputPattern"), folder.file("gen.out"));
  fillRequest(folder.file("gen.out"));
  EXPECT_EQ(caption("modelText"), kModel);
  click("runGenerate");
  EXPECT_EQ(platform.lastMessage(),
            "The output needs {} or {:03} for the realization's number when there are several.");
  EXPECT_FALSE(exists("gen.out"));

  setBox("outputPattern", folder.file("gen{:03}.out"));
  click("runGenerate");
  EXPECT_EQ(platform.lastMessage(), "p-field written.");
  EXPECT_FALSE(platform.busy);
  ASSERT_EQ(
      runCli(folder.folder(), "pfield --nodes 12,9,2 --spacing 2,1,1.5 --variogram '" + std::string(kModel) +
                                  "' --seed 7 --realizations 2-3 --output 'cli{:03}.out'"),
      0);
  for (const char* r : {"002", "003"}) {
    const std::string written = folder.read("gen" + std::string(r) + ".out");
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 12 * 9 * 2) << r;
    EXPECT_EQ(written, folder.read("cli" + std::string(r) + ".out")) << r;
  }
  EXPECT_NE(folder.read("gen002.out"), folder.read("gen003.out"));
  EXPECT_FALSE(exists("gen001.out"));

  click("mapGenerate");
  app::GridView* view = nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* found = qobject_cast<app::GridView*>(widget); found != nullptr && found->isVisible())
      view = found;
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->mapImage().size(), QSize(12, 9));
  // The panel's spacing, node 1 half a spacing from the grid's corner.
  EXPECT_EQ(view->findChild<QLineEdit*>("originBox")->text(), "1,0.5,0.75");
  EXPECT_EQ(view->findChild<QLineEdit*>("spacingBox")->text(), "2,1,1.5");

  // The first realization's variogram with the panel's model over it.
  click("variogramGenerate");
  auto* dialog = window->findChild<QDialog*>("variogramDialog");
  ASSERT_NE(dialog, nullptr);
  namespace pg = pfield_generate;
  pg::GridVariogramRequest request;
  request.grid = {folder.file("gen002.out"), 0, 12, 9, 2, 1, 1};
  request.dx = 2;
  request.dz = 1.5;
  request.normal_scores = true;
  const pg::VariogramResult expected = pg::grid_variogram(request);
  ASSERT_TRUE(expected.outcome.completed());
  const pg::VariogramModel model = pg::parse_variogram_model(kModel).model;
  const QImage picture = dialog->findChild<QLabel*>("variogramPicture")->pixmap().toImage();
  EXPECT_EQ(picture.convertToFormat(QImage::Format_RGB888),
            app::toQImage(pg::variogram_figure(expected.curves, &model,
                                               "Variogram of the normal scores of gen002.out")));
}

TEST_F(GeneratePanel, BadModelsAndRequestsShowTheirMessageAndWriteNothing) {
  fillRequest(folder.file("bad{}.out"));
  table()->item(0, 1)->setText("0.5");
  click("runGenerate");
  setRow(0, "exp", {"0.7", "20", "", "3", "30", "0", "0"});
  click("runGenerate");
  setRow(0, "exp", {"0.7", "20", "10", "3", "30", "0", "0"});
  setBox("nx", "12.5");
  click("runGenerate");
  setBox("nx", "2000");
  click("runGenerate");
  EXPECT_EQ(platform.messageTexts(),
            (Texts{"The contributions sum to 0.8; they must sum to 1.", "Expected a number at ','.",
                   "NX, NY and NZ must be whole numbers.", "Node counts must lie between 1 and 1000."}));
  EXPECT_FALSE(platform.busy);
  EXPECT_FALSE(exists("bad2.out"));
  EXPECT_FALSE(exists("bad3.out"));

  // Remove takes the selected row, else the last.
  click("addStructure");
  EXPECT_EQ(row(2), (QStringList{"sph", "0", "10", "10", "1", "0", "0", "0"}));
  table()->setCurrentCell(0, 1);
  click("removeStructure");
  EXPECT_EQ(row(0)[0], "gau");
  table()->setCurrentCell(-1, -1);
  click("removeStructure");
  EXPECT_EQ(table()->rowCount(), 1);
  EXPECT_EQ(caption("modelText"), "0.1 nug + 0.2 gau(8,8,2; 0,0,0)");
}

TEST_F(GeneratePanel, ValuesAreKeptInPfieldIniAndMeldritIniIsLeftAlone) {
  window->saveini(1, 1);
  const std::string session = folder.read("meldrit.ini");
  ASSERT_FALSE(session.empty());
  open("mnugenerate");
  fillRequest(folder.file("kept {}.out"));
  click("runGenerate");
  EXPECT_EQ(platform.lastMessage(), "p-field written.");
  EXPECT_EQ(folder.read("meldrit.ini"), session);
  const std::string kept = folder.read("pfield.ini");
  EXPECT_NE(kept.find("nx=12\r\n"), std::string::npos);
  EXPECT_NE(kept.find("structure2.type=gau\r\n"), std::string::npos);

  // Written at RUN, before the request is checked.
  setBox("seed", "x");
  click("runGenerate");
  EXPECT_EQ(platform.lastMessage(), "The seed must be a whole number, 0 or more.");

  open("mnugenerate");
  EXPECT_EQ(boxText("seed"), "x");
  EXPECT_EQ(boxText("outputPattern"), folder.file("kept {}.out"));
  EXPECT_EQ((Texts{boxText("nx"), boxText("ny"), boxText("nz"), boxText("dx"), boxText("dy"), boxText("dz"),
                   boxText("nugget"), boxText("firstRealization"), boxText("lastRealization")}),
            (Texts{"12", "9", "2", "2", "1", "1.5", "0.1", "2", "3"}));
  ASSERT_EQ(table()->rowCount(), 2);
  EXPECT_EQ(row(0), (QStringList{"exp", "0.7", "20", "10", "3", "30", "0", "0"}));
  EXPECT_EQ(row(1), (QStringList{"gau", "0.2", "8", "8", "2", "0", "0", "0"}));
  EXPECT_EQ(folder.read("meldrit.ini"), session);
}

}  // namespace
}  // namespace meldrit::test
#endif
