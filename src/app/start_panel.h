#pragma once

#include <QFrame>

class QLabel;

namespace meldrit::app {

// The start panel Frame10: no border, no caption, only the start picture Image1 shown at its own
// size. A click on the picture or on the panel is reported by clicked().
class StartPanel : public QFrame {
  Q_OBJECT

 public:
  explicit StartPanel(QWidget* parent = nullptr);

  QLabel* picture() const { return image1_; }
  // Start-up step: the picture to the top-left corner and the panel to the picture's size.
  void fitToPicture();

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLabel* image1_;
};

}  // namespace meldrit::app
