#include "curvepalette.h"
#include "programrun.h"
#include "sortedtavdata.h"
#include "tavwriter.h"
#include "testutil.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <cstdio>

using TestUtil::tavtool;

namespace {

// A recording with every kind of content: two blocks, a divisor of 0 (NaN and infinity),
// a variable missing from the first block, faults and both event logs.
TavWriter recording()
{
    TavWriter w;
    w.marker('I');
    w.globalItem("设备型号", "OTC-408");
    w.globalItem("备注", "带\"引号\"和\\斜杠");
    w.historyBlock(4, {"温度", "湿度"}, {3, 0}, {1000, 1060, 1120}, {{70, 0}, {71, 5}, {-72, -1}});
    w.historyBlock(4, {"温度", "压力"}, {10, 7}, {1180, 1190, 1200},
                   {{235, 1}, {236, 2}, {237, 3}});
    w.marker('A');
    w.errorRecord(1060, 12, 1);
    w.errorRecord(1120, 12, 0);
    w.marker('S');
    w.event(1000, "开机");
    w.marker('U');
    w.event(1190, "用户\t记录\n");
    return w;
}

QJsonArray events(const QList<EventRecord>& list)
{
    QJsonArray a;
    for (const EventRecord& e : list)
        a.append(QJsonArray{double(e.stamp), e.text});
    return a;
}

} // namespace

