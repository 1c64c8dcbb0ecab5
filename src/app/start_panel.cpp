#include "app/start_panel.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

#include "app/job_panel.h"

namespace meldrit::app {
namespace {

// The picture is 192 x 274 pixels (2880 x 4110 twips).
constexpr int kPictureWidthTwips = 2880;
constexpr int kPictureHeightTwips = 4110;

}  // namespace

StartPanel::StartPanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("Frame10"));
  setFrameShape(QFrame::NoFrame);
  image1_ = new QLabel(this);
  image1_->setObjectName(QStringLiteral("Image1"));
  image1_->setScaledContents(false);
  image1_->setPixmap(QPixmap(QStringLiteral(":/meldrit/images/start_picture.jpg")));
  image1_->installEventFilter(this);
  fitToPicture();
}

void StartPanel::fitToPicture() {
  image1_->setGeometry(0, 0, twips(kPictureWidthTwips), twips(kPictureHeightTwips));
  resize(twips(kPictureWidthTwips), twips(kPictureHeightTwips));
}

void StartPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
  QFrame::mouseReleaseEvent(event);
}

bool StartPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == image1_ && event->type() == QEvent::MouseButtonRelease) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && image1_->rect().contains(mouse->position().toPoint())) {
      emit clicked();
      return true;
    }
  }
  return QFrame::eventFilter(watched, event);
}

}  // namespace meldrit::app
