// A .tavdata file written in random pieces, cut anywhere, and followed with TavTail must
// after every piece hold what one whole read of the file as it then stands holds: names,
// stamps, values bit for bit, information, faults and events, and as many dropped records.
// Sections of every kind keep being appended: History blocks with the names of the last
// one or with others, information and event sections, some holding marker bytes.
#include "tavdata.h"
#include "tavdatamodel.h"
#include "tavloader.h"
#include "tavtail.h"
#include "tavwriter.h"
#include "testutil.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <random>

using TavBinary::TailLayout;

namespace {

constexpr char Kinds[] = {'I', 'H', 'A', 'S', 'U'};

// A whole read: the data set, where it left off and how many records it dropped.
struct WholeRead
{
    std::unique_ptr<TavDataModel> set{new TavDataModel};
    TailLayout layout;
    qint64 dropped = 0;
};

WholeRead readWhole(const QString& path, const TavLoader::Limits& limits)
{
    WholeRead r;
    qint64& dropped = r.dropped;
    const auto report = [&dropped](const QString& info, int) {
        if (info.startsWith(QStringLiteral("数据时间戳异常")))
            ++dropped;
    };
    ReadTail tail;
    TavLoader::read(*r.set, path, limits, false, report, &tail);
    r.layout = tail.tavLayout;
    return r;
}

// What the follow holds: a whole read, then every batch appended as the caller must.
struct Followed
{
    WholeRead read;
    std::unique_ptr<TavTail> tail;
    qint64 offset = 0;

    void readWhole(const QString& path, const TavLoader::Limits& limits)
    {
        read = ::readWhole(path, limits);
        tail.reset(new TavTail(read.layout, limits));
        offset = read.layout.consumed;
    }

    // False when a name of the batch's block is not in the data set.
    bool append(const TavTail::Batch& b)
    {
        TavDataModel& set = *read.set;
        set.infoNames += b.infoNames;
        set.infoValues += b.infoValues;
        set.errors += b.errors;
        set.systemEvents += b.systemEvents;
        set.userEvents += b.userEvents;
        read.dropped += b.dropped;
        offset = b.consumed;
        const int n = b.stamps.size();
        if (n == 0)
            return true;
        const QVector<QString>& names = tail->layout().names;
        QVector<bool> carried(set.values.size(), false);
        for (int j = 0; j < names.size(); ++j) {
            if (names.indexOf(names.at(j)) != j)
                continue; // a repeated name: the merge keeps the first column only
            const int c = set.names.indexOf(names.at(j));
            if (c < 0)
                return false;
            set.values[c] += b.values.at(j);
            carried[c] = true;
        }
        for (int c = 0; c < set.values.size(); ++c) {
            if (!carried.at(c))
                set.values[c].insert(set.values[c].size(), n, MissingValue);
        }
        set.stamps += b.stamps;
        set.sampleCount = set.stamps.size();
        return true;
    }
};

QString errorText(const QList<ErrorRecord>& list)
{
    QStringList out;
    for (const ErrorRecord& r : list)
        out << QStringLiteral("%1/%2/%3").arg(r.stamp).arg(r.code).arg(r.state);
    return out.join(QLatin1Char(' '));
}

QStringList eventText(const QList<EventRecord>& list)
{
    QStringList out;
    for (const EventRecord& r : list)
        out << QString::number(r.stamp) + QLatin1Char(' ') + r.text;
    return out;
}

void compareReads(const WholeRead& got, const WholeRead& want)
{
    const TavDataModel& a = *got.set;
    const TavDataModel& b = *want.set;
    QCOMPARE(a.names, b.names);
    QCOMPARE(a.stamps, b.stamps);
    QCOMPARE(a.values.size(), b.values.size());
    for (int c = 0; c < a.values.size(); ++c)
        QCOMPARE(TestUtil::bits(a.values.at(c)), TestUtil::bits(b.values.at(c)));
    QCOMPARE(a.infoNames, b.infoNames);
    QCOMPARE(a.infoValues, b.infoValues);
    QCOMPARE(errorText(a.errors), errorText(b.errors));
    QCOMPARE(eventText(a.systemEvents), eventText(b.systemEvents));
    QCOMPARE(eventText(a.userEvents), eventText(b.userEvents));
    QCOMPARE(got.dropped, want.dropped);
}

// Writes a random file of sections.
class Composer
{
public:
    Composer(std::mt19937& gen, int maxVariables) : m_gen(gen), m_maxVariables(maxVariables) {}

    TavWriter w;
    QVector<int> markers; // where the sections were meant to start

