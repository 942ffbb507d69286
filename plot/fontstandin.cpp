#include "fontstandin.h"

#include "plotlog.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QVector>

#include <algorithm>

namespace {

// Large enough that a thin stroke covers whole pixels.
constexpr int ProbePixelSize = 24;

bool leavesInk(const QFont& font, const QString& character)
{
    QImage image(3 * ProbePixelSize, 2 * ProbePixelSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(ProbePixelSize / 2, 3 * ProbePixelSize / 2), character);
    }
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (std::any_of(line, line + image.width(), [](QRgb p) { return qAlpha(p) != 0; }))
            return true;
    }
    return false;
}

// Installed families in the order they are tried: those of the same pitch as the wanted
// font first, then by the number of writing systems they cover, then by name.
QStringList candidates(const QFontDatabase& db, bool fixedPitch)
{
    struct Candidate
    {
        QString family;
        bool otherPitch;
        int systems;
    };
    QVector<Candidate> list;
    for (const QString& family : db.families()) {
        if (db.isPrivateFamily(family) || !db.isSmoothlyScalable(family))
            continue;
        list.append(
            {family, db.isFixedPitch(family) != fixedPitch, int(db.writingSystems(family).size())});
    }
    std::stable_sort(list.begin(), list.end(), [](const Candidate& a, const Candidate& b) {
        if (a.otherPitch != b.otherPitch)
            return b.otherPitch;
        return a.systems > b.systems;
    });
    QStringList families;
    for (const Candidate& c : qAsConst(list))
        families.append(c.family);
    return families;
}

} // namespace

QString FontStandIn::probeText()
{
    QString text;
    for (char c = '!'; c <= '~'; ++c)
        text.append(QLatin1Char(c));
    return text + QStringLiteral("℃");
}

bool FontStandIn::drawsAll(const QFont& font, const QString& text)
{
    QFont probe = font;
    probe.setPixelSize(ProbePixelSize);
    const QVector<uint> characters = text.toUcs4();
    return std::all_of(characters.begin(), characters.end(), [&probe](uint c) {
        return QChar::isSpace(c) || leavesInk(probe, QString::fromUcs4(&c, 1));
    });
}

QString FontStandIn::pick(const QString& family, const QString& text)
{
    const QFontDatabase db;
    const QFont wanted(family);
    if (db.hasFamily(family) || drawsAll(wanted, text))
        return {};
    for (const QString& candidate : candidates(db, QFontInfo(wanted).fixedPitch())) {
        const QFont font(candidate);
        // Names such as "Sans Serif" are aliases that resolve by locale again.
        if (QFontInfo(font).family().compare(candidate, Qt::CaseInsensitive) != 0)
            continue;
        if (drawsAll(font, text))
            return candidate;
    }
    return {};
}

void FontStandIn::settle(const QString& family)
{
    static QSet<QString> settled;
    if (settled.contains(family))
        return;
    settled.insert(family);
    const QString standIn = pick(family, probeText());
    if (standIn.isEmpty())
        return;
    QFont::insertSubstitution(family, standIn);
    qCInfo(lcPlot) << "FontStandIn::settle" << standIn << "stands in for" << family;
}
