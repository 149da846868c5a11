#pragma once
// Taboutbox: the About box, created hidden at start-up and shown on demand,
// not modal, so the main window and the tray stay usable.
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace pix {

class Taboutbox : public QDialog {
    Q_OBJECT
public:
    explicit Taboutbox(QWidget* parent = nullptr);
    // Fills the box, shows it centred on `owner` (when given) and brings it
    // forward; opening it again while it is open refills it.
    void showAbout(const QString& versionText, QWidget* owner);

    QLabel* version = nullptr;
    QLabel* copytag = nullptr;
    QPlainTextEdit* memotag = nullptr;
    QPushButton* BitBtn1 = nullptr;

    void BitBtn1Click();
};

}  // namespace pix
