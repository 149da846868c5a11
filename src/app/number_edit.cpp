#include "app/number_edit.h"

#include <QRegularExpressionValidator>
#include <algorithm>
#include <climits>

namespace pix {

NumberEdit::NumberEdit(std::optional<int> minimum, std::optional<int> maximum, QWidget* parent)
    : QLineEdit(parent), minimum_(minimum), maximum_(maximum) {
    setAlignment(Qt::AlignRight);
    const bool negatives = !minimum || *minimum < 0;
    setValidator(new QRegularExpressionValidator(QRegularExpression(negatives ? "-?[0-9]{0,10}" : "[0-9]{0,10}"), this));
}

void NumberEdit::focusOutEvent(QFocusEvent* event) {
    bool ok = false;
    const qlonglong v = text().toLongLong(&ok);
    if (ok) {
        const qlonglong lo = minimum_.value_or(INT_MIN), hi = maximum_.value_or(INT_MAX);
        const qlonglong held = std::clamp(v, lo, hi);
        if (held != v) setText(QString::number(held));
    }
    QLineEdit::focusOutEvent(event);
    emit exited();
}

SpinEdit::SpinEdit(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    setAlignment(Qt::AlignRight);
}

void SpinEdit::setShownText(const QString& text) {
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (ok) setValue(int(std::clamp<qlonglong>(v, minimum(), maximum())));
}

QValidator::State SpinEdit::validate(QString& input, int& pos) const {
    if (input.isEmpty()) return QValidator::Acceptable;
    return QSpinBox::validate(input, pos);
}

}  // namespace pix
