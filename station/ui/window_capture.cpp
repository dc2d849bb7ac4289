#include "station/ui/window_capture.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>
#include <cstring>

namespace station::ui {

// The window draws itself into the capture with its updates held, so the
// picture is of one moment; it is repainted afterwards.
Rgb24Image CaptureWindow(QWidget& window) {
    window.setUpdatesEnabled(false);
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB888);
    window.setUpdatesEnabled(true);
    window.update();
    Rgb24Image capture;
    capture.width = image.width();
    capture.height = image.height();
    const size_t rowBytes = size_t(capture.width) * 3;
    capture.rgb.resize(rowBytes * size_t(capture.height));
    for (int y = 0; y < capture.height; ++y)
        std::memcpy(capture.rgb.data() + rowBytes * size_t(y), image.constScanLine(y), rowBytes);
    return capture;
}

}  // namespace station::ui
