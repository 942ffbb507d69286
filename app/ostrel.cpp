#include "ostrel.h"

#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

Ostrel::Ostrel(const QString& startPath, QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Ostrel V1.0.8"));
    auto* layout = new QVBoxLayout(this);
    statusLabel = new QLabel(QStringLiteral("等待打开文件"));
    layout->addWidget(statusLabel);
    const QFileInfo info(startPath);
    if (!startPath.isEmpty() && info.exists() && info.isFile())
        statusLabel->setText(startPath);
}
