// The desktop application driven through its real window on the offscreen
// platform. Modal moments go through FakeDialogs, which answers them.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QLabel>
#include <memory>

#include "app/about2.h"
#include "app/colour_list.h"
#include "app/config1.h"
#include "app/font_list.h"
#include "app/form_placement.h"
#include "app/long_timer.h"
#include "app/number_edit.h"
#include "profile/form_model.h"
#include "scan/scan_run.h"

using namespace pix;

namespace {

struct FakeDialogs : FormDialogs {
    QStringList informations, errors, confirms, documents;
    bool confirmAnswer = false;
    int quits = 0;
    QString folderAnswer, fileAnswer;
    QStringList folderTitles;
    QList<bool> newFolderButtons;
    QList<FileDialogSpec> fileSpecs;
    QString tooltipAtInformation;
    std::function<void()> onInformation;

    void information(QWidget*, const QString& text) override {
        informations << text;
        if (onInformation) onInformation();
    }
    bool confirm(QWidget*, const QString& text) override {
        confirms << text;
        return confirmAnswer;
    }
    void error(QWidget*, const QString& text) override { errors << text; }
    QString pickFolder(QWidget*, const QString& title, bool newFolderButton) override {
        folderTitles << title;
        newFolderButtons << newFolderButton;
        return folderAnswer;
    }
    QString openFile(QWidget*, const FileDialogSpec& request) override {
        fileSpecs << request;
        return fileAnswer;
    }
    QString saveFile(QWidget*, const FileDialogSpec& request) override {
        fileSpecs << request;
        return fileAnswer;
    }
    void openDocument(const QString& path) override { documents << path; }
    void quit() override { ++quits; }
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

QStringList fileLines(const QString& path) {
    QStringList lines = QString::fromUtf8(readAll(path)).split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}


}  // namespace

class AppTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    FakeDialogs* dialogs_ = nullptr;

    QString folder() const { return dir_->path() + "/"; }
    QString defaultIni() const { return folder() + "default.ini"; }

    std::unique_ptr<TForm1> makeForm(bool tray = false) {
        FormEnvironment env;
        env.exeFolder = folder();
        env.placementPath = folder() + "FORM.INI";
        env.trayAvailable = tray;
        auto d = std::make_unique<FakeDialogs>();
        dialogs_ = d.get();
        return std::make_unique<TForm1>(env, std::move(d));
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
    }
    void cleanup() { dir_.reset(); }

