#pragma once
// A window's pixels handed to the station's bitmap writer.
#include "station/engine/log/bmp_writer.h"

class QWidget;

namespace station::ui {

Rgb24Image CaptureWindow(QWidget& window);

}  // namespace station::ui
