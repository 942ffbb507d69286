// Writes the seed corpora of the fuzz targets: one small file per layout, section kind
// and kind of damage, built with the same writer the tests use.
//   ostrel_fuzz_seeds <tavdata dir> <csv dir>
#include "tavwriter.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace {

const quint32 T0 = 1700000000;

// A literal with its embedded zero bytes.
template <size_t N> QByteArray literal(const char (&text)[N])
{
    return QByteArray(text, int(N - 1));
}

QStringList names(int n)
{
    static const QStringList pool = {"温度", "湿度", "T_set", "RH-set", "压力", "Fan"};
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << pool.at(i % pool.size());
    return out;
}

void samples(TavWriter& w, quint16 version, int n, int records, quint32 step = 60,
             quint32 start = T0)
{
    for (int r = 0; r < records; ++r) {
        QVector<qint32> raws;
        for (int j = 0; j < n; ++j)
            raws << qint32(200 + 7 * r + 31 * j);
        w.historyRecord(version, start + quint32(r) * step, raws, quint16(r));
    }
}

void history(TavWriter& w, quint16 version, int n, int records, quint32 scale = 10)
{
    w.marker('H');
    w.historyHeader(version, names(n), QVector<quint32>(n, scale));
    samples(w, version, n, records);
}

void infoAndEvents(TavWriter& w)
{
    w.marker('I');
    w.globalItem("设备型号", "OTC-408");
    w.globalItem("程序名称", "恒温 25℃");
    w.marker('A');
    w.errorRecord(T0 + 60, 12, 1);
    w.errorRecord(T0 + 120, 12, 0);
    w.marker('S');
    w.event(T0 + 30, "运行");
    w.event(T0 + 90, "停止");
    w.marker('U');
    w.event(T0 + 45, "门已打开");
}

class Seeds
{
public:
    explicit Seeds(const QString& dir) : m_dir(dir) { QDir().mkpath(dir); }
    void add(const QString& name, const QByteArray& bytes)
    {
        QFile f(m_dir + QLatin1Char('/') + name);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size())
            ++m_count;
        else
            std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
    }
    void add(const QString& name, const std::function<void(TavWriter&)>& build)
    {
        TavWriter w;
        build(w);
        add(name, w.bytes);
    }
    int count() const { return m_count; }

private:
    QString m_dir;
    int m_count = 0;
};

