#include "resources/ProgramIcon.h"

#include <QPainter>
#include <QPixmap>

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 32.0;

    // The hub's case.
    painter.setPen(QPen(QColor(0x1F, 0x3A, 0x5F), 1.5 * unit));
    painter.setBrush(QColor(0x2E, 0x6D, 0xB4));
    painter.drawRoundedRect(QRectF(2 * unit, 9 * unit, 28 * unit, 14 * unit), 3 * unit, 3 * unit);

    // Four controller ports, the first two lit as if on link.
    for (int port = 0; port < 4; ++port) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(port < 2 ? QColor(0x7C, 0xE5, 0x7C) : QColor(0xD8, 0xE4, 0xF0));
        painter.drawEllipse(QRectF((5 + port * 6.3) * unit, 14 * unit, 4 * unit, 4 * unit));
    }

    // The network cable.
    painter.setPen(QPen(QColor(0x1F, 0x3A, 0x5F), 2 * unit, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(16 * unit, 9 * unit), QPointF(16 * unit, 3 * unit));
    painter.drawLine(QPointF(16 * unit, 23 * unit), QPointF(16 * unit, 29 * unit));
    return pixmap;
}

} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(DrawIcon(size));
    }
    return icon;
}
