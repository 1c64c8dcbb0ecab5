#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace meldrit::app {

// The core speaks UTF-8 std::string; the controls speak QString.
inline QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string str(const QString& text) {
  return text.toStdString();
}

}  // namespace meldrit::app
