#include "app/form_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

namespace pix {

namespace {

QString runFileDialog(QWidget* parent, const FileDialogSpec& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(parent, request.title);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.selectFile(request.proposedName);
    // Saving over an existing profile is what the user asked for.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

}  // namespace

void FormDialogs::information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QApplication::applicationDisplayName(), text);
}

bool FormDialogs::confirm(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, QApplication::applicationDisplayName(), text,
                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Ok;
}

void FormDialogs::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QApplication::applicationDisplayName(), text);
}

QString FormDialogs::pickFolder(QWidget* parent, const QString& title, bool newFolderButton) {
    QFileDialog dialog(parent, title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // A read-only view has no new-folder button.
    if (!newFolderButton) dialog.setOption(QFileDialog::ReadOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().first();
}

QString FormDialogs::openFile(QWidget* parent, const FileDialogSpec& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptOpen);
}

QString FormDialogs::saveFile(QWidget* parent, const FileDialogSpec& request) {
    return runFileDialog(parent, request, QFileDialog::AcceptSave);
}

void FormDialogs::openDocument(const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); }

// exit(), not quit(): quit() first asks every window to close, and the
// window refuses, since closing it only puts it into the tray.
void FormDialogs::quit() { QApplication::exit(0); }

}  // namespace pix
