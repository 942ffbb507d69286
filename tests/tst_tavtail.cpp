// A .tavdata file written in random pieces and followed with TavTail must end up as one
// whole read of the finished file: the last History block's names, stamps and values bit
// for bit, and as many dropped records.
#include "tavdata.h"
#include "tavtail.h"
#include "tavwriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <random>

using TavBinary::TailLayout;

namespace {

constexpr char Kinds[] = {'I', 'H', 'A', 'S', 'U'};

// What a follow holds: the last block, grown batch by batch or replaced by a whole read.
struct Followed
{
    TavTail tail{TailLayout()};
    qint64 offset = 0;
    QVector<QString> names;
    QVector<qint64> stamps;
    QVector<QVector<float>> values;
    qint64 dropped = 0;
};

// The last block of a whole read of the file and its dropped records.
struct WholeRead
{
    TailLayout layout;
    HistoryBlock block;
    qint64 dropped = 0;
};

WholeRead readWhole(const QString& path)
{
    WholeRead result;
    TavData data;
    // Messages since the last section's progress message belong to the last section.
    QObject::connect(&data, &TavData::pushInfoUpward, [&result](const QString& info, int) {
        if (info.endsWith(QStringLiteral(" 正在读取")))
            result.dropped = 0;
        else if (info.startsWith(QStringLiteral("数据时间戳异常")))
            ++result.dropped;
    });
    data.readFromBinary(path, &result.layout);
    if (!data.blocks.isEmpty())
        result.block = data.blocks.last();
    return result;
}

// A History block with stamps that now and then go back or repeat, raw values that now
// and then are made of section characters, and records made of one section character only
// where they are shorter than a marker.
void historyBlock(TavWriter& w, std::mt19937& gen, int maxVariables)
{
    const auto pick = [&gen](int n) { return int(gen() % unsigned(n)); };
    const quint16 version = quint16(1 + pick(4));
    const int variables = pick(maxVariables + 1);
    static const char* const names[] = {"温度", "湿度", "a", "压力设定值很长的名称", ""};
    static const quint32 scales[] = {1, 10, 100, 0, 3};
    QStringList n;
    QVector<quint32> s;
    for (int v = 0; v < variables; ++v) {
        n << QString::fromUtf8(names[pick(5)]);
        s << scales[pick(5)];
    }
    w.marker('H', 16 + (pick(4) == 0 ? pick(5) : 0));
    w.historyHeader(version, n, s);
    const int length = TavWriter::recordLength(version, variables);
    quint32 stamp = 1700000000u + quint32(pick(100000));
    const int records = pick(40);
    for (int r = 0; r < records; ++r) {
        if (length < 16 && pick(12) == 0) {
            w.raw(QByteArray(length, Kinds[pick(5)]));
            continue;
        }
        stamp = pick(8) == 0 ? stamp - quint32(pick(3)) : stamp + 1 + quint32(pick(10));
        QVector<qint32> raws;
        for (int v = 0; v < variables; ++v)
            raws << (pick(10) == 0 ? qint32(0x48484848) : qint32(gen() % 2000001) - 1000000);
        w.historyRecord(version, stamp, raws, quint16(pick(10) == 0 ? 0x5555 : pick(4)));
    }
}

// Another section of any kind, whose marker starts at the returned offset.
int anySection(TavWriter& w, std::mt19937& gen, int maxVariables)
{
    const int at = w.bytes.size();
    const char kind = Kinds[gen() % 5];
    if (kind == 'H') {
        historyBlock(w, gen, maxVariables);
        return at;
    }
    w.marker(kind);
    for (int i = int(gen() % 4); i > 0; --i) {
        if (kind == 'I')
            w.globalItem(QStringLiteral("设备型号"), QStringLiteral("OTC-%1").arg(i));
        else if (kind == 'A')
            w.errorRecord(1700000000u + quint32(i), qint16(i), qint16(i % 2));
        else
            w.event(1700000000u + quint32(i), QStringLiteral("运行%1").arg(i));
    }
    return at;
}

QByteArray bits(const QVector<float>& column)
{
    return QByteArray(reinterpret_cast<const char*>(column.constData()),
                      int(column.size() * sizeof(float)));
}

} // namespace