    // A History block with the last one's names and layout family, or new ones. Stamps
    // now and then go back or repeat; raw values are now and then made of section
    // characters, and records shorter than a marker now and then of one only.
    void historyBlock(bool sameNames)
    {
        if (!sameNames || !m_anyBlock) {
            m_anyBlock = true;
            m_version = quint16(1 + pick(4));
            m_names.clear();
            static const char* const names[] = {"温度", "湿度", "a", "压力设定值很长的名称", ""};
            for (int v = pick(m_maxVariables + 1); v > 0; --v)
                m_names << QString::fromUtf8(names[pick(5)]);
        } else if (pick(3) == 0) {
            // Names are stored alike within 1 and 2, and within 3 and 4.
            m_version = quint16(m_version <= 2 ? 1 + pick(2) : 3 + pick(2));
        }
        static const quint32 scales[] = {1, 10, 100, 0, 3};
        QVector<quint32> s;
        for (int v = 0; v < m_names.size(); ++v)
            s << scales[pick(5)];
        markers << w.bytes.size();
        w.marker('H', 16 + (pick(4) == 0 ? pick(5) : 0));
        w.historyHeader(m_version, m_names, s);
        const int length = TavWriter::recordLength(m_version, m_names.size());
        for (int r = pick(40); r > 0; --r) {
            if (length < 16 && pick(12) == 0) {
                w.raw(QByteArray(length, Kinds[pick(5)]));
                continue;
            }
            m_stamp = pick(8) == 0 ? m_stamp - quint32(pick(3)) : m_stamp + 1 + quint32(pick(10));
            QVector<qint32> raws;
            for (int v = 0; v < m_names.size(); ++v)
                raws << (pick(10) == 0 ? qint32(0x48484848) : qint32(m_gen() % 2000001) - 1000000);
            w.historyRecord(m_version, m_stamp, raws, quint16(pick(10) == 0 ? 0x5555 : pick(4)));
        }
    }

    // A section of any kind; History blocks mostly go on with the last block's names.
    void anySection()
    {
        const int choice = pick(10);
        if (choice < 4) {
            historyBlock(choice < 3);
            return;
        }
        const char kind = "IASU"[choice % 4];
        markers << w.bytes.size();
        w.marker(kind);
        for (int i = pick(5); i > 0; --i) {
            const quint32 stamp = 1700000000u + quint32(pick(1000));
            if (kind == 'I')
                w.globalItem(text(), text(), pick(6) != 0);
            else if (kind == 'A')
                w.errorRecord(stamp, qint16(pick(100) - 50), qint16(pick(3)));
            else
                w.event(pick(10) == 0 ? 0x0D0A0000u + quint32(pick(100)) : stamp, text());
        }
    }

private:
    int pick(int n) { return int(m_gen() % unsigned(n)); }

    // A text; now and then one that is stored as terminators or as section characters.
    QString text()
    {
        switch (pick(8)) {
        case 0:
            return QString(10 + pick(10), QChar(Kinds[pick(5)] - 2));
        case 1:
            return QStringLiteral("a\x0B\x08z\x0D\x0A");
        default:
            return QStringLiteral("运行%1").arg(pick(100));
        }
    }

