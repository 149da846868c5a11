#pragma once
#include <QIcon>

namespace pix {
// The program's icon (tray, window, About box), drawn at 16, 32 and 64 pixels.
QIcon pixmarshIcon();
}  // namespace pix
