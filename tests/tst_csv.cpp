#include "sortedtavdata.h"
#include "tavcsv.h"
#include "testutil.h"
#include "tst_binaryfixture.h"

#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <random>

namespace {

void fill(SortedTavData& set, const QStringList& names, const QVector<qint64>& stamps,
          const Columns& values)
{
    set.names = names;
    set.stamps = stamps;
    set.values = values;
}

} // namespace

class TestCsv : public QObject
{
    Q_OBJECT

private slots:
    // Fields read exactly as QString::toFloat reads them (0 when it rejects them).
    void numbers()
    {
        const QByteArray texts = "1|+1|-1| 1|1 |1.|-.5|.5|1e5|1E+5|1e|.|+||inf|-inf|nan|0x10|1e39|"
                                 "1e-50|-0|007|+-1|1 2|1.5.|23.5|-999.9|16777217|abc|1x";
        for (const QByteArray& t : texts.split('|')) {
            const float got = TavCsv::parseNumber(t.constData(), t.constData() + t.size());
            const float expected = QString::fromLatin1(t).toFloat();
            QVERIFY2(std::memcmp(&got, &expected, 4) == 0 ||
                         (std::isnan(got) && std::isnan(expected)),
                     t.constData());
        }
    }

    // Five valid texts, then invalid ones. UTC wall-clock time, also in summer and inside the
    // spring gap of Europe/Berlin.
    void timeText()
    {
        const QByteArray texts = "1970/01/01 00:00:00|2024/07/01 12:00:00|2024/03/31 02:30:00|"
                                 "2024/02/29 23:59:59|1969/12/31 23:59:59|2023/02/29 00:00:00|"
                                 "2024/01/01 24:00:00|2024/13/01 00:00:00|2024/7/1 1:2:3|"
                                 "2024-07-01 12:00:00|2024/07/01 12:00:00 |";
        int index = 0;
        for (const QByteArray& t : texts.split('|')) {
            const bool valid = index++ < 5;
            const QDateTime want(QDate::fromString(t.left(10), "yyyy/MM/dd"),
                                 QTime::fromString(t.mid(11), "hh:mm:ss"), Qt::UTC);
            qint64 got = 0;
            QVERIFY2(TavCsv::parseTime(t.constData(), t.constData() + t.size(), got) == valid,
                     t.constData());
            if (!valid)
                continue;
            QCOMPARE(got, want.toSecsSinceEpoch());
            char out[32];
            QCOMPARE(QByteArray(out, TavCsv::formatTime(got, out)), t);
        }
    }

    void import()
    {
        const qint64 t0 = 1719835200; // 2024/07/01 12:00:00 UTC
        const std::tuple<QByteArray, bool, QStringList, QVector<qint64>, Columns, QString> cases[] =
            {{"时间,a,b,c\r\n2024/07/01 12:00:00,1.5,x,-2,9,9\r\n2024/07/01 12:00:01, +3 ,1e3\n"
              "2024/07/01 12:00:02\n",
              false,
              {"Data[0]", "Data[1]", "Data[2]"},
              {t0, t0 + 1, t0 + 2},
              {{1.5f, 3, 0}, {0, 1000, 0}, {-2, 0, 0}},
              {}},
             {"h,v\n\n2024/07/01 12:00:00,1\nfooter\n2024/07/01 12:00:01,2\n\n",
              false,
              {"Data[0]"},
              {t0, t0 + 1},
              {{1, 2}},
              " 已跳过3行：首字段不是有效时间"},
             {"时间,温度,湿度,温度\n2024/07/01 12:00:00,1,2,3\n",
              true,
              {"温度", "湿度"},
              {t0},
              {{1}, {2}},
              " 变量名称重复，已忽略后出现的同名列：温度"},
             {"时间,a,b\n", true, {"a", "b"}, {}, {{}, {}}, {}},
             {"", false, {}, {}, {}, {}}};
        for (const auto& [content, headerNames, names, stamps, values, extra] : cases) {
            const QString path = saveScratch(QStringLiteral("in.csv"), content);
            TavData data;
            QSignalSpy info(&data, &TavData::pushInfoUpward);
            QCOMPARE(data.readFromCsv(path, headerNames), 0);
            QCOMPARE(data.blocks.size(), 1);
            const HistoryBlock& block = data.blocks.first();
            QCOMPARE(QStringList(block.names.toList()), names);
            QCOMPARE(block.stamps, stamps);
            QCOMPARE(block.values, values);
            QStringList texts;
            for (const auto& args : info) {
                texts << args.at(0).toString().mid(path.size());
                QCOMPARE(args.at(1).toInt(), -1);
            }
            QCOMPARE(texts, QStringList{" 正在打开"} + QStringList(extra).filter(" ") +
                                QStringList{" 读取完毕"});
        }
    }