    void freshWindowShowsInitialValues() {
        auto f = makeForm();
        f->FormCreate({"pixmarsh"});
        QCOMPARE(f->windowTitle(), QString("Pixmarsh Configuration"));
        QCOMPARE(f->resizemethod->currentText(), QString(" "));
        QCOMPARE(f->resizemethod->count(), 12);
        QCOMPARE(f->resizemethod->itemText(11), QString("4x"));
        QCOMPARE(f->width->text(), QString("0"));
        QCOMPARE(f->height->text(), QString("0"));
        QCOMPARE(f->percentage->text(), QString("0"));
        QVERIFY(f->keepdimensionratio->isChecked());
        QVERIFY(!f->favorfilesize->isChecked());
        QVERIFY(f->treatwidthheight->isChecked());
        QCOMPARE(f->resampletype->currentText(), QString("None"));
        QCOMPARE(f->resampletype->count(), 6);
        QCOMPARE(f->color_depth->currentText(), QString("AsIs"));
        QCOMPARE(f->interval->value(), 1);
        QCOMPARE(f->interval->minimum(), 1);
        QCOMPARE(f->interval->maximum(), 86400);
        QCOMPARE(f->searchfor->currentText(), QString("*.*"));
        QCOMPARE(f->searchfor->count(), 8);
        QVERIFY(!f->recursive->isChecked());
        QCOMPARE(f->directory->text(), QString());
        QCOMPARE(f->orientation->currentText(), QString());
        QCOMPARE(f->orientation->count(), 6);
        QCOMPARE(f->brightnesstrack->minimum(), -100);
        QCOMPARE(f->brightnesstrack->maximum(), 100);
        QCOMPARE(f->brightnesstrack->value(), 0);
        QCOMPARE(f->contrasttrack->value(), 0);
        QCOMPARE(f->brightness->text(), QString("0"));
        QCOMPARE(f->contrast->text(), QString("0"));
        QVERIFY(!f->grayscale->isChecked() && !f->negative->isChecked() && !f->progressivejpeg->isChecked());
        QCOMPARE(f->textcaption->text(), QString());
        QCOMPARE(f->textcolor->colour(), 0u);
        QCOMPARE(f->textfont->selectedName(), QString());
        QCOMPARE(f->textsize->value(), 2);
        QCOMPARE(f->textsize->minimum(), 2);
        QCOMPARE(f->textalignment->count(), 7);
        QCOMPARE(f->imageformat->count(), 10);
        QCOMPARE(f->imageformat->itemText(9), QString("jpg2000"));
        QCOMPARE(f->quality->text(), QString("70"));
        QCOMPARE(f->smoothing->text(), QString("0"));
        QCOMPARE(f->dpi->text(), QString("72"));
        QCOMPARE(f->savein->itemText(1), QString("[Source Directory]/"));
        QCOMPARE(f->moveoriginalto->currentText(), QString());
        QVERIFY(f->retainoriginaldate->isChecked());
        QVERIFY(!f->deleteoriginal->isChecked());
        QCOMPARE(f->tooltip(), QString(kTooltipTimerOff));
        QVERIFY(!f->timer()->isEnabled());
        QCOMPARE(f->timer()->period(), int64_t(1000));
        QCOMPARE(f->versionText(), QString("Version 1.43"));
        QVERIFY(!QFile::exists(defaultIni()));
        // Tray menu in its order.
        QStringList tray;
        for (QAction* a : f->traypopup->actions()) tray << (a->isSeparator() ? "-" : a->text());
        QCOMPARE(tray, QStringList({"&Start Timer", "S&top Timer", "&Properties", "E&xit", "-", "&About"}));
    }

    void blankFormWritesSixLines() {
        auto f = makeForm();
        for (QLineEdit* e : f->findChildren<QLineEdit*>()) e->setText("");
        for (QComboBox* c : f->findChildren<QComboBox*>())
            if (c->isEditable()) c->setEditText("");
        for (QCheckBox* c : f->findChildren<QCheckBox*>()) c->setChecked(false);
        const QString path = folder() + "blank.ini";
        f->saveprofile(path);
        QCOMPARE(readAll(path), QByteArray("keepdimensionratio=false\r\ncolordepth=\"\"\r\nresamplemethod=\"none\"\r\n"
                                           "textcolor=\"000000\"\r\ntextfont=\"\"\r\n\"\"\r\n"));
    }

    void freshFormSavesThroughTheMenu() {
        auto f = makeForm();
        const QString path = folder() + "mine.ini";
        dialogs_->fileAnswer = path;
        f->SaveProfile1->trigger();
        QCOMPARE(dialogs_->fileSpecs.size(), 1);
        QCOMPARE(dialogs_->fileSpecs[0].title, QString("Save Profile File"));
        QCOMPARE(dialogs_->fileSpecs[0].proposedName, QString("default.ini"));
        QCOMPARE(dialogs_->fileSpecs[0].filter, QString("*.ini"));
        QCOMPARE(dialogs_->fileSpecs[0].defaultSuffix, QString("ini"));
        QCOMPARE(dialogs_->informations, QStringList{"Profile Saved"});
        const QStringList lines = fileLines(path);
        for (const char* want : {"height=\"0\"", "width=\"0\"", "quality=\"70\"", "dpi=\"72\"", "interval=\"1\"",
                                 "textsize=\"2\"", "keepdimensionratio=true", "treatwidthheight", "textfont=\"\"",
                                 "colordepth=\"AsIs\"", "resamplemethod=\"None\"", "\"*.*\""})
            QVERIFY2(lines.contains(want), want);
        for (const QString& l : lines) QVERIFY2(!l.startsWith("resizemethod"), qPrintable(l));
        QVERIFY(!QFile::exists(defaultIni()));  // only the chosen file is written

        dialogs_->fileAnswer.clear();  // Cancel
        f->SaveProfile1->trigger();
        QCOMPARE(dialogs_->informations.size(), 1);
    }

