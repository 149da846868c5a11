#include "app/about2.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pix {

namespace {

// The caption: the name in a navy face standing on a 3-pixel relief with a
// gray border and a sharp shadow, lit from the upper left (135 degrees).
class ReliefLabel : public QWidget {
public:
    ReliefLabel(const QString& text, QWidget* parent) : QWidget(parent), text_(text) {
        font_ = QFont("Arial");
        font_.setPixelSize(29);
        font_.setBold(true);
        font_.setItalic(true);
        setMinimumHeight(44);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        const QFontMetrics fm(font_);
        const QPointF origin((width() - fm.horizontalAdvance(text_)) / 2.0 - 1.5, (height() + fm.ascent() - fm.descent()) / 2.0 - 1.5);
        path.addText(origin, font_, text_);
        for (int d = 3; d >= 1; --d) {  // the relief, darkest at the back
            p.fillPath(path.translated(d, d), d == 3 ? QColor(64, 64, 64) : QColor(128, 128, 128));
        }
        p.strokePath(path, QPen(QColor(128, 128, 128), 1));
        p.fillPath(path, QColor(0, 0, 128));
    }

private:
    QString text_;
    QFont font_;
};

const char* const kProductLines[] = {
    "Pixmarsh converts and adjusts image files in bulk, unattended.",
    "",
    "Set up a job in the configuration window, save it as the default profile and start "
    "the timer from the tray icon: every interval the configured folder is scanned and every "
    "image found is resized, turned, adjusted, captioned and saved as the profile says.",
    "",
    "Inputs: JPEG, JPEG 2000, BMP, GIF, TIFF, PNG.",
    "Outputs: JPEG, JPEG 2000, BMP, GIF, PNG, PCX, TIFF.",
};

}  // namespace

Taboutbox::Taboutbox(QWidget* parent) : QDialog(parent) {
    setObjectName("Taboutbox");
    setWindowTitle("About Pixmarsh");
    // A single fixed border without the system buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(450, 300);
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    auto* caption = new ReliefLabel("Pixmarsh", this);
    caption->setObjectName("SmoothLabel3D1");
    layout->addWidget(caption);

    version = new QLabel("Version 1.0", this);
    version->setObjectName("version");
    version->setAlignment(Qt::AlignRight);
    QFont vf = version->font();
    vf.setPixelSize(19);
    vf.setBold(true);
    version->setFont(vf);
    version->setStyleSheet("color: navy");
    layout->addWidget(version);

    copytag = new QLabel(this);
    copytag->setObjectName("copytag");
    layout->addWidget(copytag);

    memotag = new QPlainTextEdit(this);
    memotag->setObjectName("memotag");
    memotag->setReadOnly(true);
    memotag->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(memotag, 1);

    BitBtn1 = new QPushButton("Close", this);
    BitBtn1->setObjectName("BitBtn1");
    layout->addWidget(BitBtn1, 0, Qt::AlignRight);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
}

void Taboutbox::showAbout(const QString& versionText, QWidget* owner) {
    memotag->clear();
    for (const char* line : kProductLines) memotag->appendPlainText(line);
    memotag->moveCursor(QTextCursor::Start);
    copytag->setText("Pixmarsh, the unattended bulk image converter.");
    version->setText(versionText);
    if (owner && !isVisible()) {
        const QRect r = owner->frameGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

void Taboutbox::BitBtn1Click() { hide(); }

}  // namespace pix
