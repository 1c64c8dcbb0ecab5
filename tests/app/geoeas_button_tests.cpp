#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "app/app_test_support.h"

namespace meldrit::test {
namespace {

class GeoEasButton : public testing::Test, public WindowOnFake {};

// Each panel's button fills its own skip box from the file its path label shows, and leaves the
// box as it was, with the reader's message, for a file without a GeoEAS header.
TEST_F(GeoEasButton, FillsTheSkipBoxFromTheHeaderOrSaysWhyNot) {
  const std::string good = folder.write("good.dat", "wells\r\n3\r\nx\r\ny\r\nporosity\r\n1 2 3\r\n");
  const std::string bad = folder.write("bad.dat", "wells\r\nthree\r\nx\r\n");
  const struct {
    const char* panel;
    const char* path;
    const char* skip;
  } cases[] = {
      {"mnumeldritii", "Label18", "Text3"},
      {"mnumultiphase", "in1", "linhas1"},
      {"mnumultiphase", "in2", "linhas2"},
      {"mnuniform", "uniformin", "skipuniform"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.skip);
    open(c.panel);
    const std::string button = std::string("GeoEas") + c.skip;
    get<QLabel>(c.path)->setText(QString::fromStdString(good));
    click(button.c_str());
    EXPECT_EQ(boxText(c.skip), "5");
    setBox(c.skip, "1");
    get<QLabel>(c.path)->setText(QString::fromStdString(bad));
    click(button.c_str());
    EXPECT_EQ(boxText(c.skip), "1");
    EXPECT_EQ(platform.lastMessage(),
              bad + " has no GeoEAS header: its second line is not a whole number of variables.");
    // The button stays inside its frame, beside the box.
    const QWidget* box = get<QWidget>(c.skip);
    const QWidget* pushed = get<QWidget>(button.c_str());
    EXPECT_TRUE(pushed->parentWidget()->rect().contains(pushed->geometry()));
    EXPECT_FALSE(pushed->geometry().intersects(box->geometry()));
  }
}

}  // namespace
}  // namespace meldrit::test
