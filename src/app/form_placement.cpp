#include "app/form_placement.h"

#include <QSettings>

namespace pix {

namespace {
const char* const kSection = "Form1";
}

FormPlacement readFormPlacement(const QString& path, const FormPlacement& current) {
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(kSection);
    const int left = ini.value("Left", current.rect.x()).toInt();
    const int top = ini.value("Top", current.rect.y()).toInt();
    const int right = ini.value("Right", current.rect.x() + current.rect.width()).toInt();
    const int bottom = ini.value("Bottom", current.rect.y() + current.rect.height()).toInt();
    FormPlacement p;
    p.rect = QRect(left, top, right - left, bottom - top);
    if (p.rect.width() <= 0 || p.rect.height() <= 0) p.rect = current.rect;  // a damaged file
    p.maximized = ini.value("Maximized", current.maximized).toBool();
    return p;
}

void writeFormPlacement(const QString& path, const FormPlacement& placement) {
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(kSection);
    ini.setValue("Left", placement.rect.x());
    ini.setValue("Top", placement.rect.y());
    ini.setValue("Right", placement.rect.x() + placement.rect.width());
    ini.setValue("Bottom", placement.rect.y() + placement.rect.height());
    ini.setValue("Maximized", placement.maximized ? 1 : 0);
    ini.endGroup();
    ini.sync();
}

QRect fitToScreen(const QRect& rect, const QSize& screen) {
    QRect r = rect;
    if (r.x() + r.width() > screen.width()) r.moveLeft(screen.width() - r.width());
    if (r.y() + r.height() > screen.height()) r.moveTop(screen.height() - r.height());
    return r;
}

}  // namespace pix
