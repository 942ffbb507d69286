#include "tavdataheader.h"

const QVector<QByteArray>& TavDataHeader::sectionMarkers()
{
    static const QVector<QByteArray> markers = {
        QByteArray(MarkerLength, char(Global)), QByteArray(MarkerLength, char(History)),
        QByteArray(MarkerLength, char(Error)),  QByteArray(MarkerLength, char(System)),
        QByteArray(MarkerLength, char(User)),
    };
    return markers;
}