    void loadShowsTheFilesValuesAndDefaults() {
        auto f = makeForm();
        QVERIFY(f->textfont->count() > 0);
        const QString installed = f->textfont->itemText(0);
        const QString full = folder() + "full.ini";
        writeText(full, QByteArray("resizemethod=\"downsizebypixel\"\r\nheight=\"600\"\r\nwidth=\"800\"\r\n"
                                   "keepdimensionratio=true\r\ncolordepth=\"8\"\r\nresamplemethod=\"Lanczos3\"\r\n"
                                   "brightness=\"-37\"\r\ncontrast=\"50\"\r\nnegative\nrecursive\r\n"
                                   "textcaption=\"Hello\"\r\ntextcolor=\"0000FF\"\r\ntextfont=\"") +
                                   installed.toUtf8() +
                                   QByteArray("\"\r\ntextsize=\"24\"\r\ntextalignment=\"bottomright\"\r\n"
                                              "imageformat=\"png\"\r\nquality=\"85\"\r\nsavein=\"[Source Directory]/done/\"\r\n"
                                              "interval=\"5\"\r\ndirectory=\"/tmp/in/\"\r\nsearchfor=\"*.jpg\"\r\n"
                                              "orientation=\"left90\"\r\nretainoriginaldate\r\n"));
        dialogs_->fileAnswer = full;
        f->LoadProfiles1->trigger();
        QCOMPARE(dialogs_->fileSpecs[0].title, QString("Load Profile File"));
        QCOMPARE(dialogs_->informations, QStringList{"Profile Loaded"});
        QCOMPARE(f->resizemethod->currentText(), QString("downsizebypixel"));
        QCOMPARE(f->width->text(), QString("800"));
        QCOMPARE(f->height->text(), QString("600"));
        QVERIFY(f->keepdimensionratio->isChecked());
        QVERIFY(!f->treatwidthheight->isChecked());
        QCOMPARE(f->color_depth->currentText(), QString("8"));
        QCOMPARE(f->resampletype->currentText(), QString("Lanczos3"));
        QCOMPARE(f->brightness->text(), QString("-37"));
        QCOMPARE(f->brightnesstrack->value(), -37);
        QCOMPARE(f->contrast->text(), QString("50"));
        QCOMPARE(f->contrasttrack->value(), 50);
        QVERIFY(f->negative->isChecked() && f->recursive->isChecked() && !f->grayscale->isChecked());
        QCOMPARE(f->textcaption->text(), QString("Hello"));
        QCOMPARE(f->textcolor->colour(), 0x0000FFu);  // red in the low byte
        QCOMPARE(f->textcolor->currentText(), QString("Red"));
        QCOMPARE(f->textfont->selectedName(), installed);
        QCOMPARE(f->textsize->value(), 24);
        QCOMPARE(f->textalignment->currentText(), QString("bottomright"));
        QCOMPARE(f->imageformat->currentText(), QString("png"));
        QCOMPARE(f->quality->text(), QString("85"));
        QCOMPARE(f->savein->currentText(), QString("[Source Directory]/done/"));
        QCOMPARE(f->interval->value(), 5);
        QCOMPARE(f->directory->text(), QString("/tmp/in/"));
        QCOMPARE(f->searchfor->currentText(), QString("*.jpg"));
        QCOMPARE(f->orientation->currentText(), QString("rotateleft90"));
        QVERIFY(f->retainoriginaldate->isChecked());
        QCOMPARE(int(f->formLines().size()), 23);

        // A file without keys: every control takes the reading defaults; the
        // font list keeps its selection when the file's font is not installed.
        const QString bare = folder() + "bare.ini";
        writeText(bare, "textfont=\"No Such Font Anywhere\"\n");
        dialogs_->fileAnswer = bare;
        f->LoadProfiles1->trigger();
        QCOMPARE(f->quality->text(), QString("70"));
        QCOMPARE(f->interval->value(), 60);
        QCOMPARE(f->textsize->value(), 12);
        QCOMPARE(f->dpi->text(), QString("72"));
        QCOMPARE(f->color_depth->currentText(), QString("asis"));
        QCOMPARE(f->resampletype->currentText(), QString("None"));
        QCOMPARE(f->searchfor->currentText(), QString("*.*"));
        QCOMPARE(f->brightnesstrack->value(), 0);
        QCOMPARE(f->contrast->text(), QString("0"));
        QVERIFY(!f->keepdimensionratio->isChecked() && !f->treatwidthheight->isChecked());
        QVERIFY(!f->retainoriginaldate->isChecked() && !f->recursive->isChecked());
        QCOMPARE(f->textcolor->colour(), 0u);
        QCOMPARE(f->textfont->selectedName(), installed);
        QCOMPARE(f->directory->text(), QString());
        QCOMPARE(dialogs_->informations.size(), 2);

        // "Arial", the engine's default, is offered through its metric-compatible
        // face, so a profile naming it keeps it across a load and a save.
        writeText(bare, "textfont=\"arial\"\n");
        f->LoadProfiles1->trigger();
        QCOMPARE(f->textfont->selectedName(), QString("Arial"));
        QCOMPARE(dialogs_->informations.size(), 3);

        // A file that exists but cannot be read: the error, no message, no change.
        dialogs_->fileAnswer = folder();  // a folder
        f->LoadProfiles1->trigger();
        QCOMPARE(dialogs_->informations.size(), 3);
        QCOMPARE(dialogs_->errors.size(), 1);
        QCOMPARE(f->interval->value(), 60);
    }

