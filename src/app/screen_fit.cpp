#include "app/screen_fit.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace meldrit::app {

QSize sizeWithin(QSize wanted, QSize room) {
  return QSize(std::clamp(wanted.width(), 0, std::max(room.width(), 0)),
               std::clamp(wanted.height(), 0, std::max(room.height(), 0)));
}

void fitWithinScreen(QWidget* window, QRect available) {
  if (available.isEmpty()) {
    const QScreen* screen = window->screen();
    if (screen == nullptr) return;
    available = screen->availableGeometry();
  }
  // Before the first show the frame is unknown; title bar and borders are allowed for as the
  // window manager would add them.
  QSize frame = window->frameGeometry().size() - window->size();
  if (!window->isVisible()) frame = frame.expandedTo(QSize(16, 40));
  const QSize room = available.size() - frame;
  // A layout would hold the window at its controls' least size, off a small screen; squeezed
  // controls are better than unreachable ones.
  window->setMinimumSize(
      window->minimumSizeHint().boundedTo(room).expandedTo(window->minimumSize().boundedTo(room)));
  window->resize(sizeWithin(window->size(), room));
  QPoint place = window->pos();
  place.setX(std::clamp(place.x(), available.left(),
                        std::max(available.left(), available.right() + 1 - window->width() - frame.width())));
  place.setY(
      std::clamp(place.y(), available.top(),
                 std::max(available.top(), available.bottom() + 1 - window->height() - frame.height())));
  if (place != window->pos()) window->move(place);
}

}  // namespace meldrit::app
