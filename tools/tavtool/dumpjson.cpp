#include "dumpjson.h"

#include "sortedtavdata.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Composes JSON text in a buffer that goes to the file in large blocks; values are written
// without per-value allocation.
class JsonOut
{
public:
    explicit JsonOut(std::FILE* file) : m_file(file) { text.reserve(Chunk + 4096); }
    ~JsonOut() { flush(); }

    QByteArray text;
    bool ok = true;

    void flush()
    {
        if (!text.isEmpty() &&
            std::fwrite(text.constData(), 1, size_t(text.size()), m_file) != size_t(text.size()))
            ok = false;
        text.resize(0);
    }
    void maybeFlush()
    {
        if (text.size() >= Chunk)
            flush();
    }

    void raw(const char* s) { text.append(s); }
    void integer(qint64 v)
    {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        text.append(buf, int(r.ptr - buf));
    }
    // Shortest text that reads back as the same float; NaN and infinities have no JSON form.
    void number(float v)
    {
        if (!std::isfinite(v)) {
            text.append("null", 4);
            return;
        }
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        text.append(buf, int(r.ptr - buf));
    }
    void string(const QString& s)
    {
        const QByteArray utf8 = s.toUtf8();
        text.append('"');
        for (char c : utf8) {
            const uchar u = uchar(c);
            if (c == '"' || c == '\\') {
                text.append('\\');
                text.append(c);
            } else if (u < 0x20) {
                static const char hex[] = "0123456789abcdef";
                const char escaped[] = {'\\', 'u', '0', '0', hex[u >> 4], hex[u & 15]};
                text.append(escaped, 6);
            } else {
                text.append(c);
            }
        }
        text.append('"');
    }
    void key(const char* name, bool first = false)
    {
        text.append(first ? "{\n\"" : ",\n\"");
        text.append(name);
        text.append("\": ");
    }
    template <typename List, typename Each> void array(const List& list, Each each)
    {
        text.append('[');
        bool first = true;
        for (const auto& item : list) {
            if (!first)
                text.append(',');
            first = false;
            each(item);
            maybeFlush();
        }
        text.append(']');
    }

private:
    static constexpr int Chunk = 1 << 20;
    std::FILE* m_file;
};

} // namespace

bool writeDumpJson(std::FILE* file, const SortedTavData& set, const InfoMessages& messages,
                   bool withValues)
{
    JsonOut out(file);
    out.key("status", true);
    out.integer(set.status);
    out.key("messages");
    out.array(messages, [&out](const QPair<QString, int>& m) {
        out.raw("[");
        out.string(m.first);
        out.raw(",");
        out.integer(m.second);
        out.raw("]");
    });
    out.key("names");
    out.array(set.names, [&out](const QString& name) { out.string(name); });
    out.key("sampleCount");
    out.integer(set.sampleCount);
    out.key("stamps");
    if (withValues) {
        out.array(set.stamps, [&out](qint64 s) { out.integer(s); });
    } else if (set.stamps.isEmpty()) {
        out.raw("[]");
    } else {
        out.raw("[");
        out.integer(set.stamps.first());
        out.raw(",");
        out.integer(set.stamps.last());
        out.raw("]");
    }
    if (withValues) {
        out.key("values");
        out.array(set.values, [&out](const QVector<float>& column) {
            out.array(column, [&out](float v) { out.number(v); });
        });
    }
    out.key("spans");
    out.raw("[");
    for (int i = 0; i < set.spanIndexes.size(); ++i) {
        if (i > 0)
            out.raw(",");
        out.maybeFlush();
        out.raw("[");
        out.integer(set.spanIndexes.at(i).first);
        out.raw(",");
        out.integer(set.spanIndexes.at(i).second);
        out.raw(",");
        out.integer(i < set.spanIntervals.size() ? set.spanIntervals.at(i) : 0);
        out.raw("]");
    }
    out.raw("]");
    out.key("info");
    out.raw("[");
    for (int i = 0; i < set.infoNames.size(); ++i) {
        if (i > 0)
            out.raw(",");
        out.maybeFlush();
        out.raw("[");
        out.string(set.infoNames.at(i));
        out.raw(",");
        out.string(i < set.infoValues.size() ? set.infoValues.at(i) : QString());
        out.raw("]");
    }
    out.raw("]");
    out.key("errors");
    out.array(set.errors, [&out](const ErrorRecord& e) {
        out.raw("[");
        out.integer(e.stamp);
        out.raw(",");
        out.integer(e.code);
        out.raw(",");
        out.integer(e.state);
        out.raw("]");
    });
    const auto event = [&out](const EventRecord& e) {
        out.raw("[");
        out.integer(e.stamp);
        out.raw(",");
        out.string(e.text);
        out.raw("]");
    };
    out.key("systemEvents");
    out.array(set.systemEvents, event);
    out.key("userEvents");
    out.array(set.userEvents, event);
    out.raw("\n}\n");
    out.flush();
    return out.ok && std::fflush(file) == 0;
}
