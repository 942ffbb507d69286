#include "tavdata.h"

#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QtTest>

using TavBinary::MarkerHit;

namespace {

// Plain byte-by-byte reading of the rule: every maximal run of 16 or more equal marker
// characters is one marker, found where the run starts.
QVector<MarkerHit> naiveScan(const QByteArray& bytes)
{
    QVector<MarkerHit> hits;
    for (int i = 0, e = 0; i < bytes.size(); i = e) {
        for (e = i + 1; e < bytes.size() && bytes[e] == bytes[i]; ++e) {
        }
        if (e - i >= 16 && QByteArray("IHASU").contains(bytes[i]))
            hits.append({bytes[i], i, e});
    }
    return hits;
}

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

// Long runs of marker characters, short runs, and noise, in random order.
QByteArray markerRichBytes(quint32 seed, int size)
{
    QRandomGenerator rng(seed);
    QByteArray out;
    while (out.size() < size) {
        const int len = rng.bounded(4) == 0 ? int(rng.bounded(40)) : int(rng.bounded(18));
        out.append(QByteArray(len, "IHASUx"[rng.bounded(6)])).append(char(rng.bounded(256)));
    }
    return out.left(size);
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
            {QByteArray(15, 'I'), {}},
            {QByteArray(3, 'z') + QByteArray(21, 'A') + "q", "A@3-24"},
            {QByteArray(16, 'I') + QByteArray(16, 'H') + QByteArray(17, 'U'),
             "I@0-16,H@16-32,U@32-49"},
            // A later kind that comes first in table order must not hide an earlier marker.
            {QByteArray(100, '.') + QByteArray(16, 'S') + QByteArray(300, 'x') +
                 QByteArray(16, 'A'),
             "S@100-116,A@416-432"},
            {QByteArray(40, 'B') + QByteArray(16, 'h'), {}}};
        for (quint32 seed : {1u, 2u, 3u})
            cases.append(qMakePair(markerRichBytes(seed, 6000), QString()));
        // Larger than one read block of the file scan, with a run across its edge.
        cases.append(qMakePair(markerRichBytes(9, (4 << 20) + 5000), QString()));
        cases.last().first.replace((4 << 20) - 10, 30, QByteArray(30, 'S'));
        for (auto& [bytes, expected] : cases) {
            if (expected.isEmpty() && bytes.size() > 1000) {
                expected = text(naiveScan(bytes));
                QVERIFY(naiveScan(bytes).size() > 10);
            }
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
