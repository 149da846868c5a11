#pragma once
// The window placement file FORM.INI: section "Form1" with the integer keys
// Left, Top, Right and Bottom (the normal rectangle, Right and Bottom one past
// the last pixel) and Maximized written as 1 or 0.
#include <QRect>
#include <QSize>
#include <QString>

namespace pix {

struct FormPlacement {
    QRect rect;
    bool maximized = false;
};

// Reads the file; each missing key keeps the value of `current`.
FormPlacement readFormPlacement(const QString& path, const FormPlacement& current);
void writeFormPlacement(const QString& path, const FormPlacement& placement);

// A rectangle whose right edge lies beyond the screen's width is moved left
// until it ends there; likewise up for the bottom edge.
QRect fitToScreen(const QRect& rect, const QSize& screen);

}  // namespace pix
