#pragma once

#include <QLabel>
#include <QString>

// The status text of the window. A long text (a deep path) is shown elided in the middle
// to the width the label has, with the full text as its tooltip; the label never asks
// for more width than it is given, so no status text can widen the window.
class VyStatusLabel : public QLabel
{
    Q_OBJECT
public:
    explicit VyStatusLabel(const QString& text = QString(), QWidget* parent = nullptr);

    // The full text; QLabel::text() is what is shown.
    QString text() const { return m_full; }
    void setText(const QString& text);
    void clear() { setText(QString()); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void elide();

    QString m_full;
};
