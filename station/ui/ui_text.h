#pragma once
// Texts cross between the engine (UTF-8 std::string) and Qt (QString) here.
#include <QString>
#include <string>

namespace station::ui {

inline QString Q(const std::string& text) { return QString::fromStdString(text); }
inline QString Q(const char* text) { return QString::fromUtf8(text); }
inline std::string S(const QString& text) { return text.toStdString(); }

}  // namespace station::ui