void binarySeeds(Seeds& s)
{
    for (quint16 v = 1; v <= 4; ++v) {
        const QString p = QStringLiteral("v%1_").arg(v);
        s.add(p + "plain", [v](TavWriter& w) { history(w, v, 2, 12); });
        s.add(p + "full", [v](TavWriter& w) {
            infoAndEvents(w);
            history(w, v, 3, 20);
        });
        s.add(p + "no_variables", [v](TavWriter& w) { history(w, v, 0, 8); });
        s.add(p + "two_blocks", [v](TavWriter& w) {
            history(w, v, 2, 6);
            w.marker('H');
            w.historyHeader(v, {"温度", "压力"}, {10, 100});
            samples(w, v, 2, 6, 30, T0 + 1000);
        });
        s.add(p + "dropped_records", [v](TavWriter& w) {
            w.marker('H');
            w.historyHeader(v, names(2), {10, 10});
            for (quint32 t : {T0, T0 - 10, T0 + 10, T0 + 10, T0 + 20, T0 + 5, T0 + 30})
                w.historyRecord(v, t, {1, 2});
        });
        s.add(p + "zero_divisor", [v](TavWriter& w) {
            w.marker('H');
            w.historyHeader(v, names(2), {0, 0xFFFFFFFFu});
            for (int r = 0; r < 6; ++r)
                w.historyRecord(v, T0 + quint32(r), {r == 0 ? 0 : -r, 0x7FFFFFFF});
        });
        s.add(p + "partial_record", [v](TavWriter& w) {
            history(w, v, 2, 5);
            w.raw(QByteArray(TavWriter::recordLength(v, 2) - 1, '\x07'));
        });
        s.add(p + "truncated_header", [v](TavWriter& w) {
            history(w, v, 3, 4);
            w.truncate(16 + 4 + 9);
        });
        s.add(p + "max_stamp", [v](TavWriter& w) {
            w.marker('H');
            w.historyHeader(v, names(1), {1});
            for (quint32 t : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu})
                w.historyRecord(v, t, {qint32(t)});
        });
        s.add(p + "long_names", [v](TavWriter& w) {
            w.marker('H');
            w.historyHeader(v, {QString(40, QChar(0x6E29)), QString(17, 'x'), QString()},
                            {1, 10, 100});
            samples(w, v, 3, 5);
        });
    }
    s.add("version_0", [](TavWriter& w) { history(w, 0, 2, 5); });
    s.add("version_5", [](TavWriter& w) { history(w, 5, 2, 5); });
    s.add("version_ffff", [](TavWriter& w) { history(w, 0xFFFF, 1, 5); });
    s.add("absurd_count", [](TavWriter& w) {
        w.marker('H');
        w.u16(2);
        w.u16(0xFFFF);
        w.raw(QByteArray(64, '\x90'));
    });
    s.add("absurd_count_v4", [](TavWriter& w) {
        w.marker('H');
        w.u16(4);
        w.u16(0xFFFF);
        w.raw(QByteArray(64, '\x81'));
    });
    s.add("names_unterminated", [](TavWriter& w) {
        w.marker('H');
        w.historyHeader(4, names(2), {10, 10}, false);
        samples(w, 4, 2, 3);
    });
    s.add("marker_copies", [](TavWriter& w) {
        w.marker('I', 21);
        w.globalItem("A", "B");
        w.marker('H', 40);
        w.historyHeader(4, names(1), {10});
        samples(w, 4, 1, 6);
        w.marker('S', 17);
        w.event(T0, "x");
    });
    s.add("marker_inside_data", [](TavWriter& w) {
        history(w, 3, 2, 4);
        w.raw(QByteArray(16, 'A'));
        w.raw(QByteArray(7, '\x01'));
        w.raw(QByteArray(16, 'U'));
        w.event(T0, "尾");
    });
    s.add("window_order", [](TavWriter& w) {
        history(w, 4, 1, 6);
        w.marker('S');
        w.event(T0, "s");
        w.marker('A');
        w.errorRecord(T0, 1, 1);
    });
    s.add("error_remainder", [](TavWriter& w) {
        w.marker('A');
        w.errorRecord(T0, -1, 1);
        w.errorRecord(T0 + 1, 32767, 7);
        w.raw(QByteArray("\x01\x02\x03\x04", 4));
        history(w, 2, 1, 5);
    });
    s.add("events_odd", [](TavWriter& w) {
        w.marker('S');
        w.u32(0x0D0A0D0A);
        w.raw(QByteArray("\x0D\x0A", 2));
        w.event(T0, QString(), true);
        w.event(T0 + 1, "no terminator", false);
        w.marker('U');
        w.raw(QByteArray("\x0D", 1));
        history(w, 1, 1, 5);
    });
    s.add("global_odd", [](TavWriter& w) {
        w.marker('I');
        w.globalItem("no separator", "value", false);
        w.globalItem("", "");
        w.raw(QByteArray("\x02\x02\x0F\x0C", 4));
        w.globalItem("unterminated", "x", true, false);
        history(w, 4, 1, 5);
    });
    s.add("bad_utf8", [](TavWriter& w) {
        w.marker('I');
        w.raw(QByteArray("\xFF\xC1\x82\x03\xE2\x82", 6));
        w.raw(QByteArray("\x0F\x0C", 2));
        w.marker('H');
        w.u16(4);
        w.u16(1);
        w.raw(QByteArray("\x7F\x40\x81", 3));
        w.u32(10);
        samples(w, 4, 1, 5);
    });
    s.add("three_samples", [](TavWriter& w) { history(w, 4, 1, 3); });
    s.add("no_history", [](TavWriter& w) { infoAndEvents(w); });
    s.add("no_marker", QByteArray("plain bytes, no section at all\n"));
    s.add("empty", QByteArray());
    s.add("prefix_then_sections", [](TavWriter& w) {
        w.raw(QByteArray(100, 'H'));
        w.raw(QByteArray(9, '\x00'));
        infoAndEvents(w);
        history(w, 4, 2, 8);
    });
}

