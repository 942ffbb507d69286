#pragma once

#include <QByteArray>
#include <QString>

#include <charconv>
#include <cmath>

// Pieces of the JSON the commands print, appended to a byte array.
namespace JsonText {

// Shortest text that reads back as the same value (a double, or a float as the file holds
// it); null when not finite.
template <typename Real> inline void appendShortest(QByteArray& out, Real v)
{
    if (!std::isfinite(v)) {
        out.append("null");
        return;
    }
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, int(r.ptr - buf));
}

inline void appendNumber(QByteArray& out, double v)
{
    appendShortest(out, v);
}

inline void appendFloat(QByteArray& out, float v)
{
    appendShortest(out, v);
}

inline void appendString(QByteArray& out, const QString& s)
{
    out.append('"');
    for (char c : s.toUtf8()) {
        const uchar u = uchar(c);
        if (c == '"' || c == '\\') {
            out.append('\\');
            out.append(c);
        } else if (u < 0x20) {
            static const char hex[] = "0123456789abcdef";
            const char escaped[] = {'\\', 'u', '0', '0', hex[u >> 4], hex[u & 15]};
            out.append(escaped, 6);
        } else {
            out.append(c);
        }
    }
    out.append('"');
}

} // namespace JsonText
