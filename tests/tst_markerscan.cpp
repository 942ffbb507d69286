#include "tavdata.h"

#include <QTemporaryFile>
#include <QtTest>

using TavBinary::MarkerHit;

namespace {

// Feeds the scanner the way the file scan does: each block preceded by up to 16 bytes
// that were scanned before.
QVector<MarkerHit> blockScan(const QByteArray& bytes, int blockSize)
{
    QVector<MarkerHit> hits;
    TavBinary::ScanState state;
    for (int pos = 0; pos < bytes.size(); pos += blockSize) {
        const int kept = std::min(pos, 16);
        const int n = std::min(blockSize, bytes.size() - pos);
        TavBinary::scanMarkers(bytes.constData() + pos - kept, kept + n, pos - kept, kept, hits,
                               state);
    }
    TavBinary::finishScan(hits, state);
    return hits;
}

// kind@start-runEnd, comma separated.
QString text(const QVector<MarkerHit>& hits)
{
    QStringList out;
    for (const MarkerHit& h : hits)
        out << QStringLiteral("%1@%2-%3").arg(QChar(h.kind)).arg(h.start).arg(h.runEnd);
    return out.join(',');
}

} // namespace

class TstMarkerScan : public QObject
{
    Q_OBJECT
private slots:
    // Fed in blocks of any size, or read from a file, the scan finds the same markers.
    void scan()
    {
        QVector<QPair<QByteArray, QString>> cases = {
            {QByteArray(16, 'I') + QByteArray(16, 'H') + QByteArray(17, 'U'),
             "I@0-16,H@16-32,U@32-49"},
            // A later kind that comes first in table order must not hide an earlier marker.
            {QByteArray(100, '.') + QByteArray(16, 'S') + QByteArray(300, 'x') +
                 QByteArray(16, 'A'),
             "S@100-116,A@416-432"},
            {QByteArray(40, 'B') + QByteArray(16, 'h'), {}}};
        // Runs that grow past 16 or stop one short, of every kind, one after another.
        const QVector<int> lengths = {15, 16, 17, 33, 15, 1, 16};
        QByteArray mixed;
        for (int len : lengths)
            for (char kind : QByteArray("IHASU"))
                mixed += QByteArray(len, kind) + (len == 1 ? "" : "-");
        QString runs;
        for (int pos = 0, k = 0; pos < mixed.size(); ++k) {
            const int len = lengths[k / 5];
            if (len >= 16)
                runs += QStringLiteral(",%1@%2-%3").arg(QChar(mixed[pos])).arg(pos).arg(pos + len);
            pos += len + (len == 1 ? 0 : 1);
        }
        cases.append({mixed, runs.mid(1)});
        // Larger than one read block of the file scan, with a run across its edge.
        QByteArray big((4 << 20) + 5000, 'x');
        big.replace((4 << 20) - 10, 30, QByteArray(30, 'S'));
        cases.append({big, "S@4194294-4194324"});
        for (const auto& [bytes, expected] : cases) {
            for (int block : {1, 5, 15, 16, 17, 31, 64, 1000, 8192})
                QVERIFY2(text(blockScan(bytes, block)) == expected,
                         qPrintable(QString::number(block)));
            QTemporaryFile file;
            QVERIFY(file.open());
            file.write(bytes);
            file.flush();
            QCOMPARE(text(TavBinary::scanMarkers(file, file.size())), expected);
        }
    }
};

QTEST_GUILESS_MAIN(TstMarkerScan)
#include "tst_markerscan.moc"
