#pragma once

#include <QColor>
#include <QFont>

class QTableWidget;

// Gives every horizontal header item of table the font and a solid text colour.
// The window calls it for tabCurve, tabVern and tabEvent with its bold font and headerColor.
void setHeaderLook(QTableWidget* table, const QFont& font, const QColor& color);
