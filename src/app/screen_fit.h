#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace meldrit::app {

// `wanted` cut down to `room`, neither side below zero.
QSize sizeWithin(QSize wanted, QSize room);

// Shrinks and moves a top-level window so that its frame lies inside `available` (the screen's
// available area when empty), so that nothing of it opens off screen whatever the scaling.
void fitWithinScreen(QWidget* window, QRect available = QRect());

}  // namespace meldrit::app