class TestTavTail : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        if (QTest::currentTestFailed())
            qWarning("failed at seed %u (set OSTREL_SEED to repeat)", m_seed);
    }

    void followEqualsWholeRead_data()
    {
        QTest::addColumn<bool>("before");      // sections before the followed block
        QTest::addColumn<bool>("after");       // one more section after it, maybe a block
        QTest::addColumn<int>("maxVariables"); // few: records shorter than a marker
        QTest::newRow("one block") << false << false << 4;
        QTest::newRow("sections before") << true << false << 3;
        QTest::newRow("short records") << true << false << 1;
        QTest::newRow("section after") << true << true << 3;
        QTest::newRow("section after short records") << false << true << 1;
    }
    void followEqualsWholeRead()
    {
        QFETCH(bool, before);
        QFETCH(bool, after);
        QFETCH(int, maxVariables);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("grow.tavdata"));
        const unsigned first = qEnvironmentVariableIsSet("OSTREL_SEED")
                                   ? unsigned(qEnvironmentVariableIntValue("OSTREL_SEED"))
                                   : 1u;
        const int iterations = qEnvironmentVariableIsSet("OSTREL_SEED") ? 1 : 300;
        int takenRows = 0;
        for (int it = 0; it < iterations; ++it) {
            m_seed = first + unsigned(it);
            std::mt19937 gen(m_seed);
            TavWriter w;
            QVector<int> markers;
            for (int s = before ? int(gen() % 4) : 0; s > 0; --s)
                markers << anySection(w, gen, maxVariables);
            markers << w.bytes.size();
            historyBlock(w, gen, maxVariables);
            if (after)
                markers << anySection(w, gen, maxVariables);
            const QByteArray file = w.bytes;

            // Cuts anywhere, and some inside markers, where a reader is easiest to fool.
            QVector<int> cuts;
            for (int i = int(gen() % 16); i > 0; --i)
                cuts << int(gen() % unsigned(file.size() + 1));
            for (int m : markers) {
                if (gen() % 2 == 0)
                    cuts << m + 1 + int(gen() % 15);
            }
            cuts << file.size();
            std::sort(cuts.begin(), cuts.end());
            cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

            Followed f;
            QFile::remove(path);
            int written = 0;
            for (int cut : cuts) {
                {
                    QFile out(path);
                    QVERIFY(out.open(QIODevice::Append));
                    QCOMPARE(out.write(file.mid(written, cut - written)), qint64(cut - written));
                    written = cut;
                }
                const TavTail::Batch batch = f.tail.decode(path, f.offset);
                if (batch.status == TavTail::Status::ReadWhole) {
                    const WholeRead whole = readWhole(path);
                    f.tail = TavTail(whole.layout);
                    f.offset = whole.layout.consumed;
                    f.names = whole.block.names;
                    f.stamps = whole.block.stamps;
                    f.values = whole.block.values;
                    f.dropped = whole.dropped;
                    continue;
                }
                QCOMPARE(int(batch.status), int(TavTail::Status::Taken));
                QCOMPARE(batch.values.size(), f.names.size());
                // A record cut off at the end is never taken.
                QVERIFY(batch.consumed <= written);
                f.stamps += batch.stamps;
                for (int c = 0; c < f.values.size(); ++c) {
                    QCOMPARE(batch.values[c].size(), batch.stamps.size());
                    f.values[c] += batch.values[c];
                }
                f.dropped += batch.dropped;
                f.offset = batch.consumed;
                takenRows += batch.stamps.size();
            }

            const WholeRead whole = readWhole(path);
            QCOMPARE(f.names, whole.block.names);
            QCOMPARE(f.stamps, whole.block.stamps);
            QCOMPARE(f.values.size(), whole.block.values.size());
            for (int c = 0; c < f.values.size(); ++c)
                QCOMPARE(bits(f.values[c]), bits(whole.block.values[c]));
            QCOMPARE(f.dropped, whole.dropped);
        }
        // The follow took records in by itself, not only through whole reads.
        QVERIFY(takenRows > iterations);
    }

private:
    unsigned m_seed = 0;
};

QTEST_GUILESS_MAIN(TestTavTail)
#include "tst_tavtail.moc"
