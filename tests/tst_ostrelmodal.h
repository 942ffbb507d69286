#pragma once

#include "ostrel.h"
#include "tavdrawer.h"
#include "testutil.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
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

inline QString samplePath()
{
    return TestUtil::sourceDir() + QStringLiteral("/samples/sample.tavdata");
}

// A window with a spy on its canvas's reads, made before any event can deliver one.
struct Viewer
{
    explicit Viewer(const QString& path = QString())
        : w(path), reads(w.drawer, &TavDrawer::readFinished)
    {
    }
    bool waitRead() { return !reads.isEmpty() || reads.wait(30000); }
    bool show(int width, int height)
    {
        w.resize(width, height);
        w.show();
        return QTest::qWaitForWindowExposed(&w);
    }
    bool call(const char* slot) { return QMetaObject::invokeMethod(&w, slot); }
    Ostrel w;
    QSignalSpy reads;
};