    void trackBarsFollowTheirEdits() {
        auto f = makeForm();
        f->show();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        f->brightnesstrack->setValue(-37);
        QCOMPARE(f->brightness->text(), QString("-37"));

        f->contrast->setFocus();
        QTRY_VERIFY(f->contrast->hasFocus());
        f->contrast->selectAll();
        QTest::keyClicks(f->contrast, "50");
        QCOMPARE(f->contrast->text(), QString("50"));
        QCOMPARE(f->contrasttrack->value(), 0);  // not before the focus leaves
        f->width->setFocus();
        QTRY_COMPARE(f->contrasttrack->value(), 50);

        // Out of range: held to the range, and the track bar agrees.
        f->brightness->setFocus();
        QTRY_VERIFY(f->brightness->hasFocus());
        f->brightness->selectAll();
        QTest::keyClicks(f->brightness, "150");
        f->width->setFocus();
        QTRY_COMPARE(f->brightnesstrack->value(), 100);
        QCOMPARE(f->brightness->text(), QString("100"));
        // Letters are refused by the edit.
        f->quality->setFocus();
        QTRY_VERIFY(f->quality->hasFocus());
        QTest::keyClicks(f->quality, "x");
        QCOMPARE(f->quality->text(), QString("70"));
    }

    void folderPickersAppendASeparator() {
        auto f = makeForm();
        dialogs_->folderAnswer = "/data/in";
        f->BitBtn1->click();
        QCOMPARE(f->directory->text(), QString("/data/in/"));
        dialogs_->folderAnswer = "/";  // the root already ends in a separator
        f->BitBtn3->click();
        QCOMPARE(f->savein->currentText(), QString("//"));
        dialogs_->folderAnswer = "/keep";
        f->BitBtn2->click();
        QCOMPARE(f->moveoriginalto->currentText(), QString("/keep/"));
        dialogs_->folderAnswer.clear();  // Cancel
        f->BitBtn1->click();
        QCOMPARE(f->directory->text(), QString("/data/in/"));
        QCOMPARE(dialogs_->folderTitles, QStringList(4, "Search For Files in Directory"));
        QCOMPARE(dialogs_->newFolderButtons, QList<bool>({false, true, true, false}));
    }

