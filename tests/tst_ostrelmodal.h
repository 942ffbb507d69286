#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <utility>

// Answers whatever modal dialog shows up, so that no test ever waits on a user: message boxes
// are noted and closed with OK; file dialogs are noted with the file they propose, then either
// given the queued answer or cancelled.
class ModalAnswerer
{
public:
    ModalAnswerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { poll(); });
        timer.start(5);
    }

    QStringList boxTexts;
    QStringList dialogTitles;
    QStringList proposedFiles;
    QString nextFile;                 // answer for the next file dialog; empty: cancel it
    std::function<void()> onBoxShown; // runs while a box is still open

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            boxTexts << box->text();
            if (onBoxShown)
                onBoxShown();
            box->done(QMessageBox::Ok);
        } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            dialogTitles << dialog->windowTitle();
            proposedFiles << dialog->selectedFiles().value(0);
            if (nextFile.isEmpty())
                return dialog->reject();
            dialog->selectFile(std::exchange(nextFile, QString()));
            static_cast<QDialog*>(dialog)->accept(); // virtual: the file dialog's own accept
        }
    }

    QTimer timer;
};
