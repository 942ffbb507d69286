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
    const QByteArray kinds("IHASU");
    int i = 0;
    while (i < bytes.size()) {
        int e = i + 1;
        while (e < bytes.size() && bytes[e] == bytes[i])
            ++e;
        if (e - i >= 16 && kinds.contains(bytes[i]))
            hits.append({bytes[i], i, e});
        i = e;
    }
    return hits;
}

QVector<MarkerHit> blockScan(const QByteArray& bytes, int blockSize)
{
    // Feeds the scanner the way the file scan does: each block preceded by up to 16
    // bytes that were scanned before.
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

QByteArray markerRichBytes(quint32 seed, int size)
{
    // Long runs of marker characters, short runs, and noise, in random order.
    QRandomGenerator rng(seed);
    const QByteArray kinds("IHASUx");
    QByteArray out;
    while (out.size() < size) {
        const char c = kinds[int(rng.bounded(kinds.size()))];
        const int len = rng.bounded(4) == 0 ? int(rng.bounded(40)) : int(rng.bounded(18));
        out.append(QByteArray(len, c));
        out.append(char(rng.bounded(256)));
    }
    out.truncate(size);
    return out;
}

bool sameHits(const QVector<MarkerHit>& a, const QVector<MarkerHit>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].kind != b[i].kind || a[i].start != b[i].start || a[i].runEnd != b[i].runEnd)
            return false;
    return true;
}

} // namespace

class TstMarkerScan : public QObject
{
    Q_OBJECT
private slots:
    void fixedLayouts_data();
    void fixedLayouts();
    void blockBoundaries_data();
    void blockBoundaries();
    void fileScanMatchesMemoryScan();
};

void TstMarkerScan::fixedLayouts_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // kind@start-runEnd, comma separated

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("fifteen is no marker") << QByteArray(15, 'I') << QString();
    QTest::newRow("sixteen at start") << QByteArray(16, 'H') << "H@0-16";
    QTest::newRow("swallowed copies") << QByteArray(3, 'z') + QByteArray(21, 'A') + "q"
                                      << "A@3-24";
    QTest::newRow("back to back kinds")
        << QByteArray(16, 'I') + QByteArray(16, 'H') + QByteArray(17, 'U')
        << "I@0-16,H@16-32,U@32-49";
    // A later kind that comes first in table order must not hide an earlier marker.
    QTest::newRow("S before A in one window")
        << QByteArray(100, '.') + QByteArray(16, 'S') + QByteArray(300, 'x') + QByteArray(16, 'A')
        << "S@100-116,A@416-432";
    QTest::newRow("non marker character runs")
        << QByteArray(40, 'B') + QByteArray(16, 'h') << QString();
}

void TstMarkerScan::fixedLayouts()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QStringList got;
    for (const MarkerHit& h : blockScan(bytes, 8192))
        got << QStringLiteral("%1@%2-%3").arg(QChar(h.kind)).arg(h.start).arg(h.runEnd);
    QCOMPARE(got.join(QLatin1Char(',')), expected);
}

void TstMarkerScan::blockBoundaries_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("blockSize");
    for (quint32 seed : {1u, 2u, 3u, 4u})
        for (int block : {1, 5, 15, 16, 17, 31, 64, 1000})
            QTest::newRow(qPrintable(QStringLiteral("seed %1 block %2").arg(seed).arg(block)))
                << seed << block;
}

void TstMarkerScan::blockBoundaries()
{
    QFETCH(quint32, seed);
    QFETCH(int, blockSize);
    const QByteArray bytes = markerRichBytes(seed, 6000);
    const QVector<MarkerHit> expected = naiveScan(bytes);
    QVERIFY(expected.size() > 10);
    QVERIFY(sameHits(blockScan(bytes, blockSize), expected));
}

void TstMarkerScan::fileScanMatchesMemoryScan()
{
    // Larger than one read block of the file scan, with runs placed across its edge.
    QByteArray bytes = markerRichBytes(9, (4 << 20) + 5000);
    bytes.replace((4 << 20) - 10, 30, QByteArray(30, 'S'));
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(bytes);
    file.flush();
    QVERIFY(sameHits(TavBinary::scanMarkers(file, file.size()), naiveScan(bytes)));
}

QTEST_GUILESS_MAIN(TstMarkerScan)
#include "tst_markerscan.moc"