    void startAndStopTimer() {
        auto f = makeForm();
        f->interval->setValue(2);
        f->StartTimer1->trigger();
        QCOMPARE(f->tooltip(), QString(kTooltipTimerOn));
        QVERIFY(f->timer()->isEnabled());
        QCOMPARE(f->timer()->period(), int64_t(120000));
        QVERIFY(f->timer()->remaining() > 60000);  // armed for a full period
        QCOMPARE(fileLines(defaultIni()).join("\n").toStdString(),
                 [&] {
                     std::string s;
                     for (const std::string& l : f->formLines()) s += (s.empty() ? "" : "\n") + l;
                     return s;
                 }());
        QVERIFY(fileLines(defaultIni()).contains("interval=\"2\""));

        f->StopTimer1->trigger();
        QCOMPARE(f->tooltip(), QString(kTooltipTimerOff));
        QVERIFY(!f->timer()->isEnabled());

        f->interval->setValue(86400);
        f->StartTimer1->trigger();
        QCOMPARE(f->timer()->period(), int64_t(5184000000));
        QVERIFY(f->timer()->remaining() > int64_t(0x7FFFFFFF));
        f->StopTimer1->trigger();

        // A default profile that cannot be written: the error, nothing changes.
        QVERIFY(QFile::remove(defaultIni()));
        QVERIFY(QDir().mkdir(defaultIni()));
        f->StartTimer1->trigger();
        QCOMPARE(dialogs_->errors.size(), 1);
        QCOMPARE(f->tooltip(), QString(kTooltipTimerOff));
        QVERIFY(!f->timer()->isEnabled());
    }

    void timerChainsShortStepsIntoOnePeriod() {
        LongTimer t;
        QCOMPARE(LongTimer::stepFor(int64_t(5184000000), 0x3FFFFFFF), int64_t(0x3FFFFFFF));
        QCOMPARE(LongTimer::stepFor(500, 0x3FFFFFFF), int64_t(500));
        QCOMPARE(LongTimer::stepFor(-3, 0x3FFFFFFF), int64_t(0));
        t.setLongestStep(5);
        t.setPeriod(40);
        QSignalSpy ticks(&t, &LongTimer::tick);
        t.setEnabled(true);
        QVERIFY(ticks.wait(5000));
        QVERIFY(t.isEnabled());  // ticks again a full period later
        QVERIFY(ticks.wait(5000));
        t.setEnabled(false);
        const int seen = int(ticks.count());
        QTest::qWait(100);
        QCOMPARE(int(ticks.count()), seen);  // a switched-off timer delivers none
    }

    void testNowRunsTheSamplesAndLeavesTheTimerOn() {
        QDir().mkpath(folder() + "in");
        for (const char* name : {"garden.jpg", "shapes.jpeg", "swirl.jpg", "tiny.jpg"})
            QVERIFY(QFile::copy(QString(PIXMARSH_SAMPLES "/images/") + name, folder() + "in/" + name));
        QByteArray demo = readAll(PIXMARSH_SAMPLES "/demo.ini");
        QVERIFY(!demo.isEmpty());
        demo.replace("@IN@", (folder() + "in/").toUtf8());
        writeText(folder() + "demo.ini", demo);

        auto f = makeForm();
        dialogs_->fileAnswer = folder() + "demo.ini";
        f->LoadProfiles1->trigger();
        f->savein->setEditText("[Source Directory]/done/");

        QString tooltipDuringRun;
        QTimer::singleShot(0, f.get(), [&] { tooltipDuringRun = f->tooltip(); });  // the run's event pass
        dialogs_->onInformation = [&] { dialogs_->tooltipAtInformation = f->tooltip(); };
        QElapsedTimer clock;
        clock.start();
        f->BitBtn4->click();
        const qint64 ms = clock.elapsed();
        qInfo("Test Now on the samples: %lld ms", ms);

        QCOMPARE(tooltipDuringRun, QString(kTooltipProcessing));
        QCOMPARE(dialogs_->informations.last(), QString("Test Completed"));
        QCOMPARE(dialogs_->tooltipAtInformation, QString(kTooltipTimerOn));
        QVERIFY(dialogs_->errors.isEmpty());
        QCOMPARE(f->tooltip(), QString(kTooltipTimerOn));
        QVERIFY(f->timer()->isEnabled());
        QCOMPARE(f->timer()->period(), int64_t(1000));  // Start Timer never used
        QVERIFY(!f->isRunning());
        QVERIFY(f->BitBtn4->isEnabled());
        for (const char* out : {"garden_s.jpg", "shapes_s.jpeg", "swirl_s.jpg"})
            QVERIFY2(QFile::exists(folder() + "in/done/" + out), out);
        QVERIFY(!QFile::exists(folder() + "in/done/tiny_s.jpg"));  // 2 x 2 pixels: skipped
        // The saved default profile is the window's.
        QStringList want;
        for (const std::string& l : f->formLines()) want << QString::fromStdString(l);
        QCOMPARE(fileLines(defaultIni()), want);
        QVERIFY(want.contains("savein=\"[Source Directory]/done/\""));
        f->StopTimer1->trigger();
    }