void csvSeeds(Seeds& s)
{
    const QByteArray header = "时间,温度,湿度\n";
    s.add("plain.csv", header + "2024/01/01 00:00:00,23.5,45\n2024/01/01 00:01:00,23.6,46\n"
                                "2024/01/01 00:02:00,23.7,47\n2024/01/01 00:03:00,23.8,48\n");
    s.add("crlf.csv", "a,b\r\n2024/01/01 00:00:00,1\r\n2024/01/01 00:00:10,2\r\n"
                      "2024/01/01 00:00:20,3\r\n2024/01/01 00:00:30,4\r\n");
    s.add("exported.csv", "时间,温度,\n2024/02/29 23:59:59,-999.9,\n2024/03/01 00:00:00,1e+06,\n"
                          "2024/03/01 00:00:01,1.17549e-38,\n2024/03/01 00:00:02,0,\n");
    s.add("ragged.csv", header + "2024/01/01 00:00:00\n2024/01/01 00:00:01,1,2,3,4,5\n"
                                 ",,\n\n2024/01/01 00:00:02,,7\n2024/01/01 00:00:03, +8 ,nan\n");
    s.add("numbers.csv", "t,x\n2024/01/01 00:00:00,inf\n2024/01/01 00:00:01,-inf\n"
                         "2024/01/01 00:00:02,1e39\n2024/01/01 00:00:03,0x10\n"
                         "2024/01/01 00:00:04,1.5e\n2024/01/01 00:00:05,.5\n");
    s.add("bad_times.csv", "t,x\n2024/13/01 00:00:00,1\n2024/02/30 00:00:00,2\n"
                           "0000/01/01 00:00:00,3\n9999/12/31 23:59:59,4\n2024-01-01 00:00:00,5\n"
                           "1969/12/31 23:59:59,6\n2024/01/01 24:00:00,7\n");
    s.add("decreasing.csv", "t,x\n2024/01/01 00:00:10,1\n2024/01/01 00:00:00,2\n"
                            "2024/01/01 00:00:00,3\n2024/01/01 00:00:20,4\n");
    s.add("header_only.csv", header);
    s.add("header_unterminated.csv", "t,x");
    s.add("empty.csv", QByteArray());
    s.add("only_newlines.csv", QByteArray(64, '\n'));
    s.add("non_utf8.csv", literal("\xFF\xFE,\xC0\x80\n2024/01/01 00:00:00,\xE9\n"));
    s.add("nul_bytes.csv", literal("t,x\n2024/01/01 00:00:00,1\0\n2024/01/01\0 00:00:01,2\n"));
    s.add("giant_line.csv", "t,x\n2024/01/01 00:00:00," + QByteArray(8000, '9') + "\n");
    s.add("many_fields.csv", "t" + QByteArray(2000, ',') + "\n2024/01/01 00:00:00,1\n");
    s.add("cr_only.csv", "t,x\r2024/01/01 00:00:00,1\r2024/01/01 00:00:01,2\r");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <tavdata seed dir> <csv seed dir>\n", argv[0]);
        return 2;
    }
    Seeds binary(QString::fromLocal8Bit(argv[1]));
    binarySeeds(binary);
    Seeds csv(QString::fromLocal8Bit(argv[2]));
    csvSeeds(csv);
    std::printf("%d binary seeds, %d CSV seeds\n", binary.count(), csv.count());
    return 0;
}
