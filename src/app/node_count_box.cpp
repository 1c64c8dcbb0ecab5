#include "app/node_count_box.h"

#include <QFocusEvent>

#include <utility>

#include "app/qt_text.h"
#include "pfield_local/local_messages.h"
#include "pfield_local/node_counts.h"

namespace meldrit::app {

NodeCountBox::NodeCountBox(PlatformServices& platform, QString axis, QWidget* parent)
    : QLineEdit(parent), platform_(platform), axis_(std::move(axis)) {}

void NodeCountBox::applyLostFocusRule() {
  const pfield_local::NodeTextResult result = pfield_local::normalize_node_text(str(text()));
  setText(qs(result.whole_text));
  if (result.negative) {
    showOk(platform_, pfield_local::messages::illegal_node_count(str(axis_)));
    setText(qs(result.text));
  }
}

void NodeCountBox::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // A menu or another window taking the keyboard does not leave the box.
  if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
  applyLostFocusRule();
}

}  // namespace meldrit::app
