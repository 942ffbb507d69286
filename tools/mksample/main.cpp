// Writes the sample recording bundled with the viewer: three days of a climate chamber
// running a cyclic damp-heat test, a power cut, and a cold test, with its fault and event
// logs. Everything is computed from a fixed seed, so the output is identical on every run.

#include "tavwriter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>
#include <QTimeZone>

#include <cmath>

namespace {

// Small deterministic generator; the standard distributions differ between libraries.
class Noise
{
public:
    explicit Noise(quint32 seed) : m_state(seed) {}
    // Uniform in [-1, 1).
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) / double(1 << 23) - 1.0;
    }

private:
    quint32 m_state;
};

struct SetPoint
{
    int minute;
    double temperature;
    double humidity;
};

// Set values at a minute of the program: linear between the points, held after the last.
SetPoint setValuesAt(const QVector<SetPoint>& program, double minute)
{
    for (int k = 1; k < program.size(); ++k) {
        if (minute <= program[k].minute) {
            const SetPoint& a = program[k - 1];
            const SetPoint& b = program[k];
            const double f = (minute - a.minute) / double(b.minute - a.minute);
            return {int(minute), a.temperature + f * (b.temperature - a.temperature),
                    a.humidity + f * (b.humidity - a.humidity)};
        }
    }
    return program.last();
}

// The chamber's state as it follows its set values with a lag.
struct Chamber
{
    double temperature = 22.0;
    double humidity = 45.0;
};

struct Fault
{
    int startMinute;
    int endMinute;
};

struct BlockPlan
{
    quint16 version;
    quint32 start;
    int interval;
    int samples;
    QVector<SetPoint> program;
    bool withCooling;
    Fault humidityDip; // minutes where the humidifier is out and humidity falls
};

qint32 scaled(double v, int divisor)
{
    return qint32(std::lround(v * divisor));
}

