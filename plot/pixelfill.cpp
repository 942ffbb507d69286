#include "pixelfill.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace PixelFill {

namespace {

std::atomic<bool> allowed{true};

// Where the painter's pixels are: the image, the offset from logical to image pixels and
// the one rectangle (image pixels) it may draw in.
struct Target
{
    QImage* image = nullptr;
    QPoint offset;
    QRect clip;
};

bool singleRect(const QRegion& region, QRect& out)
{
    if (region.rectCount() != 1)
        return false;
    out = region.boundingRect();
    return true;
}

bool findTarget(QPainter& painter, Target& t)
{
    QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster)
        return false;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image)
        return false;
    auto* image = static_cast<QImage*>(device);
    const QImage::Format f = image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
        f != QImage::Format_ARGB32_Premultiplied)
        return false;
    // Another QImage sharing these pixels would see them change under it.
    if (!image->isDetached())
        return false;
    if (painter.opacity() != 1.0 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const QTransform m = painter.deviceTransform();
    if (m.type() > QTransform::TxTranslate || m.dx() != std::floor(m.dx()) ||
        m.dy() != std::floor(m.dy()))
        return false;
    t.image = image;
    t.offset = QPoint(int(m.dx()), int(m.dy()));
    t.clip = image->rect();
    QRect r;
    const QRegion system = engine->systemClip();
    if (!system.isEmpty()) {
        if (!singleRect(system, r))
            return false;
        t.clip &= r;
    }
    if (painter.hasClipping()) {
        if (!singleRect(m.map(painter.clipRegion()), r))
            return false;
        t.clip &= r;
    }
    return true;
}

// x * a / 255 for the four bytes of x at once, rounded as the raster engine rounds.
inline quint32 byteMul(quint32 x, quint32 a)
{
    quint32 t = (x & 0xff00ff) * a;
    t = ((t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    x = ((x >> 8) & 0xff00ff) * a;
    x = (x + ((x >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return x | t;
}

} // namespace

bool blend(QPainter& painter, const QRect* rects, int count, QRgb color)
{
    Target t;
    if (!allowed || !findTarget(painter, t) ||
        t.image->format() == QImage::Format_ARGB32) // not premultiplied: another sum
        return false;
    const quint32 source = qPremultiply(color);
    const quint32 keep = 255 - qAlpha(color);
    uchar* bits = const_cast<uchar*>(t.image->constBits());
    const qsizetype stride = t.image->bytesPerLine();
    const auto blendRow = [&](const QRect& r, int y) {
        auto* px = reinterpret_cast<quint32*>(bits + y * stride) + r.left();
        for (int x = 0, w = r.width(); x < w; ++x)
            px[x] = source + byteMul(px[x], keep);
    };
    // Stripes of one height go row by row through memory: column by column, each pixel
    // would be a cache line of its own.
    bool sameRows = true;
    for (int k = 1; k < count && sameRows; ++k)
        sameRows = rects[k].top() == rects[0].top() && rects[k].bottom() == rects[0].bottom();
    if (sameRows && count > 1) {
        const int first = std::max(rects[0].top() + t.offset.y(), t.clip.top());
        const int last = std::min(rects[0].bottom() + t.offset.y(), t.clip.bottom());
        for (int y = first; y <= last; ++y) {
            for (int k = 0; k < count; ++k) {
                const QRect r = rects[k].translated(t.offset) & t.clip;
                if (!r.isEmpty())
                    blendRow(r, y);
            }
        }
        return true;
    }
    for (int k = 0; k < count; ++k) {
        const QRect r = rects[k].translated(t.offset) & t.clip;
        for (int y = r.top(); y <= r.bottom() && !r.isEmpty(); ++y)
            blendRow(r, y);
    }
    return true;
}

bool fill(QPainter& painter, const QRect* rects, int count, QRgb color)
{
    Target t;
    if (!allowed || qAlpha(color) != 255 || !findTarget(painter, t))
        return false;
    // The image's own pixels, without a detach (it holds them alone, checked above).
    uchar* bits = const_cast<uchar*>(t.image->constBits());
    const qsizetype stride = t.image->bytesPerLine();
    for (int k = 0; k < count; ++k) {
        const QRect r = rects[k].translated(t.offset) & t.clip;
        if (r.isEmpty())
            continue;
        uchar* row = bits + r.top() * stride + r.left() * 4;
        const int w = r.width();
        if (w == 1) {
            for (int y = r.top(); y <= r.bottom(); ++y, row += stride)
                *reinterpret_cast<QRgb*>(row) = color;
        } else {
            for (int y = r.top(); y <= r.bottom(); ++y, row += stride)
                std::fill_n(reinterpret_cast<QRgb*>(row), w, color);
        }
    }
    return true;
}

void setEnabled(bool enabled)
{
    allowed = enabled;
}

} // namespace PixelFill
