#pragma once

#include <QLineEdit>
#include <QString>

#include "app/platform_services.h"

namespace meldrit::app {

// A node count box Text2(i). Losing the focus runs the lost-focus rule: the text becomes the whole
// part of its numeric value, and a negative count shows "Illegal value for number " + axis +
// " nodes!" and loses its sign. Use: new NodeCountBox(platform, "X", parent), then set the object
// name ("Text2(3)"). applyLostFocusRule() runs the rule without a focus change (tests call it).
class NodeCountBox : public QLineEdit {
 public:
  NodeCountBox(PlatformServices& platform, QString axis, QWidget* parent = nullptr);

  void applyLostFocusRule();
  const QString& axis() const { return axis_; }

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  PlatformServices& platform_;
  QString axis_;
};

}  // namespace meldrit::app