    void testNowErrorKeepsProcessing() {
        QDir().mkpath(folder() + "in");
        QVERIFY(QFile::copy(PIXMARSH_SAMPLES "/images/swirl.jpg", folder() + "in/swirl.jpg"));
        writeText(folder() + "in/blocker", "a file where a folder should be");
        auto f = makeForm();
        f->directory->setText(folder() + "in/");
        f->imageformat->setEditText("jpg");
        f->savein->setEditText("[Source Directory]/blocker/");
        f->BitBtn4->click();
        QCOMPARE(dialogs_->errors.size(), 1);
        QVERIFY(!dialogs_->informations.contains("Test Completed"));
        QCOMPARE(f->tooltip(), QString(kTooltipProcessing));
        QVERIFY(!f->timer()->isEnabled());
        QVERIFY(f->BitBtn4->isEnabled());
        // Start Timer brings it back.
        f->StartTimer1->trigger();
        QCOMPARE(f->tooltip(), QString(kTooltipTimerOn));
        // A tick's run that fails opens no box: the tooltip stays at
        // Processing, the timer off, and the status bar names the cause.
        f->TimerTimer();
        QCOMPARE(dialogs_->errors.size(), 1);
        QCOMPARE(f->tooltip(), QString(kTooltipProcessing));
        QVERIFY(!f->timer()->isEnabled());
        QVERIFY(f->statusBar()->currentMessage().contains("swirl"));
    }

    void testNowWithAnEmptyFolder() {
        QDir().mkpath(folder() + "empty");
        auto f = makeForm();
        f->directory->setText(folder() + "empty");
        f->BitBtn4->click();
        QCOMPARE(dialogs_->informations, QStringList{"Test Completed"});
        QCOMPARE(f->tooltip(), QString(kTooltipTimerOn));
        f->StopTimer1->trigger();
    }

    void startArgument() {
        {  // START in capitals: loaded, written back in the form's order, timer on
            writeText(defaultIni(), "minwidth=\"5\"\r\ninterval=\"3\"\r\nquality=\"90\"\r\n");
            auto f = makeForm();
            f->FormCreate({"pixmarsh", "START"});
            QCOMPARE(f->quality->text(), QString("90"));
            QCOMPARE(f->tooltip(), QString(kTooltipTimerOn));
            QVERIFY(f->timer()->isEnabled());
            QCOMPARE(f->timer()->period(), int64_t(180000));
            const QStringList lines = fileLines(defaultIni());
            QVERIFY(lines.contains("quality=\"90\""));
            for (const QString& l : lines) QVERIFY2(!l.startsWith("minwidth"), qPrintable(l));
        }
        {  // no default profile: created from the initial values, 1 minute
            QVERIFY(QFile::remove(defaultIni()));
            auto f = makeForm();
            f->FormCreate({"pixmarsh", "start"});
            QVERIFY(fileLines(defaultIni()).contains("interval=\"1\""));
            QCOMPARE(f->timer()->period(), int64_t(60000));
            QCOMPARE(f->tooltip(), QString(kTooltipTimerOn));
        }
        {  // any other argument: loaded, not written, timer off
            writeText(defaultIni(), "interval=\"7\"\r\n");
            auto f = makeForm();
            f->FormCreate({"pixmarsh", "started"});
            QCOMPARE(f->interval->value(), 7);
            QCOMPARE(f->tooltip(), QString(kTooltipTimerOff));
            QVERIFY(!f->timer()->isEnabled());
            QCOMPARE(readAll(defaultIni()), QByteArray("interval=\"7\"\r\n"));
        }
        {  // an unreadable default profile: shown, start-up goes on without "start"
            QVERIFY(QFile::remove(defaultIni()));
            QVERIFY(QDir().mkdir(defaultIni()));
            auto f = makeForm();
            f->FormCreate({"pixmarsh", "start"});
            QCOMPARE(dialogs_->errors.size(), 1);
            QCOMPARE(f->tooltip(), QString(kTooltipTimerOff));
            QCOMPARE(f->interval->value(), 1);
        }
    }

