#include "plotconfig.h"

#include "curvepalette.h"
#include "plotlog.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>

#include <algorithm>
#include <cmath>

namespace PlotConfig {

namespace {

void openCodec(QSettings& ini)
{
    ini.setIniCodec("UTF-8");
}

// A float QVariant would be written as binary "@Variant(...)", and the double it widens to
// as 1.100000023841858 for 1.1. The shortest text that reads back as the same float keeps
// a value written as the user or the file gave it.
QVariant number(float v)
{
    if (!std::isfinite(v))
        return double(v);
    // The fewest significant digits, written without an exponent where the number allows
    // ("200", not "2e+02").
    for (int digits = 1; digits <= 9; ++digits) {
        const double shortest = QString::number(double(v), 'g', digits).toDouble();
        if (float(shortest) == v)
            return QString::number(shortest, 'g', QLocale::FloatingPointShortest);
    }
    return double(v);
}

void readBool(QSettings& ini, const char* key, bool& member)
{
    member = ini.value(QLatin1String(key), member).toBool();
}

bool usableLimit(float v)
{
    return std::isfinite(v) && std::fabs(v) <= MaxLimit;
}

// Reads an int key; a value that is not a number in [lo, hi] leaves member alone.
bool readCount(QSettings& ini, const char* key, int& member, int lo, int hi)
{
    const QVariant v = ini.value(QLatin1String(key));
    if (!v.isValid())
        return false;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (ok && n >= lo && n <= hi) {
        member = int(n);
        return false;
    }
    member = 0;
    return true;
}

// The entries an array really holds, in index order, up to its declared size and the
// bound: a huge declared size costs nothing beyond the entries that are there.
QList<int> presentEntries(QSettings& ini, const QString& array, int declared, int bound)
{
    QList<int> present;
    ini.beginGroup(array);
    const QStringList groups = ini.childGroups();
    ini.endGroup();
    for (const QString& g : groups) {
        bool ok = false;
        const int i = g.toInt(&ok);
        if (ok && i >= 1 && i <= declared && i <= bound)
            present.append(i - 1);
    }
    std::sort(present.begin(), present.end());
    return present;
}

} // namespace

float defaultUpper(int axis)
{
    return axis == 0 ? 200.0f : 110.0f;
}

float defaultLower(int axis)
{
    return axis == 0 ? -100.0f : -10.0f;
}

void completeLimits(QList<float>& upper, QList<float>& lower)
{
    // Keep the lists of equal length whatever the file held.
    while (lower.size() < upper.size())
        lower.append(upper.size() == 1 ? -100.0f : -10.0f);
    while (upper.size() < lower.size())
        upper.append(upper.isEmpty() ? 200.0f : 110.0f);
    if (upper.isEmpty()) {
        upper.append(200.0f);
        lower.append(-100.0f);
    }
    if (upper.size() < 2) {
        upper.append(110.0f);
        lower.append(-10.0f);
    }
}

bool readView(const QString& path, PlotViewSettings& s)
{
    qCDebug(lcPlot) << "读取配置文件" << path;
    bool damaged = false;
    if (QDir().exists(path)) {
        QSettings ini(path, QSettings::IniFormat);
        openCodec(ini);
        ini.beginGroup(QStringLiteral("Background"));
        readBool(ini, "DarkMode", s.DarkMode);
        readBool(ini, "WaterMark", s.WaterMark);
        ini.endGroup();

        ini.beginGroup(QStringLiteral("Axis"));
        const int declared = ini.beginReadArray(QStringLiteral("Limit"));
        const int n = std::min(declared, MaxAxes);
        damaged = damaged || declared > MaxAxes;
        s.upperLimits.clear();
        s.lowerLimits.clear();
        for (int i = 0; i < n; ++i) {
            ini.setArrayIndex(i);
            float upper = ini.value(QStringLiteral("Upper"), 180.0f).toFloat();
            float lower = ini.value(QStringLiteral("Lower"), -90.0f).toFloat();
            if (!usableLimit(upper) || !usableLimit(lower) || upper == lower) {
                damaged = true;
                upper = defaultUpper(i);
                lower = defaultLower(i);
            }
            s.upperLimits.append(upper);
            s.lowerLimits.append(lower);
        }
        ini.endArray();
        ini.endGroup();

        ini.beginGroup(QStringLiteral("Grid"));
        damaged = readCount(ini, "xSplCount", s.xSplCount, 0, MaxGridCount) || damaged;
        damaged = readCount(ini, "ySplCount", s.ySplCount, 0, MaxGridCount) || damaged;
        ini.endGroup();

        ini.beginGroup(QStringLiteral("Vernier"));
        readBool(ini, "DrawA", s.DrawA);
        readBool(ini, "DrawB", s.DrawB);
        ini.endGroup();

        ini.beginGroup(QStringLiteral("Control"));
        readBool(ini, "allowDragX", s.allowDragX);
        readBool(ini, "allowZoomX", s.allowZoomX);
        readBool(ini, "allowDragY0", s.allowDragY0);
        readBool(ini, "allowZoomY0", s.allowZoomY0);
        readBool(ini, "allowDragY1", s.allowDragY1);
        readBool(ini, "allowZoomY1", s.allowZoomY1);
        ini.endGroup();

        ini.beginGroup(QStringLiteral("Events"));
        readBool(ini, "showError", s.showError);
        readBool(ini, "showSys", s.showSys);
        readBool(ini, "showUser", s.showUser);
        ini.endGroup();
    }
    completeLimits(s.upperLimits, s.lowerLimits);
    if (damaged)
        qCWarning(lcPlot) << "配置文件有误" << path;
    return damaged;
}

QList<CurveInfo> readCurves(const QString& path, bool* damaged)
{
    qCDebug(lcPlot) << "读取配置文件" << path;
    QList<CurveInfo> saved;
    bool bad = false;
    if (QDir().exists(path)) {
        QSettings ini(path, QSettings::IniFormat);
        openCodec(ini);
        ini.beginGroup(QStringLiteral("CurveInfo"));
        const int declared = ini.beginReadArray(QStringLiteral("CURVE"));
        ini.endArray();
        bad = declared > MaxCurves;
        const QList<int> present =
            presentEntries(ini, QStringLiteral("CURVE"), declared, MaxCurves);
        ini.beginReadArray(QStringLiteral("CURVE"));
        static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]{6}$"));
        for (int i : present) {
            ini.setArrayIndex(i);
            CurveInfo c;
            c.CurveName = ini.value(QStringLiteral("CurveName"), "TavDataName").toString();
            c.ToDraw = ini.value(QStringLiteral("ToDraw"), "false").toBool();
            const QString colour = ini.value(QStringLiteral("CurveColor"), "000000").toString();
            if (hex.match(colour).hasMatch()) {
                c.CurveColor = QLatin1Char('#') + colour;
            } else {
                bad = true;
            }
            const float weight = ini.value(QStringLiteral("CurveWeight"), "1.0").toFloat();
            if (std::isfinite(weight) && weight > 0.0f) {
                c.CurveWeight = std::min(weight, MaxCurveWeight);
                bad = bad || weight > MaxCurveWeight;
            } else {
                bad = true;
            }
            bool ok = false;
            const int style = ini.value(QStringLiteral("CurveStyle"), "1").toInt(&ok);
            if (ok && style >= Qt::NoPen && style <= Qt::DashDotDotLine)
                c.CurveStyle = style;
            else
                bad = true;
            const int axis = ini.value(QStringLiteral("RefIndex"), "0").toInt(&ok);
            if (ok && axis >= 0 && axis < MaxAxes)
                c.RefIndex = axis;
            else
                bad = true;
            saved.append(c);
        }
        ini.endArray();
        ini.endGroup();
    }
    if (bad)
        qCWarning(lcPlot) << "配置文件有误" << path;
    if (damaged)
        *damaged = bad;
    return saved;
}

