#include "vyrecentlist.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Rows shown before the list scrolls: the file page keeps its room for the information table.
constexpr int ShownRows = 5;

} // namespace

VyRecentList::VyRecentList(QSettings* settings) : m_files(settings)
{
    setSelectionMode(QAbstractItemView::NoSelection);
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideMiddle);
    connect(this, &QListWidget::itemClicked, this, &VyRecentList::onClicked);
    refresh();
}

void VyRecentList::add(const QString& path)
{
    m_files.add(path);
    refresh();
}

void VyRecentList::refresh()
{
    clear();
    for (const QString& path : m_files.paths()) {
        const QString name = QFileInfo(path).fileName();
        const QString shown = QDir::toNativeSeparators(path);
        auto* item = new QListWidgetItem(this);
        item->setData(Qt::UserRole, path);
        if (QFileInfo(path).isFile()) {
            item->setText(name);
            item->setToolTip(shown);
        } else {
            item->setText(tr("%1（已不存在）").arg(name));
            item->setToolTip(tr("%1 已不存在").arg(shown));
            item->setForeground(Qt::gray);
        }
    }
}

QSize VyRecentList::sizeHint() const
{
    return QSize(QListWidget::sizeHint().width(), rowsHeight(ShownRows));
}

// Small screens keep the window's minimum height down: two rows may scroll.
QSize VyRecentList::minimumSizeHint() const
{
    return QSize(QListWidget::minimumSizeHint().width(), rowsHeight(2));
}

int VyRecentList::rowsHeight(int rows) const
{
    return rows * (fontMetrics().height() + 2) + 2 * frameWidth();
}

void VyRecentList::onClicked(QListWidgetItem* item)
{
    // Looked for again: the file may have gone since the list was drawn.
    const QString path = item->data(Qt::UserRole).toString();
    if (QFileInfo(path).isFile()) {
        emit openRequested(path);
        return;
    }
    m_files.remove(path);
    refresh();
    emit notice(tr("%1 已不存在，已从最近打开中移除").arg(QDir::toNativeSeparators(path)));
}