    std::mt19937& m_gen;
    int m_maxVariables;
    bool m_anyBlock = false;
    quint16 m_version = 1;
    QStringList m_names;
    quint32 m_stamp = 1700000000u;
};

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
        QTest::addColumn<int>("before");       // most sections before the first block
        QTest::addColumn<int>("after");        // most sections after it
        QTest::addColumn<int>("maxVariables"); // few: records shorter than a marker
        QTest::addColumn<qint64>("samples");   // the read's limits
        QTest::addColumn<qint64>("mergeBytes");
        QTest::addColumn<double>("minTaken"); // share of pieces taken without a whole read
        const qint64 all = MaxSamples;
        const qint64 big = qint64(1) << 30;
        QTest::newRow("one block") << 0 << 0 << 4 << all << big << 0.8;
        QTest::newRow("sections of every kind") << 3 << 8 << 4 << all << big << 0.7;
        QTest::newRow("short records") << 3 << 8 << 1 << all << big << 0.7;
        QTest::newRow("sample limit") << 1 << 8 << 3 << qint64(60) << big << 0.65;
        QTest::newRow("merge size") << 1 << 8 << 3 << all << qint64(2000) << 0.65;
    }
    void followEqualsWholeRead()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        QFETCH(int, maxVariables);
        QFETCH(qint64, samples);
        QFETCH(qint64, mergeBytes);
        QFETCH(double, minTaken);
        TavLoader::Limits limits;
        limits.samples = samples;
        limits.mergeBytes = mergeBytes;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("grow.tavdata"));
        const QString prefixPath = dir.filePath(QStringLiteral("prefix.tavdata"));
        const unsigned first = qEnvironmentVariableIsSet("OSTREL_SEED")
                                   ? unsigned(qEnvironmentVariableIntValue("OSTREL_SEED"))
                                   : 1u;
        const int iterations = qEnvironmentVariableIsSet("OSTREL_SEED") ? 1 : 300;
        int pieces = 0;
        int taken = 0;
        int newBlocks = 0; // History blocks taken in by a batch
        int newItems = 0;  // batches with information or events
        int waits = 0;     // pieces ending in a History block whose header is not there yet
        for (int it = 0; it < iterations; ++it) {
            m_seed = first + unsigned(it);
            std::mt19937 gen(m_seed);
            Composer c(gen, maxVariables);
            for (int s = before > 0 ? int(gen() % unsigned(before + 1)) : 0; s > 0; --s)
                c.anySection();
            c.historyBlock(false);
            for (int s = after > 0 ? int(gen() % unsigned(after + 1)) : 0; s > 0; --s)
                c.anySection();
            const QByteArray file = c.w.bytes;

            // Cuts anywhere, and some inside markers and the headers behind them, where a
            // reader is easiest to fool.
            QVector<int> cuts;
            for (int i = int(gen() % 24); i > 0; --i)
                cuts << int(gen() % unsigned(file.size() + 1));
            for (int m : c.markers) {
                if (gen() % 2 == 0)
                    cuts << m + 1 + int(gen() % 15);
                if (gen() % 2 == 0)
                    cuts << std::min(file.size(), m + 16 + int(gen() % 40));
            }
            cuts << file.size();
            std::sort(cuts.begin(), cuts.end());
            cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());

            Followed f;
            QFile::remove(path);
            int written = 0;
            for (int cut : cuts) {
                QVERIFY(TestUtil::appendFile(path, file.mid(written, cut - written)));
                written = cut;
                ++pieces;
                const qint64 blocksBefore = f.tail ? f.tail->layout().blocks : 0;
                const TavTail::Batch batch =
                    f.tail ? f.tail->decode(path, f.offset) : TavTail::Batch{};
                if (!f.tail || batch.status == TavTail::Status::ReadWhole) {
                    f.readWhole(path, limits);
                    continue;
                }
                QCOMPARE(int(batch.status), int(TavTail::Status::Taken));
                QVERIFY(batch.consumed <= written); // nothing cut off is taken
                QCOMPARE(batch.values.size(), f.tail->layout().names.size());
                for (const QVector<float>& column : batch.values)
                    QCOMPARE(column.size(), batch.stamps.size());
                // The time line never goes back where a batch begins: a block recorded
                // after the clock was set back is read whole.
                qint64 previous = f.read.set->stamps.isEmpty() ? -1 : f.read.set->stamps.last();
                for (qint64 stamp : batch.stamps) {
                    QVERIFY(stamp > previous);
                    previous = stamp;
                }
                QVERIFY(f.append(batch));
                ++taken;
                newBlocks += int(f.tail->layout().blocks - blocksBefore);
                if (!batch.infoNames.isEmpty() || !batch.errors.isEmpty() ||
                    !batch.systemEvents.isEmpty() || !batch.userEvents.isEmpty())
                    ++newItems;

                WholeRead want = readWhole(path, limits);
                if (!want.layout.resumable) {
                    // Only a History block still waiting for its header leaves a whole read
                    // that cannot go on while the follow goes on: the follow holds the file
                    // without it.
                    QFile out(path);
                    QVERIFY(out.open(QIODevice::ReadOnly));
                    const auto hits = TavBinary::scanMarkers(out, out.size());
                    QVERIFY(!hits.isEmpty());
                    QCOMPARE(hits.last().kind, 'H');
                    QCOMPARE(f.offset, hits.last().start);
                    QVERIFY(!TestUtil::writeFile(prefixPath, file.left(int(hits.last().start)))
                                 .isNull());
                    want = readWhole(prefixPath, limits);
                    QVERIFY(want.layout.resumable);
                    ++waits;
                }
                compareReads(f.read, want);
                if (QTest::currentTestFailed())
                    return;
            }
        }
        // The follow took pieces in by itself, new blocks and events among them, not only
        // through whole reads (one seed alone proves nothing of the kind).
        qDebug("%d pieces: %d taken, %d read whole; %d blocks, %d with events, %d waits", pieces,
               taken, pieces - taken, newBlocks, newItems, waits);
        if (iterations > 1) {
            QVERIFY(taken >= minTaken * pieces);
            QVERIFY(waits > iterations / 2);
            QVERIFY(newBlocks > iterations / 2 || after == 0);
            QVERIFY(newItems > iterations * 2 || after == 0);
        }
    }

private:
    unsigned m_seed = 0;
};

QTEST_GUILESS_MAIN(TestTavTail)
#include "tst_tavtail.moc"
