#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <utility>

// Notes and closes every modal box; answers file dialogs with nextFile or cancels them.
struct ModalAnswerer
{
    QStringList boxTexts, dialogTitles, proposedFiles;
    QString nextFile;
    std::function<void()> onBoxShown; // runs while a box is still open
    QTimer timer;
    ModalAnswerer()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
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
                static_cast<QDialog*>(dialog)->accept();
            }
        });
        timer.start(5);
    }
};