    void placementRoundTripAndScreenFit() {
        const QString ini = folder() + "FORM.INI";
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        QRect saved;
        {
            auto f = makeForm();  // no file: the designed size, centred
            QVERIFY(!QFile::exists(ini));
            saved = f->geometry();
            QCOMPARE(saved, fitToScreen(saved, screen));
            f->setGeometry(saved.translated(-7, -5));
            saved = f->geometry();
        }
        QSettings s(ini, QSettings::IniFormat);
        QCOMPARE(s.value("Form1/Left").toInt(), saved.x());
        QCOMPARE(s.value("Form1/Top").toInt(), saved.y());
        QCOMPARE(s.value("Form1/Right").toInt(), saved.x() + saved.width());
        QCOMPARE(s.value("Form1/Bottom").toInt(), saved.y() + saved.height());
        QCOMPARE(s.value("Form1/Maximized").toString(), QString("0"));
        {
            auto f = makeForm();
            QCOMPARE(f->geometry(), fitToScreen(saved, screen));
        }
        // Saved partly off the right and bottom edges: moved back to fit.
        const int w = saved.width(), h = saved.height();
        writeText(ini, QString("[Form1]\nLeft=%1\nTop=%2\nRight=%3\nBottom=%4\nMaximized=1\n")
                           .arg(screen.width() - 40)
                           .arg(screen.height() - 30)
                           .arg(screen.width() - 40 + w)
                           .arg(screen.height() - 30 + h)
                           .toUtf8());
        QRect normal;
        {
            auto f = makeForm();
            QCOMPARE(f->geometry().x() + f->geometry().width(), screen.width());
            QCOMPARE(f->geometry().y() + f->geometry().height(), screen.height());
            normal = f->geometry();
            f->showPlaced();
            QVERIFY(f->isMaximized());
        }
        QSettings again(ini, QSettings::IniFormat);
        QCOMPARE(again.value("Form1/Maximized").toString(), QString("1"));
        QCOMPARE(again.value("Form1/Left").toInt(), normal.x());
        QCOMPARE(again.value("Form1/Top").toInt(), normal.y());
        QCOMPARE(again.value("Form1/Right").toInt(), normal.x() + normal.width());
        QCOMPARE(again.value("Form1/Bottom").toInt(), normal.y() + normal.height());
        {
            auto f = makeForm();
            f->showPlaced();
            QVERIFY(f->isMaximized());  // saved maximised, reopens maximised
        }
    }

    void fitToScreenRule_data() {
        QTest::addColumn<QRect>("saved");
        QTest::addColumn<QRect>("placed");
        QTest::newRow("fits") << QRect(10, 10, 700, 500) << QRect(10, 10, 700, 500);
        QTest::newRow("right edge") << QRect(900, 10, 741, 554) << QRect(1024 - 741, 10, 741, 554);
        QTest::newRow("bottom edge") << QRect(10, 500, 741, 554) << QRect(10, 768 - 554, 741, 554);
        QTest::newRow("both") << QRect(1800, 900, 741, 554) << QRect(283, 214, 741, 554);
        QTest::newRow("left of the screen stays") << QRect(-50, 10, 741, 554) << QRect(-50, 10, 741, 554);
    }
    void fitToScreenRule() {
        QFETCH(QRect, saved);
        QFETCH(QRect, placed);
        QCOMPARE(fitToScreen(saved, QSize(1024, 768)), placed);
    }

