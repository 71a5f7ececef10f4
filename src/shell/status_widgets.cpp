#include "shell/status_widgets.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace kx {

GradBar::GradBar(QWidget* parent) : QWidget(parent), image_(kColumns, kRows, QImage::Format_RGB32) {
    setFixedSize(kColumns, kRows);
    Clear(palette().color(QPalette::Button));
}

void GradBar::Clear(const QColor& colour) { image_.fill(colour); }

void GradBar::PaintColumns(int count) {
    const int columns = std::clamp(count, 0, kColumns);
    for (int i = 1; i <= columns; ++i) {
        const QRgb colour = qRgb(255, i, 0);
        for (int y = 0; y < kRows; ++y) image_.setPixel(i - 1, y, colour);
    }
}

void GradBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, image_);
}

void ActionLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick) onClick();
}

void ActionLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    QLabel::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && onDoubleClick) onDoubleClick();
}

}  // namespace kx
