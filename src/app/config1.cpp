#include "app/config1.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabWidget>

#include "app/about2.h"
#include "app/app_icon.h"
#include "app/colour_list.h"
#include "app/font_list.h"
#include "app/form_placement.h"
#include "app/long_timer.h"
#include "app/number_edit.h"
#include "engine/file_helpers.h"
#include "scan/scan_run.h"

namespace pix {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
std::string ss(const QString& s) { return s.toStdString(); }

const char* const kFolderDialogTitle = "Search For Files in Directory";
const char* const kProductInfo = "Pixmarsh Version 1.43 - the unattended bulk image converter";

QComboBox* makeList(QWidget* parent, const char* name, const QStringList& items, const QString& initial) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->setEditable(true);  // any typed text is accepted; the items are suggestions
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(items);
    box->setEditText(initial);
    return box;
}

QCheckBox* makeCheck(QWidget* parent, const char* name, const char* label, bool checked) {
    auto* box = new QCheckBox(label, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    return box;
}

NumberEdit* makeNumber(QWidget* parent, const char* name, std::optional<int> lo, std::optional<int> hi,
                       const char* initial) {
    auto* edit = new NumberEdit(lo, hi, parent);
    edit->setObjectName(name);
    edit->setText(initial);
    return edit;
}

QLineEdit* makeEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    return edit;
}

QSlider* makeTrack(QWidget* parent, const char* name) {
    auto* track = new QSlider(Qt::Horizontal, parent);
    track->setObjectName(name);
    track->setRange(-100, 100);
    track->setValue(0);
    track->setPageStep(10);
    return track;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    return button;
}

QWidget* row(QWidget* parent, std::initializer_list<QWidget*> widgets, int stretchIndex = 0) {
    auto* w = new QWidget(parent);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    int i = 0;
    for (QWidget* x : widgets) h->addWidget(x, i++ == stretchIndex ? 1 : 0);
    return w;
}

QFormLayout* formIn(QGroupBox* box) {
    auto* f = new QFormLayout(box);
    f->setVerticalSpacing(4);
    f->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return f;
}

void setListText(QComboBox* box, const std::string& text) { box->setEditText(qs(text)); }

// Guards one scan-and-run: the busy cursor and the Test Now button follow it.
struct RunGuard {
    bool& running;
    QPushButton* button;
    RunGuard(bool& r, QPushButton* b) : running(r), button(b) {
        running = true;
        button->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~RunGuard() {
        QApplication::restoreOverrideCursor();
        button->setEnabled(true);
        running = false;
    }
};

}  // namespace

FormEnvironment desktopEnvironment() {
    FormEnvironment env;
    env.exeFolder = QString::fromStdString(executableFolder());
    env.placementPath = QDir::current().absoluteFilePath("FORM.INI");
    env.trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    return env;
}

// The scheduler's moments as the window shows them.
class WindowSchedulerView : public SchedulerView {
public:
    explicit WindowSchedulerView(TForm1& form) : form_(form) {}
    void runStarting() override {
        form_.timer_->setEnabled(false);
        form_.setTooltip(kTooltipProcessing);
    }
    void processPendingEvents() override { QCoreApplication::processEvents(); }
    void runFinished() override {
        form_.setTooltip(kTooltipTimerOn);
        form_.timer_->setEnabled(true);
    }

private:
    TForm1& form_;
};

TForm1::TForm1(const FormEnvironment& env, std::unique_ptr<FormDialogs> dialogs, QWidget* parent)
    : QMainWindow(parent), env_(env), dialogs_(std::move(dialogs)) {
    setObjectName("Form1");
    setWindowTitle("Pixmarsh Configuration");
    setWindowIcon(pixmarshIcon());
    buildControls();
    buildMenus();

    timer_ = new LongTimer(this);
    timer_->setObjectName("timer");
    connect(timer_, &LongTimer::tick, this, [this] { TimerTimer(); });

    trayicon_ = new QSystemTrayIcon(pixmarshIcon(), this);
    trayicon_->setObjectName("trayicon");
    trayicon_->setContextMenu(traypopup);
    connect(trayicon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::DoubleClick) trayiconDblClick();
    });
    stateLabel_ = new QLabel(this);
    stateLabel_->setObjectName("stateLabel");
    if (!env_.trayAvailable) {
        // Without a notification area the tray's menu and tooltip live in the window.
        menuBar()->addMenu(traypopup)->setText("&Tray");
        statusBar()->addPermanentWidget(stateLabel_);
    } else {
        stateLabel_->hide();
    }
    setTooltip(kTooltipTimerOff);
    if (env_.trayAvailable) trayicon_->show();

    aboutbox_ = std::make_unique<Taboutbox>();
    // Settle the layout with the menus in place, so the placement works with
    // the size the window will really have.
    layout()->activate();
    resize(size().expandedTo(minimumSizeHint()));
    restorePlacement();
}