void applyCurves(QList<CurveInfo>& curves, const QList<CurveInfo>& saved)
{
    for (CurveInfo& c : curves) {
        for (const CurveInfo& e : saved) {
            if (c.CurveName == e.CurveName)
                c = e;
        }
    }
}

bool knowsAny(const QList<CurveInfo>& curves, const QList<CurveInfo>& saved)
{
    QSet<QString> names;
    names.reserve(saved.size());
    for (const CurveInfo& e : saved)
        names.insert(e.CurveName);
    for (const CurveInfo& c : curves) {
        if (names.contains(c.CurveName))
            return true;
    }
    return false;
}

void drawAllInPalette(QList<CurveInfo>& curves)
{
    for (int i = 0; i < curves.size(); ++i) {
        curves[i].ToDraw = true;
        curves[i].CurveColor = CurvePalette::colour(i);
    }
}

bool applyCurvesOrDrawAll(QList<CurveInfo>& curves, const QList<CurveInfo>& saved)
{
    if (knowsAny(curves, saved)) {
        applyCurves(curves, saved);
        return false;
    }
    drawAllInPalette(curves);
    return true;
}

bool write(const QString& path, const PlotViewSettings& s, const QList<CurveInfo>& curves)
{
    qCDebug(lcPlot) << "写入配置文件" << path;
    QSettings ini(path, QSettings::IniFormat);
    openCodec(ini);

    ini.beginGroup(QStringLiteral("Background"));
    ini.setValue(QStringLiteral("DarkMode"), s.DarkMode);
    ini.setValue(QStringLiteral("WaterMark"), s.WaterMark);
    ini.endGroup();

    ini.beginGroup(QStringLiteral("Axis"));
    ini.remove(QString());
    ini.beginWriteArray(QStringLiteral("Limit"), s.upperLimits.size());
    for (int i = 0; i < s.upperLimits.size(); ++i) {
        ini.setArrayIndex(i);
        ini.setValue(QStringLiteral("Upper"), number(s.upperLimits[i]));
        ini.setValue(QStringLiteral("Lower"),
                     number(i < s.lowerLimits.size() ? s.lowerLimits[i] : 0.0f));
    }
    ini.endArray();
    ini.endGroup();

    ini.beginGroup(QStringLiteral("Grid"));
    ini.setValue(QStringLiteral("xSplCount"), s.xSplCount);
    ini.setValue(QStringLiteral("ySplCount"), s.ySplCount);
    ini.endGroup();

    ini.beginGroup(QStringLiteral("CurveInfo"));
    ini.remove(QString());
    ini.beginWriteArray(QStringLiteral("CURVE"), curves.size());
    for (int i = 0; i < curves.size(); ++i) {
        const CurveInfo& c = curves[i];
        ini.setArrayIndex(i);
        ini.setValue(QStringLiteral("CurveName"), c.CurveName);
        ini.setValue(QStringLiteral("ToDraw"), c.ToDraw);
        ini.setValue(QStringLiteral("CurveColor"), c.CurveColor.right(6));
        ini.setValue(QStringLiteral("CurveWeight"), number(c.CurveWeight));
        ini.setValue(QStringLiteral("CurveStyle"), c.CurveStyle);
        ini.setValue(QStringLiteral("RefIndex"), c.RefIndex);
    }
    ini.endArray();
    ini.endGroup();

    ini.beginGroup(QStringLiteral("Vernier"));
    ini.remove(QString());
    ini.setValue(QStringLiteral("DrawA"), s.DrawA);
    ini.setValue(QStringLiteral("DrawB"), s.DrawB);
    ini.endGroup();

    ini.beginGroup(QStringLiteral("Control"));
    ini.remove(QString());
    ini.setValue(QStringLiteral("allowDragX"), s.allowDragX);
    ini.setValue(QStringLiteral("allowZoomX"), s.allowZoomX);
    ini.setValue(QStringLiteral("allowDragY0"), s.allowDragY0);
    ini.setValue(QStringLiteral("allowZoomY0"), s.allowZoomY0);
    ini.setValue(QStringLiteral("allowDragY1"), s.allowDragY1);
    ini.setValue(QStringLiteral("allowZoomY1"), s.allowZoomY1);
    ini.endGroup();

    ini.beginGroup(QStringLiteral("Events"));
    qCDebug(lcPlot) << (s.showError ? "true" : "false") << (s.showSys ? "true" : "false")
                    << (s.showUser ? "true" : "false");
    ini.remove(QString());
    ini.setValue(QStringLiteral("showError"), s.showError);
    ini.setValue(QStringLiteral("showSys"), s.showSys);
    ini.setValue(QStringLiteral("showUser"), s.showUser);
    ini.endGroup();
    return finishWrite(ini, path);
}

bool finishWrite(QSettings& ini, const QString& path)
{
    ini.sync();
    const bool written = ini.status() == QSettings::NoError;
    if (!written)
        qCWarning(lcPlot) << "写入配置文件失败" << path << ini.status();
    return written;
}

} // namespace PlotConfig
