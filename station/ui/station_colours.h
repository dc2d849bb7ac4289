#pragma once
// The station's colours: progress bars, channel times by status, results.
#include <QColor>

namespace station::ui {

inline const QColor kBarColour{0x18, 0x74, 0xCD};
inline const QColor kBarBackground{0xE8, 0xE8, 0xE8};
inline const QColor kRunningColour{0x18, 0x74, 0xCD};
inline const QColor kMonitoringColour{0x8E, 0x40, 0x3A};
inline const QColor kFailColour{0xCD, 0x26, 0x26};
inline const QColor kPassColour{0x22, 0x8B, 0x22};

// Text colour of a channel's time by its status; invalid keeps the default.
QColor StatusColour(int status);
// Text colour of a result cell: 0 black, -1 red, 1 green; other values keep
// the default (invalid).
QColor ResultColour(int result);

}  // namespace station::ui
