#pragma once
// The window's modal moments (message boxes, file and folder dialogs), the
// desktop's document opener and the program's end, behind one replaceable
// object: the window asks it and never opens a modal box itself, so tests
// drive the window without anyone to press OK.
#include <QString>

class QWidget;

namespace pix {

struct FileDialogSpec {
    QString title;         // "Load Profile File" / "Save Profile File"
    QString proposedName;  // "default.ini"
    QString filter;        // "*.ini"
    QString defaultSuffix; // "ini"
};

class FormDialogs {
public:
    virtual ~FormDialogs() = default;
    // An information box with the application title and OK.
    virtual void information(QWidget* parent, const QString& text);
    // A confirmation with OK and Cancel; true for OK.
    virtual bool confirm(QWidget* parent, const QString& text);
    // What the application's error handler shows.
    virtual void error(QWidget* parent, const QString& text);
    // A folder dialog; the chosen folder's path, or an empty text on Cancel.
    virtual QString pickFolder(QWidget* parent, const QString& title, bool newFolderButton);
    // The open and save dialogs for profiles; empty on Cancel.
    virtual QString openFile(QWidget* parent, const FileDialogSpec& request);
    virtual QString saveFile(QWidget* parent, const FileDialogSpec& request);
    // Opens a document with the desktop's registered viewer, without waiting.
    // A missing file or viewer is the desktop's to report.
    virtual void openDocument(const QString& path);
    // Ends the program at once.
    virtual void quit();
};

}  // namespace pix
