#include "numberpattern.h"

#include <cstring>

namespace {

void appendText(QChar*& p, const QString& text)
{
    std::memcpy(static_cast<void*>(p), text.constData(), size_t(text.size()) * sizeof(QChar));
    p += text.size();
}

void appendDecimal(QChar*& p, qint64 v)
{
    // Digits of the magnitude as unsigned, so that the lowest qint64 has one too.
    quint64 magnitude = v < 0 ? 0 - quint64(v) : quint64(v);
    if (v < 0)
        *p++ = QLatin1Char('-');
    QChar digits[20];
    int n = 0;
    do {
        digits[n++] = QChar(ushort('0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude > 0);
    while (n > 0)
        *p++ = digits[--n];
}

} // namespace

NumberPattern::NumberPattern(const QString& pattern)
{
    int from = 0;
    for (int i = 0; i + 1 < pattern.size(); ++i) {
        const QChar c = pattern.at(i + 1);
        if (pattern.at(i) != QLatin1Char('%') || c < QLatin1Char('1') || c > QLatin1Char('9'))
            continue;
        m_texts.append(pattern.mid(from, i - from));
        m_places.append(c.unicode() - '0');
        from = i + 2;
        ++i;
    }
    m_texts.append(pattern.mid(from));
    for (const QString& text : qAsConst(m_texts))
        m_textLength += text.size();
}

QString NumberPattern::fill(std::initializer_list<qint64> values) const
{
    // A number takes at most 20 characters with its sign.
    QString message(m_textLength + 20 * m_places.size() + 2 * m_places.size(), Qt::Uninitialized);
    QChar* begin = message.data();
    QChar* p = begin;
    for (int k = 0; k < m_places.size(); ++k) {
        appendText(p, m_texts.at(k));
        const int place = m_places.at(k);
        if (place <= int(values.size())) {
            appendDecimal(p, values.begin()[place - 1]);
        } else {
            *p++ = QLatin1Char('%');
            *p++ = QChar(ushort('0' + place));
        }
    }
    appendText(p, m_texts.last());
    message.truncate(int(p - begin));
    return message;
}
