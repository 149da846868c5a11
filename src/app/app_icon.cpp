#include "app/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace pix {

QIcon pixmarshIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal r = size / 5.0;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 128));
        p.drawRoundedRect(QRectF(0.5, 0.5, size - 1.0, size - 1.0), r, r);
        // A green hill under a yellow sun: a picture, which is what the program works on.
        p.setBrush(QColor(255, 200, 40));
        p.drawEllipse(QRectF(size * 0.58, size * 0.16, size * 0.26, size * 0.26));
        p.setBrush(QColor(60, 180, 75));
        QPolygonF hill;
        hill << QPointF(size * 0.08, size * 0.88) << QPointF(size * 0.42, size * 0.38)
             << QPointF(size * 0.92, size * 0.88);
        p.drawPolygon(hill);
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace pix
