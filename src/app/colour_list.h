#pragma once
// The font colour list: the standard colours, each with a swatch; a colour
// from a profile that is not among them is added as "Custom".
#include <QComboBox>
#include <cstdint>

namespace pix {

class ColourList : public QComboBox {
public:
    explicit ColourList(QWidget* parent = nullptr);
    // Colour numbers are 0xBBGGRR, as profiles store them.
    uint32_t colour() const;
    void setColour(uint32_t colour);
};

}  // namespace pix
