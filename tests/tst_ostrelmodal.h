#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <utility>

// Notes and closes every modal box; answers file dialogs with nextFile or cancels them.
// A box that offers reply is answered with it, any other is closed as by its OK button.
struct ModalAnswerer
{
    QStringList boxTexts, dialogTitles, proposedFiles;
    QString nextFile;
    QMessageBox::StandardButton reply = QMessageBox::NoButton;
    std::function<void()> onBoxShown; // runs while a box is still open
    QTimer timer;
    QPointer<QFileDialog> seen;      // the dialog last noted, noted once however long it stays
    QPointer<QFileDialog> accepting; // a dialog whose accept has not returned yet
    ModalAnswerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                boxTexts << box->text();
                if (onBoxShown)
                    onBoxShown();
                if (QAbstractButton* button = box->button(reply))
                    button->click();
                else
                    box->done(QMessageBox::Ok);
            } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
                if (dialog == accepting)
                    return;
                if (dialog != seen) {
                    seen = dialog;
                    dialogTitles << dialog->windowTitle();
                    proposedFiles << dialog->selectedFiles().value(0);
                }
                if (nextFile.isEmpty())
                    return dialog->reject();
                dialog->selectFile(std::exchange(nextFile, QString()));
                // Accepted outside this timer's handler: the dialog may ask before replacing
                // a file, and a timer is not called again while its handler runs.
                accepting = dialog;
                QTimer::singleShot(0, dialog, [this, dialog] {
                    static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept, public here
                    accepting = nullptr;
                });
            }
        });
        timer.start(5);
    }
};
