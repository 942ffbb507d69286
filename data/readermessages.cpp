#include "readermessages.h"

#include "numberpattern.h"

#include <QCoreApplication>

namespace ReaderMessages {

QString historyCut(const QString& path, qint64 kept)
{
    return QCoreApplication::translate("ReaderMessages", "%1 历史数据过长，只读取前%2条", nullptr,
                                       numerus(kept))
        .arg(path, QString::number(kept));
}

QString skippedRows(const QString& path, qint64 rows)
{
    return QCoreApplication::translate("ReaderMessages", "%1 已跳过%2行：首字段不是有效时间",
                                       nullptr, numerus(rows))
        .arg(path, QString::number(rows));
}

QString missingCells(const QString& path, qint64 cells)
{
    return QCoreApplication::translate("ReaderMessages", "%1 已将%2个非数字单元视为缺失值", nullptr,
                                       numerus(cells))
        .arg(path, QString::number(cells));
}

QString repeatedNames(const QString& path, const QStringList& names)
{
    const int shownCount = 10;
    const QString shown = names.mid(0, shownCount).join(QLatin1Char(','));
    if (names.size() > shownCount)
        return QCoreApplication::translate("ReaderMessages",
                                           "%1 变量名称重复，已忽略后出现的同名列：%2…")
            .arg(path, shown);
    return QCoreApplication::translate("ReaderMessages",
                                       "%1 变量名称重复，已忽略后出现的同名列：%2")
        .arg(path, shown);
}

} // namespace ReaderMessages
