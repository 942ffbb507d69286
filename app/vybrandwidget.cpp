#include "vybrandwidget.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace {

QLabel* imageLabel(const QString& path)
{
    auto* label = new QLabel;
    label->setPixmap(QPixmap(path).scaledToWidth(96, Qt::SmoothTransformation));
    return label;
}

QLabel* textLabel(const QString& text, int pointSize)
{
    auto* label = new QLabel(text);
    QFont f(QStringLiteral("微软雅黑"), pointSize, 75);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: #8BC34A;"));
    return label;
}

} // namespace

QString VyBrandWidget::companyName()
{
    return QStringLiteral("Norrbrook Test Systems");
}

QString VyBrandWidget::appTitle()
{
    return QStringLiteral("Ostrel V1.0.8");
}

VyBrandWidget::VyBrandWidget() : QWidget(nullptr)
{
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    const Qt::Alignment centred = Qt::AlignHCenter | Qt::AlignVCenter;
    layout->addSpacing(5);
    layout->addWidget(imageLabel(QStringLiteral(":/tav/tav_full_size.png")), 0, centred);
    layout->addSpacing(5);
    layout->addWidget(textLabel(companyName(), 11), 0, centred);
    layout->addWidget(textLabel(appTitle(), 10), 0, centred);
    layout->addWidget(imageLabel(QStringLiteral(":/tav/qrcode.png")), 0, centred);
    layout->addStretch();
}
