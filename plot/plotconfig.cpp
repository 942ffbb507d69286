#include "plotconfig.h"

#include "plotlog.h"

#include <QDir>
#include <QSettings>

namespace PlotConfig {

namespace {

void openCodec(QSettings& ini)
{
    ini.setIniCodec("UTF-8");
}

// A float QVariant would be written as binary "@Variant(...)"; a double is plain text.
QVariant number(float v)
{
    return double(v);
}

void readBool(QSettings& ini, const char* key, bool& member)
{
    member = ini.value(QLatin1String(key), member).toBool();
}

} // namespace

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

void readView(const QString& path, PlotViewSettings& s)
{
    qCDebug(lcPlot) << "读取配置文件" << path;
    if (QDir().exists(path)) {
        QSettings ini(path, QSettings::IniFormat);
        openCodec(ini);
        ini.beginGroup(QStringLiteral("Background"));
        readBool(ini, "DarkMode", s.DarkMode);
        readBool(ini, "WaterMark", s.WaterMark);
        ini.endGroup();

        ini.beginGroup(QStringLiteral("Axis"));
        const int n = ini.beginReadArray(QStringLiteral("Limit"));
        s.upperLimits.clear();
        s.lowerLimits.clear();
        for (int i = 0; i < n; ++i) {
            ini.setArrayIndex(i);
            s.upperLimits.append(ini.value(QStringLiteral("Upper"), 180.0f).toFloat());
            s.lowerLimits.append(ini.value(QStringLiteral("Lower"), -90.0f).toFloat());
        }
        ini.endArray();
        ini.endGroup();

        ini.beginGroup(QStringLiteral("Grid"));
        s.xSplCount = ini.value(QStringLiteral("xSplCount"), s.xSplCount).toInt();
        s.ySplCount = ini.value(QStringLiteral("ySplCount"), s.ySplCount).toInt();
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
}

QList<CurveInfo> readCurves(const QString& path)
{
    qCDebug(lcPlot) << "读取配置文件" << path;
    QList<CurveInfo> saved;
    if (!QDir().exists(path))
        return saved;
    QSettings ini(path, QSettings::IniFormat);
    openCodec(ini);
    ini.beginGroup(QStringLiteral("CurveInfo"));
    const int n = ini.beginReadArray(QStringLiteral("CURVE"));
    for (int i = 0; i < n; ++i) {
        ini.setArrayIndex(i);
        CurveInfo c;
        c.CurveName = ini.value(QStringLiteral("CurveName"), "TavDataName").toString();
        c.ToDraw = ini.value(QStringLiteral("ToDraw"), "false").toBool();
        c.CurveColor =
            QLatin1Char('#') + ini.value(QStringLiteral("CurveColor"), "000000").toString();
        c.CurveWeight = ini.value(QStringLiteral("CurveWeight"), "1.0").toFloat();
        c.CurveStyle = ini.value(QStringLiteral("CurveStyle"), "1").toInt();
        c.RefIndex = ini.value(QStringLiteral("RefIndex"), "0").toInt();
        saved.append(c);
    }
    ini.endArray();
    ini.endGroup();
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

void write(const QString& path, const PlotViewSettings& s, const QList<CurveInfo>& curves)
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
    ini.sync();
}

} // namespace PlotConfig
