#pragma once
// Integer edits of the form: NumberEdit (a right-aligned line edit with
// optional bounds) and SpinEdit (a spin box whose text may also be blank).
#include <QLineEdit>
#include <QSpinBox>
#include <optional>

namespace pix {

class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    // Without bounds the edit holds any 32-bit integer.
    NumberEdit(std::optional<int> minimum, std::optional<int> maximum, QWidget* parent = nullptr);

signals:
    // The focus left the edit (after the value was held to the bounds).
    void exited();

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    std::optional<int> minimum_, maximum_;
};

class SpinEdit : public QSpinBox {
    Q_OBJECT
public:
    SpinEdit(int minimum, int maximum, QWidget* parent = nullptr);
    // The text as shown (blank when the user cleared it).
    QString shownText() const { return cleanText(); }
    // Shows a profile's text: a number is held to the range, anything else
    // leaves the value as it was.
    void setShownText(const QString& text);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
};

}  // namespace pix