TForm1::~TForm1() {
    FormPlacement p;
    p.rect = normalGeometry().isValid() ? normalGeometry() : geometry();
    p.maximized = isMaximized();
    writeFormPlacement(env_.placementPath, p);
}

void TForm1::buildControls() {
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget(tabs);
    tabs->addTab(page, "Configuration Module");
    setCentralWidget(tabs);

    // Image Processing Properties: Resizing Setting | Image Manipulation.
    auto* processing = new QGroupBox("Image Processing Properties", page);
    auto* resizing = new QGroupBox("Resizing Setting", processing);
    auto* manipulation = new QGroupBox("Image Manipulation", processing);
    auto* pgrid = new QHBoxLayout(processing);
    pgrid->addWidget(resizing, 1);
    pgrid->addWidget(manipulation, 1);

    auto* rf = formIn(resizing);
    resizemethod = makeList(resizing, "resizemethod",
                            {"", "upsizebypercent", "downsizebypercent", "upsizebypixel", "downsizebypixel",
                             "resizebypixel", "1/4x", "1/3x", "1/2x", "3/4x", "2x", "4x"},
                            " ");
    rf->addRow("Resizing Method", resizemethod);
    width = makeNumber(resizing, "width", std::nullopt, std::nullopt, "0");
    rf->addRow("Width", width);
    height = makeNumber(resizing, "height", std::nullopt, std::nullopt, "0");
    rf->addRow("Height", height);
    percentage = makeNumber(resizing, "percentage", 0, 6000, "0");
    rf->addRow("by Percentage (%)", percentage);
    keepdimensionratio = makeCheck(resizing, "keepdimensionratio", "Keep Dimension Ratio", true);
    rf->addRow(keepdimensionratio);
    favorfilesize = makeCheck(resizing, "favorfilesize", "Favor File Size", false);
    rf->addRow(favorfilesize);
    treatwidthheight = makeCheck(resizing, "treatwidthheight", "Treat Width as Height if Portrait", true);
    rf->addRow(treatwidthheight);
    resampletype = makeList(resizing, "resampletype", {"None", "Lanczos3", "Bell", "Triangle", "Hermite", "BSpline"},
                            "None");
    rf->addRow("Resampling Method", resampletype);
    color_depth = makeList(resizing, "color_depth", {"", "AsIs", "1", "4", "8", "24"}, "AsIs");
    rf->addRow("Color Depth", color_depth);

    auto* mf = formIn(manipulation);
    interval = new SpinEdit(1, 86400, manipulation);
    interval->setObjectName("interval");
    interval->setValue(1);
    BitBtn4 = makeButton(manipulation, "BitBtn4", "Test Now");
    mf->addRow("Interval (Mins)", row(manipulation, {interval, BitBtn4}));
    searchfor = makeList(manipulation, "searchfor",
                         {"*.*", "*.jpg", "*.jpeg", "*.bmp", "*.gif", "*.png", "*.tiff", "*.tif"}, "*.*");
    recursive = makeCheck(manipulation, "recursive", "Recursive", false);
    mf->addRow("Search For", row(manipulation, {searchfor, recursive}));
    directory = makeEdit(manipulation, "directory");
    BitBtn1 = makeButton(manipulation, "BitBtn1", "Search");
    mf->addRow("Directory", row(manipulation, {directory, BitBtn1}));
    orientation = makeList(manipulation, "orientation",
                           {"", "rotateleft90", "rotateright90", "rotate180", "flipdown", "flipleft"}, "");
    mf->addRow("Image Orientation", orientation);
    brightnesstrack = makeTrack(manipulation, "brightnesstrack");
    brightness = makeNumber(manipulation, "brightness", -100, 100, "0");
    brightness->setFixedWidth(48);
    mf->addRow("Brightness", row(manipulation, {brightnesstrack, brightness}));
    contrasttrack = makeTrack(manipulation, "contrasttrack");
    contrast = makeNumber(manipulation, "contrast", -100, 100, "0");
    contrast->setFixedWidth(48);
    mf->addRow("Contrast", row(manipulation, {contrasttrack, contrast}));
    grayscale = makeCheck(manipulation, "grayscale", "Grayscale", false);
    negative = makeCheck(manipulation, "negative", "Negative ", false);
    mf->addRow(row(manipulation, {grayscale, negative}, -1));
    progressivejpeg = makeCheck(manipulation, "progressivejpeg", "Progressive JPEG", false);
    mf->addRow(progressivejpeg);

    // Text Captioning Properties.
    auto* captioning = new QGroupBox("Text Captioning Properties", page);
    auto* cf = formIn(captioning);
    textcaption = makeEdit(captioning, "textcaption");
    cf->addRow("Caption", textcaption);
    textcolor = new ColourList(captioning);
    textcolor->setObjectName("textcolor");
    cf->addRow("Font Color", textcolor);
    textfont = new FontList(captioning);
    textfont->setObjectName("textfont");
    cf->addRow("Font Type", textfont);
    textsize = new SpinEdit(2, 0x7FFFFFFF, captioning);
    textsize->setObjectName("textsize");
    textsize->setValue(2);
    cf->addRow("Font Size (Pixels)", textsize);
    textalignment = makeList(captioning, "textalignment",
                             {"", "topleft", "topcenter", "topright", "bottomleft", "bottomcenter", "bottomright"}, "");
    cf->addRow("Text Alignment", textalignment);
    prefix = makeEdit(captioning, "prefix");
    cf->addRow("Prefix", prefix);
    suffix = makeEdit(captioning, "suffix");
    cf->addRow("Suffix", suffix);
    newname = makeEdit(captioning, "newname");
    cf->addRow("New Name", newname);

    // Saving Options.
    auto* saving = new QGroupBox("Saving Options", page);
    auto* sf = formIn(saving);
    imageformat = makeList(saving, "imageformat",
                           {"", "jpg", "bmp", "gif", "png", "tiffg3", "tiffg4", "tiffhuffman", "tiffpackbit", "jpg2000"},
                           "");
    sf->addRow("Image Format", imageformat);
    quality = makeNumber(saving, "quality", 0, 100, "70");
    sf->addRow("Quality", quality);
    smoothing = makeNumber(saving, "smoothing", 0, 100, "0");
    sf->addRow("Smoothing", smoothing);
    dpi = makeNumber(saving, "dpi", 0, 10000, "72");
    sf->addRow("DPI", dpi);
    savein = makeList(saving, "savein", {"", "[Source Directory]/"}, "");
    BitBtn3 = makeButton(saving, "BitBtn3", "Search");
    sf->addRow("Save Processed In", row(saving, {savein, BitBtn3}));
    moveoriginalto = makeList(saving, "moveoriginalto", {"", "[Source Directory]/"}, "");
    BitBtn2 = makeButton(saving, "BitBtn2", "Search");
    sf->addRow("Save Original In", row(saving, {moveoriginalto, BitBtn2}));
    retainoriginaldate = makeCheck(saving, "retainoriginaldate", "Retain Original File Date", true);
    sf->addRow(retainoriginaldate);
    deleteoriginal = makeCheck(saving, "deleteoriginal", "Delete Original", false);
    sf->addRow(deleteoriginal);

    auto* grid = new QGridLayout(page);
    grid->addWidget(processing, 0, 0, 1, 2);
    grid->addWidget(captioning, 1, 0);
    grid->addWidget(saving, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);

    auto* info = new QLabel(kProductInfo, this);
    info->setObjectName("productInfo");
    statusBar()->addWidget(info, 1);

    connect(brightnesstrack, &QSlider::valueChanged, this, [this] { brightnesstrackChange(); });
    connect(contrasttrack, &QSlider::valueChanged, this, [this] { contrasttrackChange(); });
    connect(brightness, &NumberEdit::exited, this, [this] { brightnessExit(); });
    connect(contrast, &NumberEdit::exited, this, [this] { contrastExit(); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { BitBtn2Click(); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { BitBtn4Click(); });

    // The designed client size, or what the controls need when that is more.
    ensurePolished();
    resize(QSize(741, 554).expandedTo(minimumSizeHint()));
}

void TForm1::buildMenus() {
    auto action = [this](QMenu* menu, const char* name, const char* text, void (TForm1::*handler)()) {
        QAction* a = menu->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };
    QMenu* file = menuBar()->addMenu("&File");
    LoadProfiles1 = action(file, "LoadProfiles1", "&Load Profile", &TForm1::LoadProfiles1Click);
    SaveProfile1 = action(file, "SaveProfile1", "&Save Profile", &TForm1::SaveProfile1Click);
    file->addSeparator()->setObjectName("N3");
    Exit2 = action(file, "Exit2", "E&xit", &TForm1::Exit2Click);
    QMenu* help = menuBar()->addMenu("&Help");
    Content1 = action(help, "Content1", "&Content", &TForm1::Content1Click);
    help->addSeparator()->setObjectName("N2");
    About2 = action(help, "About2", "&About", &TForm1::About2Click);

    traypopup = new QMenu(this);
    traypopup->setObjectName("traypopup");
    StartTimer1 = action(traypopup, "StartTimer1", "&Start Timer", &TForm1::StartTimer1Click);
    StopTimer1 = action(traypopup, "StopTimer1", "S&top Timer", &TForm1::StopTimer1Click);
    ShowForm1 = action(traypopup, "ShowForm1", "&Properties", &TForm1::ShowForm1Click);
    Exit1 = action(traypopup, "Exit1", "E&xit", &TForm1::Exit1Click);
    traypopup->addSeparator()->setObjectName("N1");
    About1 = action(traypopup, "About1", "&About", &TForm1::About1Click);
}

void TForm1::restorePlacement() {
    // Designed position: the designed size, centred on the screen.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(1024, 768);
    FormPlacement designed;
    designed.rect = QRect(QPoint(0, 0), size());
    designed.rect.moveCenter(QRect(QPoint(0, 0), screenSize).center());
    const FormPlacement p = readFormPlacement(env_.placementPath, designed);
    setGeometry(fitToScreen(p.rect, screenSize));
    placedMaximized_ = p.maximized;
}

void TForm1::showPlaced() {
    if (placedMaximized_)
        showMaximized();
    else
        show();
}

void TForm1::FormCreate(const QStringList& args) {
    const QString def = defaultProfilePath();
    if (fileexists(ss(def))) {
        try {
            loadprofile(def);
        } catch (const std::exception& e) {
            showError(e);  // start-up goes on with the initial values
            return;
        }
    }
    if (args.size() > 1 && args[1].compare("start", Qt::CaseInsensitive) == 0) StartTimer1Click();
    versionText_ = kVersionText;
}

// ---- profile binding ----

void TForm1::toModel() {
    FormModel& m = model_;
    m.resizemethod = ss(resizemethod->currentText());
    m.width = ss(width->text());
    m.height = ss(height->text());
    m.percentage = ss(percentage->text());
    m.keepdimensionratio = keepdimensionratio->isChecked();
    m.favorfilesize = favorfilesize->isChecked();
    m.treatwidthheight = treatwidthheight->isChecked();
    m.resampletype = ss(resampletype->currentText());
    m.color_depth = ss(color_depth->currentText());
    m.interval = ss(interval->shownText());
    m.searchfor = ss(searchfor->currentText());
    m.recursive = recursive->isChecked();
    m.directory = ss(directory->text());
    m.orientation = ss(orientation->currentText());
    m.brightnesstrack = brightnesstrack->value();
    m.brightness = ss(brightness->text());
    m.contrasttrack = contrasttrack->value();
    m.contrast = ss(contrast->text());
    m.grayscale = grayscale->isChecked();
    m.negative = negative->isChecked();
    m.progressivejpeg = progressivejpeg->isChecked();
    m.textcaption = ss(textcaption->text());
    m.textcolor = textcolor->colour();
    m.fontList = textfont->names();
    m.textfont = ss(textfont->selectedName());
    m.textsize = ss(textsize->shownText());
    m.textalignment = ss(textalignment->currentText());
    m.prefix = ss(prefix->text());
    m.suffix = ss(suffix->text());
    m.newname = ss(newname->text());
    m.imageformat = ss(imageformat->currentText());
    m.quality = ss(quality->text());
    m.smoothing = ss(smoothing->text());
    m.dpi = ss(dpi->text());
    m.savein = ss(savein->currentText());
    m.moveoriginalto = ss(moveoriginalto->currentText());
    m.retainoriginaldate = retainoriginaldate->isChecked();
    m.deleteoriginal = deleteoriginal->isChecked();
}

void TForm1::fromModel() {
    const FormModel& m = model_;
    setListText(resizemethod, m.resizemethod);
    width->setText(qs(m.width));
    height->setText(qs(m.height));
    percentage->setText(qs(m.percentage));
    keepdimensionratio->setChecked(m.keepdimensionratio);
    favorfilesize->setChecked(m.favorfilesize);
    treatwidthheight->setChecked(m.treatwidthheight);
    setListText(resampletype, m.resampletype);
    setListText(color_depth, m.color_depth);
    interval->setShownText(qs(m.interval));
    setListText(searchfor, m.searchfor);
    recursive->setChecked(m.recursive);
    directory->setText(qs(m.directory));
    setListText(orientation, m.orientation);
    brightness->setText(qs(m.brightness));
    contrast->setText(qs(m.contrast));
    grayscale->setChecked(m.grayscale);
    negative->setChecked(m.negative);
    progressivejpeg->setChecked(m.progressivejpeg);
    textcaption->setText(qs(m.textcaption));
    textcolor->setColour(m.textcolor);
    textfont->selectName(qs(m.textfont));
    textsize->setShownText(qs(m.textsize));
    setListText(textalignment, m.textalignment);
    prefix->setText(qs(m.prefix));
    suffix->setText(qs(m.suffix));
    newname->setText(qs(m.newname));
    setListText(imageformat, m.imageformat);
    quality->setText(qs(m.quality));
    smoothing->setText(qs(m.smoothing));
    dpi->setText(qs(m.dpi));
    setListText(savein, m.savein);
    setListText(moveoriginalto, m.moveoriginalto);
    retainoriginaldate->setChecked(m.retainoriginaldate);
    deleteoriginal->setChecked(m.deleteoriginal);
    // The track bars follow after the edits, as a load moves them.
    brightnesstrack->setValue(m.brightnesstrack);
    contrasttrack->setValue(m.contrasttrack);
}

void TForm1::saveprofile(const QString& path) {
    toModel();
    pix::saveprofile(model_, ss(path));
}

void TForm1::loadprofile(const QString& path) {
    toModel();  // a font the list lacks keeps the current selection
    pix::loadprofile(model_, ss(path));  // throws before any control changes
    fromModel();
}

// ---- scheduler ----

void TForm1::setTooltip(const QString& text) {
    tooltip_ = text;
    trayicon_->setToolTip(text);
    stateLabel_->setText(text);
}

void TForm1::doprocess() {
    RunGuard guard(running_, BitBtn4);
    WindowSchedulerView view(*this);
    pix::doprocess(engine_, ss(defaultProfilePath()), ss(env_.exeFolder), hasFlag(model_.lines, "recursive"), view);
}

void TForm1::StartTimer1Click() {
    try {
        saveprofile(defaultProfilePath());
    } catch (const std::exception& e) {
        showError(e);  // the timer and the tooltip stay as they were
        return;
    }
    timer_->setEnabled(false);
    timer_->setPeriod(int64_t(interval->value()) * 60000);
    setTooltip(kTooltipTimerOn);
    timer_->setEnabled(true);
}

void TForm1::StopTimer1Click() {
    setTooltip(kTooltipTimerOff);
    timer_->setEnabled(false);
}

void TForm1::TimerTimer() {
    if (running_) return;  // a tick that reaches a run's event pass waits for the next period
    try {
        doprocess();
    } catch (const std::exception& e) {
        // The timer stays off and the tooltip says Processing until Start Timer;
        // no box interrupts an unattended run, the status bar keeps the cause.
        statusBar()->showMessage(QString::fromUtf8(e.what()));
    }
}

void TForm1::BitBtn4Click() {
    if (running_) return;  // pressed again during the run's event pass
    try {
        saveprofile(defaultProfilePath());
    } catch (const std::exception& e) {
        showError(e);
        return;
    }
    try {
        doprocess();
    } catch (const std::exception& e) {
        showError(e);
        return;
    }
    dialogs_->information(this, "Test Completed");
}

// ---- shell ----

void TForm1::trayiconDblClick() {
    const QString def = defaultProfilePath();
    if (fileexists(ss(def))) {
        try {
            loadprofile(def);
        } catch (const std::exception& e) {
            showError(e);
            return;
        }
    }
    ShowForm1Click();
}

void TForm1::ShowForm1Click() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm1::Exit1Click() {
    if (dialogs_->confirm(this, "Do You Want to Exit?")) dialogs_->quit();
}

void TForm1::Exit2Click() {
    try {
        saveprofile(defaultProfilePath());
    } catch (const std::exception& e) {
        showError(e);  // the window stays visible
        return;
    }
    putAway();
}

void TForm1::putAway() {
    if (env_.trayAvailable) {
        hide();
        return;
    }
    // Hidden without a tray icon the program could not be reached again.
    showMinimized();
    if (!noTrayNoticeGiven_) {
        noTrayNoticeGiven_ = true;
        dialogs_->information(this,
                              "The desktop has no notification area, so Pixmarsh is minimised instead of hidden.\n"
                              "Its tray commands are in the window's Tray menu.");
    }
}

void TForm1::closeEvent(QCloseEvent* event) {
    event->ignore();  // the program lives on in the tray; only Tray > Exit ends it
    putAway();
}

void TForm1::About1Click() { aboutbox_->showAbout(versionText_, this); }
void TForm1::About2Click() { aboutbox_->showAbout(versionText_, this); }

void TForm1::Content1Click() { dialogs_->openDocument(env_.exeFolder + "quorvel.chm"); }

void TForm1::showError(const std::exception& e) { dialogs_->error(this, QString::fromUtf8(e.what())); }

// ---- controls ----

void TForm1::pickFolderInto(QWidget* target, bool newFolderButton) {
    const QString folder = dialogs_->pickFolder(this, kFolderDialogTitle, newFolderButton);
    if (folder.isEmpty()) return;
    const QString text = folder + "/";  // appended whatever the path ends with
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        edit->setText(text);
    else if (auto* list = qobject_cast<QComboBox*>(target))
        list->setEditText(text);
}

void TForm1::BitBtn1Click() { pickFolderInto(directory, false); }
void TForm1::BitBtn3Click() { pickFolderInto(savein, true); }
void TForm1::BitBtn2Click() { pickFolderInto(moveoriginalto, true); }

void TForm1::LoadProfiles1Click() {
    const QString path = dialogs_->openFile(this, {"Load Profile File", "default.ini", "*.ini", "ini"});
    if (path.isEmpty()) return;
    try {
        loadprofile(path);
    } catch (const std::exception& e) {
        showError(e);
        return;
    }
    dialogs_->information(this, "Profile Loaded");
}

void TForm1::SaveProfile1Click() {
    const QString path = dialogs_->saveFile(this, {"Save Profile File", "default.ini", "*.ini", "ini"});
    if (path.isEmpty()) return;
    try {
        saveprofile(path);
    } catch (const std::exception& e) {
        showError(e);
        return;
    }
    dialogs_->information(this, "Profile Saved");
}

void TForm1::brightnesstrackChange() { brightness->setText(QString::number(brightnesstrack->value())); }
void TForm1::contrasttrackChange() { contrast->setText(QString::number(contrasttrack->value())); }

void TForm1::brightnessExit() {
    brightnesstrack->setValue(trackPositionFor(ss(brightness->text()), brightnesstrack->value()));
}
void TForm1::contrastExit() {
    contrasttrack->setValue(trackPositionFor(ss(contrast->text()), contrasttrack->value()));
}

}  // namespace pix
