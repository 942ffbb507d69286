#include "csvrow.h"

#include <QHash>
#include <QTextCodec>

#include <algorithm>

namespace TavCsv {

QStringList headerFields(const char* b, const char* e)
{
    if (e - b >= 3 && uchar(b[0]) == 0xEF && uchar(b[1]) == 0xBB && uchar(b[2]) == 0xBF)
        b += 3;
    e = b + std::min<qint64>(e - b, 1 << 28); // names beyond this cannot be real
    const QString text = QTextCodec::codecForLocale()->toUnicode(b, int(e - b));
    return text.split(QLatin1Char(','));
}

void layoutColumns(CsvLayout& layout, int fieldCount, const QStringList& header,
                   bool useHeaderNames)
{
    layout.fieldCount = fieldCount;
    layout.names.clear();
    layout.dropped.clear();
    layout.columnOf.assign(size_t(std::max(fieldCount, 0)), -1);
    QHash<QString, int> seen;
    for (int j = 0; j < fieldCount; ++j) {
        if (!useHeaderNames) {
            layout.columnOf[size_t(j)] = j;
            layout.names.append(QStringLiteral("Data[%1]").arg(j));
            continue;
        }
        QString name = header.value(j + 1);
        if (name.isEmpty())
            name = QStringLiteral("Data[%1]").arg(j);
        if (seen.contains(name)) {
            layout.dropped.append(name);
            continue;
        }
        seen.insert(name, layout.names.size());
        layout.columnOf[size_t(j)] = layout.names.size();
        layout.names.append(name);
    }
}

} // namespace TavCsv
