#pragma once
// TForm1: the configuration window. It binds its controls to the form-side
// profile model, owns the tray icon, the scheduler's timer and the About box,
// and runs the scan-and-run on its own thread.
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/form_dialogs.h"
#include "engine/batch_engine.h"
#include "profile/form_model.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QSystemTrayIcon;

namespace pix {

class ColourList;
class FontList;
class LongTimer;
class NumberEdit;
class SpinEdit;
class Taboutbox;

inline constexpr const char* kAppTitle = "Pixmarsh";
inline constexpr const char* kVersionText = "Version 1.43";

// Where the window finds its files and what the desktop offers.
struct FormEnvironment {
    QString exeFolder;      // ends with "/"; holds default.ini and quorvel.chm
    QString placementPath;  // FORM.INI
    bool trayAvailable = true;
};
// The running program's environment: the executable's folder, FORM.INI in the
// current working folder, and the desktop's notification area if it has one.
FormEnvironment desktopEnvironment();

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    TForm1(const FormEnvironment& env, std::unique_ptr<FormDialogs> dialogs, QWidget* parent = nullptr);
    ~TForm1() override;  // writes the placement file

    // The creation steps after the window exists: the default profile, the
    // "start" argument (args[1]) and the version text.
    void FormCreate(const QStringList& args);
    // Shows the window as the placement file left it (maximised or not).
    void showPlaced();

    void saveprofile(const QString& path);
    void loadprofile(const QString& path);
    // One scan-and-run; errors propagate to the caller.
    void doprocess();

    QString defaultProfilePath() const { return env_.exeFolder + "default.ini"; }
    const QString& tooltip() const { return tooltip_; }
    const QString& versionText() const { return versionText_; }
    const std::vector<std::string>& formLines() const { return model_.lines; }
    LongTimer* timer() const { return timer_; }
    Taboutbox* aboutbox() const { return aboutbox_.get(); }
    QSystemTrayIcon* trayicon() const { return trayicon_; }
    bool isRunning() const { return running_; }

    // Handlers, named after the control and the event.
    void StartTimer1Click();
    void StopTimer1Click();
    void TimerTimer();
    void BitBtn4Click();  // Test Now
    void trayiconDblClick();
    void ShowForm1Click();
    void Exit1Click();  // Tray > Exit
    void Exit2Click();  // File > Exit
    void About1Click();
    void About2Click();
    void Content1Click();
    void BitBtn1Click();  // folder picker: directory
    void BitBtn2Click();  // folder picker: moveoriginalto
    void BitBtn3Click();  // folder picker: savein
    void LoadProfiles1Click();
    void SaveProfile1Click();
    void brightnesstrackChange();
    void brightnessExit();
    void contrasttrackChange();
    void contrastExit();

    // Controls, named after the profile keys they edit.
    QComboBox* resizemethod = nullptr;
    NumberEdit* width = nullptr;
    NumberEdit* height = nullptr;
    NumberEdit* percentage = nullptr;
    QCheckBox* keepdimensionratio = nullptr;
    QCheckBox* favorfilesize = nullptr;
    QCheckBox* treatwidthheight = nullptr;
    QComboBox* resampletype = nullptr;
    QComboBox* color_depth = nullptr;
    SpinEdit* interval = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QComboBox* searchfor = nullptr;
    QCheckBox* recursive = nullptr;
    QLineEdit* directory = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QComboBox* orientation = nullptr;
    QSlider* brightnesstrack = nullptr;
    NumberEdit* brightness = nullptr;
    QSlider* contrasttrack = nullptr;
    NumberEdit* contrast = nullptr;
    QCheckBox* grayscale = nullptr;
    QCheckBox* negative = nullptr;
    QCheckBox* progressivejpeg = nullptr;
    QLineEdit* textcaption = nullptr;
    ColourList* textcolor = nullptr;
    FontList* textfont = nullptr;
    SpinEdit* textsize = nullptr;
    QComboBox* textalignment = nullptr;
    QLineEdit* prefix = nullptr;
    QLineEdit* suffix = nullptr;
    QLineEdit* newname = nullptr;
    QComboBox* imageformat = nullptr;
    NumberEdit* quality = nullptr;
    NumberEdit* smoothing = nullptr;
    NumberEdit* dpi = nullptr;
    QComboBox* savein = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QComboBox* moveoriginalto = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QCheckBox* retainoriginaldate = nullptr;
    QCheckBox* deleteoriginal = nullptr;

    QMenu* traypopup = nullptr;
    QAction* StartTimer1 = nullptr;
    QAction* StopTimer1 = nullptr;
    QAction* ShowForm1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* About1 = nullptr;
    QAction* LoadProfiles1 = nullptr;
    QAction* SaveProfile1 = nullptr;
    QAction* Exit2 = nullptr;
    QAction* Content1 = nullptr;
    QAction* About2 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void restorePlacement();
    void toModel();
    void fromModel();
    void setTooltip(const QString& text);
    // Hides the window into the tray, or minimises it when there is no tray.
    void putAway();
    void showError(const std::exception& e);
    void pickFolderInto(QWidget* target, bool newFolderButton);

    friend class WindowSchedulerView;

    FormEnvironment env_;
    std::unique_ptr<FormDialogs> dialogs_;
    FormModel model_;
    BatchEngine engine_;
    LongTimer* timer_ = nullptr;
    QSystemTrayIcon* trayicon_ = nullptr;
    std::unique_ptr<Taboutbox> aboutbox_;
    QLabel* stateLabel_ = nullptr;  // the tooltip's state, shown when there is no tray
    QString tooltip_;
    QString versionText_ = kVersionText;
    bool placedMaximized_ = false;
    bool running_ = false;
    bool noTrayNoticeGiven_ = false;
};

}  // namespace pix
