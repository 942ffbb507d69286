#pragma once

#include <QWidget>

// Logo, maker, title and QR code shown at the top of the file page.
class VyBrandWidget : public QWidget
{
    Q_OBJECT

public:
    VyBrandWidget();

    static QString companyName();
    static QString appTitle();
};
