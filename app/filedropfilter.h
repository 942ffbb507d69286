#pragma once

#include <QObject>

// Lets a widget take a data file dropped from the file manager: it accepts drags that carry
// a .tavdata or .csv file and reports the file on drop.
class FileDropFilter : public QObject
{
    Q_OBJECT
public:
    explicit FileDropFilter(QObject* parent = nullptr);

signals:
    void fileDropped(QString path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