    // Every bad input ends with a clear status and message; result 0 keeps what it could read.
    // (100,000 columns: see tst_sortedtavdata.)
    void badInput()
    {
        std::mt19937 gen(11);
        QByteArray garbage(1 << 20, '\0');
        for (char& c : garbage)
            c = char(gen());
        const QByteArray longLine =
            "t,v\n" + QByteArray(10 << 20, '7') + "\n2024/07/01 12:00:00,1.25\n";
        const std::tuple<QString, int, int, QString> cases[] = {
            {saveScratch("garbage.csv", garbage), 0, 0, " 读取完毕"},
            {saveScratch("long.csv", longLine), 0, 1, " 读取完毕"},
            {scratch.filePath("nothing.csv"), 1, 0, " 路径错误或不可读取"},
            // Refused before any column is made; the names hold placeholders the message
            // must not fill.
            {saveScratch("wide%2of%1.csv", QByteArray(2 << 20, ',')), 1, 0,
             " 变量个数过多 2097152"},
            {saveScratch("cells%2of%1.csv", "t" + QByteArray(1 << 20, ',') + "\n" +
                                                QByteArray("2024/07/01 12:00:00\n").repeated(300)),
             1, 0, " 数据量过大 300行 1048576列"},
            {scratch.path(), 1, 0, " 路径错误或不可读取"}};
        for (const auto& [path, result, samples, lastMessage] : cases) {
            TavData data;
            QSignalSpy info(&data, &TavData::pushInfoUpward);
            QCOMPARE(data.readFromCsv(path, false), result);
            QCOMPARE(info.last(), QVariantList({path + lastMessage, -1}));
            QCOMPARE(data.blocks.size(), result == 0 ? 1 : 0);
            if (result != 0)
                continue;
            const HistoryBlock& block = data.blocks.first();
            QCOMPARE(block.stamps.size(), samples);
            for (const auto& column : block.values)
                QCOMPARE(column.size(), samples);
            if (samples > 0)
                QCOMPARE(block.values, Columns{{1.25f}});
        }
    }

    // The written file against a line-by-line composition with Qt's own formatting; read
    // back, it gives those fields as QString::toFloat reads them, and one more variable of
    // zeros from the trailing comma.
    void exportRoundTrip()
    {
        const float nan = std::nanf(""), inf = std::numeric_limits<float>::infinity();
        SortedTavData set;
        fill(set, {"温度", "H", "P"}, {10, 20, 30, 40, 50},
             {{1.5f, 2e6f, MissingValue, -0.0f, 7},
              {nan, inf, -inf, 0.1f, 1234567.0f},
              {3, 1e-5f, 123456.5f, 0.333333f, 9}});
        const QString path = scratch.filePath(QStringLiteral("out.csv"));
        const QList<int> indexList = {2, 1};
        const qint64 from = 10, to = 40;
        QSignalSpy finished(&set, &SortedTavData::exportFinished);
        set.onExportData(path, indexList, from, to);
        QCOMPARE(finished.count(), 1);
        QString expected = QStringLiteral("时间,");
        for (int i : indexList)
            expected += set.names[i] + ",";
        expected += "\n";
        QVector<qint64> stamps;
        QStringList values;
        for (int i = 0; i < set.stamps.size(); ++i) {
            if (set.stamps[i] < from || set.stamps[i] > to)
                continue;
            stamps << set.stamps[i];
            expected += QDateTime::fromSecsSinceEpoch(set.stamps[i], Qt::UTC)
                            .toString("yyyy/MM/dd hh:mm:ss") +
                        ",";
            for (int c : indexList) {
                const QString field = QString::number(double(set.values[c][i]), 'g', 6);
                expected += field + ",";
                values << QString::number(double(field.toFloat()), 'g', 9);
            }
            expected += "\n";
            values << "0";
        }
        QCOMPARE(stamps.size(), 4);
        QCOMPARE(TestUtil::readFile(path), QTextCodec::codecForLocale()->fromUnicode(expected));

        TavData data;
        QCOMPARE(data.readFromCsv(path, false), 0);
        const HistoryBlock& b = data.blocks.first();
        QCOMPARE(b.names, QVector<QString>({"Data[0]", "Data[1]", "Data[2]"}));
        QCOMPARE(b.stamps, stamps);
        QStringList got;
        for (int i = 0; i < b.stamps.size(); ++i)
            for (const QVector<float>& column : b.values)
                got << QString::number(double(column.value(i)), 'g', 9);
        QCOMPARE(got, values);
    }

    // Progress on a range of a single stamp: no division by zero, and every row written.
    void exportOfOneStamp()
    {
        const QVector<qint64> stamps(450, 77);
        SortedTavData set;
        fill(set, {"T"}, stamps, {QVector<float>(stamps.size(), 1)});
        QSignalSpy info(&set, &SortedTavData::pushInfoUpward);
        const QString path = scratch.filePath(QStringLiteral("progress.csv"));
        set.onExportData(path, {0}, 77, 77);
        for (const auto& args : info)
            QVERIFY(args.at(1).toInt() >= 0 && args.at(1).toInt() <= 100);
        QCOMPARE(TestUtil::readFile(path).count('\n'), 451);
    }
};

int main(int argc, char* argv[])
{
    // Stamps are UTC wall-clock time whatever the zone: run in one with summer time.
    qputenv("TZ", "Europe/Berlin");
    tzset();
    QCoreApplication app(argc, argv);
    TestCsv test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_csv.moc"