double clamp(double v, double lo, double hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

void writeBlock(TavWriter& w, const BlockPlan& plan, Chamber& ch, Noise& noise)
{
    QStringList names = {"温度设定", "温度", "湿度设定", "湿度", "加热输出", "加湿输出"};
    QVector<quint32> scales = {10, 100, 10, 10, 10, 10};
    if (plan.withCooling) {
        names << "制冷输出";
        scales << 10;
    }
    w.marker('H');
    w.historyHeader(plan.version, names, scales);
    const double dtMin = plan.interval / 60.0;
    for (int i = 0; i < plan.samples; ++i) {
        const double minute = i * dtMin;
        const SetPoint sp = setValuesAt(plan.program, minute);
        const bool dip =
            minute >= plan.humidityDip.startMinute && minute < plan.humidityDip.endMinute;
        // With the humidifier off the air dries out to a low, uncontrolled level.
        const double rhTarget =
            sp.humidity <= 0.0 ? 12.0 : (dip ? sp.humidity - 18.0 : sp.humidity);
        ch.temperature += (sp.temperature - ch.temperature) * (1.0 - std::exp(-dtMin / 9.0));
        ch.humidity += (rhTarget - ch.humidity) * (1.0 - std::exp(-dtMin / 6.0));
        const double t = ch.temperature + 0.06 * noise.next();
        const double rh = clamp(ch.humidity + 0.4 * noise.next(), 0.0, 100.0);
        const double error = sp.temperature - t;
        const double heat = clamp(
            18.0 + 0.4 * (sp.temperature - 20.0) + 25.0 * error + 3.0 * noise.next(), 0.0, 100.0);
        const double wet =
            dip || sp.humidity <= 0.0
                ? 0.0
                : clamp(20.0 + 6.0 * (sp.humidity - rh) + 2.0 * noise.next(), 0.0, 100.0);
        QVector<qint32> row = {scaled(sp.temperature, 10), scaled(t, 100),
                               scaled(sp.humidity, 10),    scaled(rh, 10),
                               scaled(heat, 10),           scaled(wet, 10)};
        if (plan.withCooling) {
            const double cool =
                clamp(35.0 - 0.9 * sp.temperature - 20.0 * error + 2.0 * noise.next(), 0.0, 100.0);
            row << scaled(cool, 10);
        }
        w.historyRecord(plan.version, plan.start + quint32(i * plan.interval), row,
                        quint16(dip ? 0x0004 : 0x0001));
    }
}

struct Event
{
    quint32 stamp;
    QString text;
};

void writeEvents(TavWriter& w, char kind, const QVector<Event>& events)
{
    w.marker(kind);
    for (const Event& e : events) {
        w.event(e.stamp, e.text);
    }
}

// Runs of 16 or more equal marker characters; each must be one of the markers written.
int markerRuns(const QByteArray& bytes)
{
    int runs = 0;
    for (int i = 0; i < bytes.size();) {
        int j = i;
        while (j < bytes.size() && bytes[j] == bytes[i]) {
            ++j;
        }
        if (j - i >= 16 && QByteArray("IHASU").contains(bytes[i])) {
            ++runs;
        }
        i = j;
    }
    return runs;
}

quint32 utc(int y, int mo, int d, int h, int mi)
{
    return quint32(QDateTime(QDate(y, mo, d), QTime(h, mi), QTimeZone::utc()).toSecsSinceEpoch());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: mksample OUT.tavdata\n";
        return 2;
    }
    Noise noise(20260309u);
    Chamber chamber;

    // One cycle of damp heat: 25 ℃ to 55 ℃ at high humidity and back, 24 h.
    const QVector<SetPoint> dampHeat = {{0, 25.0, 60.0},   {60, 25.0, 95.0},   {240, 55.0, 93.0},
                                        {780, 55.0, 93.0}, {1140, 25.0, 95.0}, {1440, 25.0, 95.0}};
    // Cold test: down to -40 ℃ at 1 ℃/min, six hours' soak, back up; humidity off.
    const QVector<SetPoint> cold = {
        {0, 25.0, 0.0}, {65, -40.0, 0.0}, {425, -40.0, 0.0}, {490, 25.0, 0.0}, {600, 25.0, 0.0}};

    const quint32 day1 = utc(2026, 3, 9, 8, 0);
    const quint32 day2 = utc(2026, 3, 10, 10, 0); // after a two-hour power cut
    const quint32 day3 = utc(2026, 3, 11, 10, 30);
    const QVector<BlockPlan> plans = {
        {4, day1, 60, 1440, dampHeat, false, {300, 325}},
        {2, day2, 60, 1440, dampHeat, false, {500, 545}},
        {4, day3, 30, 1200, cold, true, {-1, -1}},
    };

    TavWriter w;
    w.marker('I');
    w.globalItem("设备型号", "OTC-408 温湿度试验箱");
    w.globalItem("设备编号", "OT408-2026-0317");
    w.globalItem("试验名称", "交变湿热与低温试验");
    w.globalItem("试验标准", "GB/T 2423.4 Db, GB/T 2423.1 Ab");
    w.globalItem("样品", "车载控制器 6 件");
    w.globalItem("操作员", "李明");
    w.globalItem("软件版本", "V2.4.1");
    w.globalItem("备注", "");
    int markers = 1;

    const quint32 m = 60;
    const QVector<QVector<Event>> systemLogs = {
        {{day1 - 300, "设备上电"},
         {day1, "程序 交变湿热 开始运行 第1循环"},
         {day1 + 240 * m, "程序段 3 高温高湿保持"},
         {day1 + 1440 * m, "设备断电"}},
        {{day2 - 120, "设备上电"},
         {day2, "程序 交变湿热 继续运行 第2循环"},
         {day2 + 240 * m, "程序段 3 高温高湿保持"},
         {day2 + 1439 * m, "程序 交变湿热 运行结束"}},
        {{day3, "程序 低温试验 开始运行"},
         {day3 + 65 * m, "程序段 2 低温保持"},
         {day3 + 490 * m, "程序 低温试验 运行结束"}},
    };
    const QVector<QVector<Event>> userLogs = {
        {{day1 - 240, "用户 李明 登录"},
         {day1 - 120, "修改程序 交变湿热 第3段 温度 55.0℃"},
         {day1 + 900 * m, "开门观察样品"}},
        {{day2 - 60, "用户 李明 登录"},
         {day2 + 530 * m, "补充加湿水箱"},
         {day2 + 1200 * m, "用户 李明 退出"}},
        {{day3 - 600, "用户 王芳 登录"}, {day3 + 600 * m - 60, "导出试验数据"}},
    };
    for (int b = 0; b < plans.size(); ++b) {
        writeBlock(w, plans[b], chamber, noise);
        // Fault codes: 12 humidity deviation, 21 mains failure, 3 water tank low, 7 cooling
        // pressure high.
        w.marker('A');
        if (b == 0) {
            w.errorRecord(day1 + 300 * m + 120, 12, 1);
            w.errorRecord(day1 + 325 * m + 300, 12, 0);
            w.errorRecord(day1 + 1440 * m, 21, 1);
        } else if (b == 1) {
            w.errorRecord(day2 - 120, 21, 0);
            w.errorRecord(day2 + 500 * m + 60, 3, 1);
            w.errorRecord(day2 + 530 * m + 240, 3, 0);
        } else {
            w.errorRecord(day3 + 70 * m, 7, 1);
            w.errorRecord(day3 + 76 * m, 7, 0);
        }
        writeEvents(w, 'S', systemLogs[b]);
        writeEvents(w, 'U', userLogs[b]);
        markers += 4;
        // The power cut leaves the chamber to drift back to room conditions.
        chamber = b == 0 ? Chamber{21.5, 48.0} : chamber;
    }

    if (markerRuns(w.bytes) != markers) {
        err << "mksample: the data forms a section marker by chance\n";
        return 1;
    }
    if (!w.save(QString::fromLocal8Bit(argv[1]))) {
        err << "mksample: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