    void closeHidesIntoTheTrayAndExitAsks() {
        auto f = makeForm(true);
        f->FormCreate({"pixmarsh"});
        f->show();
        f->StartTimer1->trigger();
        QVERIFY(!f->close());  // the close button hides
        QVERIFY(!f->isVisible());
        QCOMPARE(f->tooltip(), QString(kTooltipTimerOn));
        QVERIFY(f->timer()->isEnabled());
        QCOMPARE(f->trayicon()->toolTip(), QString(kTooltipTimerOn));

        // A double-click shows the settings of default.ini again.
        f->quality->setText("12");
        f->trayiconDblClick();
        QVERIFY(f->isVisible());
        QCOMPARE(f->quality->text(), QString("70"));

        // File > Exit saves and hides.
        f->quality->setText("33");
        f->Exit2->trigger();
        QVERIFY(!f->isVisible());
        QVERIFY(fileLines(defaultIni()).contains("quality=\"33\""));
        f->ShowForm1->trigger();
        QVERIFY(f->isVisible());
        QCOMPARE(f->quality->text(), QString("33"));  // Properties reloads nothing

        const QByteArray before = readAll(defaultIni());
        f->quality->setText("44");
        dialogs_->confirmAnswer = false;
        f->Exit1->trigger();
        QCOMPARE(dialogs_->confirms, QStringList{"Do You Want to Exit?"});
        QCOMPARE(dialogs_->quits, 0);
        dialogs_->confirmAnswer = true;
        f->Exit1->trigger();
        QCOMPARE(dialogs_->quits, 1);
        QCOMPARE(readAll(defaultIni()), before);  // Tray > Exit writes no profile
        QVERIFY(dialogs_->informations.isEmpty());
        f->StopTimer1->trigger();
    }

    void withoutATrayCloseMinimisesAndSaysSoOnce() {
        auto f = makeForm(false);
        f->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.get()));
        QVERIFY(!f->close());
        QVERIFY(f->isVisible());
        QTRY_VERIFY(f->isMinimized());
        QCOMPARE(dialogs_->informations.size(), 1);
        f->ShowForm1Click();
        QVERIFY(!f->close());
        QCOMPARE(dialogs_->informations.size(), 1);
        // The tray's commands are reachable from the window.
        QStringList menus;
        for (QAction* a : f->menuBar()->actions()) menus << a->text();
        QCOMPARE(menus, QStringList({"&File", "&Help", "&Tray"}));
        QCOMPARE(f->findChild<QLabel*>("stateLabel")->text(), QString(kTooltipTimerOff));
    }

    void aboutBoxAndHelp() {
        auto f = makeForm();
        f->FormCreate({"pixmarsh"});
        Taboutbox* about = f->aboutbox();
        QVERIFY(!about->isVisible());
        QCOMPARE(about->version->text(), QString("Version 1.0"));
        f->About2->trigger();
        QVERIFY(about->isVisible());
        QVERIFY(!about->isModal());
        QCOMPARE(about->windowTitle(), QString("About Pixmarsh"));
        QCOMPARE(about->size(), QSize(450, 300));
        QCOMPARE(about->version->text(), QString("Version 1.43"));
        QVERIFY(!about->copytag->text().isEmpty());
        const QString memo = about->memotag->toPlainText();
        QVERIFY(!memo.isEmpty());
        f->About1->trigger();  // again while open: refilled, not doubled
        QCOMPARE(about->memotag->toPlainText(), memo);
        about->BitBtn1->click();
        QVERIFY(!about->isVisible());

        f->Content1->trigger();
        QCOMPARE(dialogs_->documents, QStringList{folder() + "quorvel.chm"});
        QVERIFY(QFile::exists(PIXMARSH_APP_FOLDER "/quorvel.chm"));
    }
};

QTEST_MAIN(AppTest)
#include "config1_test.moc"
