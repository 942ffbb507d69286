#include "ostrel.h"

#include <QApplication>
#include <QList>
#include <QMetaType>

int main(int argc, char* argv[])
{
    // The export request carries its column list to the worker thread as a queued argument.
    qRegisterMetaType<QList<int>>("QList<int>");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const QString startPath = args.size() > 1 ? args.at(1) : QString();
    Ostrel window(startPath);
    window.show();
    return app.exec();
}
