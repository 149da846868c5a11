#include "app/colour_list.h"

#include <QColor>
#include <QPixmap>

namespace pix {

namespace {

struct NamedColour {
    const char* name;
    uint32_t bgr;
};

constexpr NamedColour kColours[] = {
    {"Black", 0x000000},  {"Maroon", 0x000080}, {"Green", 0x008000},   {"Olive", 0x008080},
    {"Navy", 0x800000},   {"Purple", 0x800080}, {"Teal", 0x808000},    {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},    {"Lime", 0x00FF00},    {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00},   {"White", 0xFFFFFF},
};

QIcon swatch(uint32_t bgr) {
    QPixmap p(14, 14);
    p.fill(QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF)));
    return QIcon(p);
}

}  // namespace

ColourList::ColourList(QWidget* parent) : QComboBox(parent) {
    for (const NamedColour& c : kColours) addItem(swatch(c.bgr), c.name, QVariant::fromValue(uint(c.bgr)));
    setCurrentIndex(0);
}

uint32_t ColourList::colour() const {
    return currentIndex() < 0 ? 0 : uint32_t(currentData().toUInt());
}

void ColourList::setColour(uint32_t colour) {
    int i = findData(QVariant::fromValue(uint(colour)));
    if (i < 0) {
        addItem(swatch(colour), "Custom", QVariant::fromValue(uint(colour)));
        i = count() - 1;
    }
    setCurrentIndex(i);
}

}  // namespace pix
