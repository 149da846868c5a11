// pixmarsh: the desktop application. The window, its tray icon and its timer
// live until Tray > Exit; closing the window only puts it away.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <memory>

#include "app/about2.h"
#include "app/app_icon.h"
#include "app/config1.h"

namespace {

// A hidden option for the documentation: "--screenshot DIR" writes pictures of
// the window and of the About box as the display draws them, then ends.
void takeScreenshots(pix::TForm1& form, const QString& dir) {
    QTimer::singleShot(800, &form, [&form, dir] {
        form.grab().save(QDir(dir).filePath("pixmarsh-window.png"));
        form.About2Click();
        QTimer::singleShot(500, &form, [&form, dir] {
            form.aboutbox()->grab().save(QDir(dir).filePath("pixmarsh-about.png"));
            QApplication::exit(0);
        });
    });
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(pix::kAppTitle);
    QApplication::setWindowIcon(pix::pixmarshIcon());
    // The window is hidden into the tray, not closed; only Tray > Exit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    const QStringList args = QApplication::arguments();
    pix::TForm1 form(pix::desktopEnvironment(), std::make_unique<pix::FormDialogs>());
    form.FormCreate(args);
    form.showPlaced();
    if (args.size() > 2 && args[1] == "--screenshot") takeScreenshots(form, args[2]);
    return app.exec();
}
