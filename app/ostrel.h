#pragma once

#include <QWidget>

class QLabel;

// Stand-in main window until the real frame lands: it takes the start path and reads
// it when it names an existing file.
class Ostrel : public QWidget
{
    Q_OBJECT
public:
    explicit Ostrel(const QString& startPath, QWidget* parent = nullptr);

    QLabel* statusLabel = nullptr;
};
