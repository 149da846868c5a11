#pragma once
// The font list: the installed scalable font families sorted by name, each
// drawn in its own face with the sample "AaBb". Nothing is selected at first.
#include <QComboBox>
#include <string>
#include <vector>

namespace pix {

class FontList : public QComboBox {
public:
    explicit FontList(QWidget* parent = nullptr);
    std::vector<std::string> names() const;
    // The selected name, or an empty one.
    QString selectedName() const { return currentIndex() < 0 ? QString() : currentText(); }
    // Selects the name when it is in the list; anything else changes nothing.
    void selectName(const QString& name);
};

}  // namespace pix