class TestTavTool : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_file;

    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        m_file = path("rec.tavdata");
        QVERIFY(recording().save(m_file));
    }

    // Every field of the JSON against an in-process read of the same file.
    void dump_data()
    {
        QTest::addColumn<bool>("withValues");
        QTest::newRow("plain") << false;
        QTest::newRow("--values") << true;
    }

    void dump()
    {
        QFETCH(bool, withValues);
        SortedTavData set;
        QSignalSpy info(&set, &SortedTavData::pushInfoUpward);
        QCOMPARE(set.readTavData(m_file), 0);
        QJsonArray messages, spans, infoItems, errors, stamps;
        for (const auto& args : info)
            messages.append(QJsonArray{args.at(0).toString(), args.at(1).toInt()});
        for (int i = 0; i < set.spanIndexes.size(); ++i)
            spans.append(QJsonArray{set.spanIndexes[i].first, set.spanIndexes[i].second,
                                    double(set.spanIntervals[i])});
        for (int i = 0; i < set.infoNames.size(); ++i)
            infoItems.append(QJsonArray{set.infoNames[i], set.infoValues[i]});
        for (const ErrorRecord& e : set.errors)
            errors.append(QJsonArray{double(e.stamp), e.code, e.state});
        for (int i = 0; i < set.stamps.size(); ++i)
            if (withValues || i == 0 || i == set.stamps.size() - 1)
                stamps.append(double(set.stamps[i]));

        const auto r = tavtool(QStringList{"dump", m_file} +
                               (withValues ? QStringList{"--values"} : QStringList()));
        QCOMPARE(r.code, 0);
        QVERIFY(r.err.isEmpty());
        QJsonParseError error;
        QJsonObject o = QJsonDocument::fromJson(r.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray columns = o.take("values").toArray();
        const QJsonObject expected{{"status", 0},
                                   {"messages", messages},
                                   {"names", QJsonArray::fromStringList(set.names)},
                                   {"sampleCount", set.sampleCount},
                                   {"stamps", stamps},
                                   {"spans", spans},
                                   {"info", infoItems},
                                   {"errors", errors},
                                   {"systemEvents", events(set.systemEvents)},
                                   {"userEvents", events(set.userEvents)}};
        QCOMPARE(o, expected);
        QCOMPARE(columns.size(), withValues ? set.values.size() : 0);
        int nulls = 0;
        for (int c = 0; c < columns.size(); ++c) {
            const QJsonArray column = columns[c].toArray();
            QCOMPARE(column.size(), set.values[c].size());
            for (int i = 0; i < column.size(); ++i) {
                const float v = set.values[c][i];
                nulls += !std::isfinite(v);
                if (std::isfinite(v))
                    QCOMPARE(float(column[i].toDouble()), v); // exact: the text round-trips
                else
                    QVERIFY(column[i].isNull());
            }
        }
        QCOMPARE(nulls, withValues ? 3 : 0);
        QCOMPARE(r.out.contains("-999.9,"), withValues);
    }

    // A failed read or write: exit code 1 and one line on stderr.
    void failedRead()
    {
        const QString missing = path("missing.tavdata");
        const auto r = tavtool({"dump", missing});
        QCOMPARE(r.code, 1);
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(o["status"].toInt(), 1);
        QCOMPARE(o["messages"].toArray().last(),
                 QJsonValue(QJsonArray{missing + " 路径错误或不可读取", -1}));
        QCOMPARE(r.err.count('\n'), 1);
        QCOMPARE(tavtool({"export", missing, path("never.csv")}).code, 1);
        QVERIFY(!QFile::exists(path("never.csv")));
        const auto unwritable = tavtool({"export", m_file, path("no/folder/out.csv")});
        QCOMPARE(unwritable.code, 1);
        QCOMPARE(unwritable.err.count('\n'), 1);
    }

    // Usage errors (exit code 2) and unwritable outputs (1): nothing on stdout and one line
    // of the program's on stderr.
    void usage_data()
    {
        QTest::addColumn<int>("code");
        for (const char* args : {"2",
                                 "2 show x",
                                 "2 dump",
                                 "2 dump a b",
                                 "2 dump a --all",
                                 "2 export a",
                                 "2 export a b --vars x,1",
                                 "2 export a b --vars -1",
                                 "2 export a b --from soon",
                                 "2 export a b --to",
                                 "2 export F b --vars 0,3",
                                 "2 stats",
                                 "2 stats F --from x",
                                 "2 stats F --from 9 --to 8",
                                 "2 stats F --vars 0,3",
                                 "2 report F",
                                 "2 report F out.pdf --config none.ini",
                                 "1 report F /no/such/dir/a.pdf",
                                 "2 follow",
                                 "2 follow F --interval 5",
                                 "2 follow F --idle",
                                 "1 follow /no/such/file.csv"})
            QTest::newRow(args) << QString(args).left(1).toInt();
    }

    void usage()
    {
        QFETCH(int, code);
        QStringList args = QString(QTest::currentDataTag()).split(' ').mid(1);
        args.replaceInStrings(QRegularExpression("^F$"), m_file);
        const auto r = tavtool(args);
        QCOMPARE(r.code, code);
        QVERIFY(r.out.isEmpty());
        // One message of its own; the report's painter may add Qt's warnings.
        const QStringList lines = QString::fromUtf8(r.err).split('\n');
        QVERIFY2(lines.filter(QRegularExpression("^tavtool: ")).size() == 1, r.err.constData());
    }

    void follow_data()
    {
        QTest::addColumn<QString>("change"); // what happens to the file after the first read
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("lines"); // "update:reread:appended:sampleCount" per line
        QTest::newRow("append") << "append" << 0 << "0:1:4:4 1:0:3:7";
        QTest::newRow("rewrite") << "rewrite" << 0 << "0:1:4:4 1:1:2:6";
        QTest::newRow("vanish") << "vanish" << 1 << "0:1:4:4";
    }

    // A file grown, replaced or removed while tavtool follows it; with --idle, the held set
    // is printed as dump prints it.
    void follow()
    {
        QFETCH(QString, change);
        QFETCH(int, code);
        const QString file = path(change + ".csv");
        const auto rows = [](int from, int to) {
            QByteArray text;
            for (int m = from; m < to; ++m)
                text += "2024/07/01 12:" + QByteArray::number(10 + m) + ":00," +
                        QByteArray::number(m) + "\n";
            return text;
        };
        QVERIFY(!TestUtil::writeFile(file, "时间,温度\n" + rows(0, 4)).isNull());
        QProcess p;
        p.start(QCoreApplication::applicationDirPath() + "/tavtool",
                {"follow", file, "--interval", "50", "--idle", "2"});
        QVERIFY(p.waitForReadyRead(20000));
        QVERIFY(p.canReadLine());
        QStringList seen;
        const auto take = [&seen](const QByteArray& line) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            seen << QStringLiteral("%1:%2:%3:%4")
                        .arg(o["update"].toInt())
                        .arg(o["reread"].toBool() ? 1 : 0)
                        .arg(o["appended"].toInt())
                        .arg(o["sampleCount"].toInt());
        };
        take(p.readLine());
        if (change == "append") {
            QVERIFY(TestUtil::appendFile(file, rows(4, 7)));
        } else if (change == "rewrite") {
            // Replaced by a rename, as editors and some loggers do.
            const QString other = file + ".new";
            QVERIFY(
                !TestUtil::writeFile(other, "时间,温度\n" + rows(20, 23) + rows(30, 33)).isNull());
            QVERIFY(std::rename(qPrintable(other), qPrintable(file)) == 0);
        } else {
            QVERIFY(QFile::remove(file));
        }
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), code);
        QList<QByteArray> out = p.readAllStandardOutput().split('\n');
        while (!out.isEmpty() && out.first().startsWith("{\"update\""))
            take(out.takeFirst());
        QTEST(seen.join(' '), "lines");
        if (code == 0) {
            const QJsonObject dump = QJsonDocument::fromJson(out.join('\n')).object();
            QCOMPARE(dump["sampleCount"].toInt(), seen.last().split(':').last().toInt());
        }
    }

    // The written file is byte for byte the data set's own export of the same request.
    void exportFile()
    {
        SortedTavData set;
        QCOMPARE(set.readTavData(m_file), 0);
        const QString expectedPath = path("expected.csv"), out = path("out.csv");
        for (const auto& [options, indexes, from, to] :
             {std::tuple<QStringList, QList<int>, qint64, qint64>{{}, {0, 1, 2}, 1000, 1200},
              {{"--vars", "2,0", "--from", "1060", "--to", "1190"}, {2, 0}, 1060, 1190}}) {
            set.onExportData(expectedPath, indexes, from, to);
            const auto r = tavtool(QStringList{"export", m_file, out} + options);
            QCOMPARE(r.code, 0);
            const QByteArray written = TestUtil::readFile(out);
            QCOMPARE(written, TestUtil::readFile(expectedPath));
            QVERIFY(written.count('\n') > 2);
        }
    }

    void renderWithoutDrawnCurves_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::newRow("settings know no variable")
            << QByteArray("[CurveInfo]\nCURVE\\1\\CurveName=x\nCURVE\\1\\ToDraw=true\n"
                          "CURVE\\size=1\n");
        QTest::newRow("settings hide every variable")
            << QByteArray("[CurveInfo]\nCURVE\\1\\CurveName=温度\nCURVE\\1\\ToDraw=false\n"
                          "CURVE\\1\\CurveColor=00c000\nCURVE\\size=1\n");
    }

    // Settings that draw nothing: every variable in the palette colours the viewer gives a
    // file without settings, so that the picture and the window agree.
    void renderWithoutDrawnCurves()
    {
        QFETCH(QByteArray, ini);
        const QString config = TestUtil::writeFile(path("render.ini"), ini);
        QVERIFY(!config.isNull());
        const QString png = path("render.png");
        QCOMPARE(tavtool({"render", m_file, png, "--config", config}).code, 0);
        const QImage image(png);
        QVERIFY(!image.isNull());
        for (int i : {0, 2}) { // 温度 and 压力; 湿度 is all NaN (divisor 0)
            const QColor c(CurvePalette::colour(i));
            int ink = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    ink += image.pixel(x, y) == c.rgb();
            QVERIFY2(ink > 0, qPrintable(c.name()));
        }
    }
};

QTEST_GUILESS_MAIN(TestTavTool)
#include "tst_tavtool.moc"
