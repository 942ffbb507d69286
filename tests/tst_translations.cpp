// The translations keep up with the sources: every Chinese text the program shows has a
// finished translation in each translations/ostrel_<language>.ts (English at least), with the
// same places, and nothing in a file is left half done. Read from the sources, so that a new
// text without its translation fails here rather than showing Chinese in another language.
#include "testutil.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// Chinese that is data or no label, with why; each entry is a fragment of the literal and the
// file it stands in (empty: any file). Everything else Chinese in the sources is a text.
struct Exemption
{
    const char* file;
    const char* fragment;
    const char* why;
};

const Exemption Exemptions[] = {
    {"", "微软雅黑", "a font family's name"},
    {"data/tavcsv.cpp", "时间,", "the CSV header: an export reads back whatever the language"},
    {"data/tolerancepairs.cpp", "设定", "how recordings name a setpoint variable"},
    {"panels/vytabstats.cpp", "温度设定",
     "a variable name as recordings have them, to size a column"},
    {"app/registerfiletype.cpp", "TAV试验箱数据文件",
     "the file type's description in the Windows registry and the MIME type's zh_CN comment"},
    {"app/registerfiletype.cpp", "[zh_CN]=", "the desktop entry's Chinese keys"},
    {"tools/tavtool/commands.cpp", "M设定",
     "tavtool's English help names setpoints as recordings do"},
};

// Calls whose statement is a debug-log line: what they print is for developers.
const char* const LogCalls[] = {"qCDebug", "qCInfo", "qCWarning", "qCCritical",
                                "qDebug",  "qInfo",  "qWarning",  "qCritical"};

bool isChinese(const QString& text)
{
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if ((u >= 0x2E80 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF) ||
            (u >= 0xFF00 && u <= 0xFFEF))
            return true;
    }
    return false;
}

struct Literal
{
    QString text;
    int line = 0;
    bool logged = false; // part of a debug-log statement
};

// The string literals of a C++ source as the compiler joins them: escapes decoded, adjacent
// literals one, comments and character literals skipped.
class LiteralScanner
{
public:
    explicit LiteralScanner(const QByteArray& source) : m_s(source) {}

    QVector<Literal> scan()
    {
        while (m_i < m_s.size()) {
            const char c = m_s.at(m_i);
            if (startsWith("//")) {
                skipPast("\n");
            } else if (startsWith("/*")) {
                skipPast("*/");
            } else if (c == '"') {
                literal();
            } else if (c == '\'') {
                charLiteral();
            } else if (isIdentifierStart(c)) {
                identifier();
            } else {
                if (c == ';' || c == '{' || c == '}') {
                    m_logStatement = false;
                    m_pending = false;
                } else if (!isSpace(c)) {
                    m_pending = false;
                }
                if (c == '\n')
                    ++m_line;
                ++m_i;
            }
        }
        return m_found;
    }

private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
    static bool isIdentifierStart(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    }
    bool startsWith(const char* s) const { return m_s.mid(m_i).startsWith(s); }

    void skipPast(const char* end)
    {
        const int at = m_s.indexOf(end, m_i);
        const int stop = at < 0 ? m_s.size() : at + int(qstrlen(end));
        m_line += m_s.mid(m_i, stop - m_i).count('\n');
        m_i = stop;
    }

    void identifier()
    {
        const int start = m_i;
        while (m_i < m_s.size() && (isIdentifierStart(m_s.at(m_i)) || isdigit(m_s.at(m_i))))
            ++m_i;
        const QByteArray word = m_s.mid(start, m_i - start);
        // A prefix of the literal that follows (u8"..."): not a word of its own.
        if (m_i < m_s.size() && m_s.at(m_i) == '"' &&
            (word == "u8" || word == "u" || word == "U" || word == "L"))
            return;
        for (const char* call : LogCalls)
            m_logStatement = m_logStatement || word == call;
        m_pending = false;
    }

    void charLiteral()
    {
        for (++m_i; m_i < m_s.size() && m_s.at(m_i) != '\''; ++m_i)
            m_i += m_s.at(m_i) == '\\';
        ++m_i;
    }

    void literal()
    {
        QByteArray bytes;
        for (++m_i; m_i < m_s.size() && m_s.at(m_i) != '"'; ++m_i) {
            if (m_s.at(m_i) != '\\') {
                bytes += m_s.at(m_i);
                continue;
            }
            const char e = m_s.at(++m_i);
            static const QHash<char, char> simple = {{'n', '\n'}, {'t', '\t'},  {'r', '\r'},
                                                     {'"', '"'},  {'\\', '\\'}, {'\'', '\''},
                                                     {'?', '?'},  {'0', '\0'}};
            bytes += simple.value(e, e);
        }
        ++m_i;
        const QString text = QString::fromUtf8(bytes);
        if (m_pending) {
            m_found.last().text += text;
            m_found.last().logged = m_found.last().logged || m_logStatement;
        } else {
            m_found.append({text, m_line + 1, m_logStatement});
        }
        m_pending = true;
    }

    const QByteArray m_s;
    int m_i = 0;
    int m_line = 0;
    bool m_logStatement = false;
    bool m_pending = false; // the last token was a literal: the next one joins it
    QVector<Literal> m_found;
};

// What the .ts file holds for one source text, in any context.
struct TsMessage
{
    QString context;
    QString source;
    QString type; // "" when finished
    QStringList forms;
    bool numerus = false;
};

QVector<TsMessage> readTs(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QVector<TsMessage> messages;
    QString context;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            TsMessage m;
            m.context = context;
            m.numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            messages.append(m);
        } else if (xml.name() == QLatin1String("source") && !messages.isEmpty()) {
            messages.last().source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation") && !messages.isEmpty()) {
            messages.last().type = xml.attributes().value(QLatin1String("type")).toString();
            if (!messages.last().numerus)
                messages.last().forms = QStringList{xml.readElementText()};
        } else if (xml.name() == QLatin1String("numerusform") && !messages.isEmpty()) {
            messages.last().forms.append(xml.readElementText());
        }
    }
    return xml.hasError() ? QVector<TsMessage>() : messages;
}

// The places a text fills in: %1 to %99, and %n for a count.
QStringList places(const QString& text)
{
    static const QRegularExpression place(QStringLiteral("%(\\d{1,2}|n)"));
    QStringList found;
    auto it = place.globalMatch(text);
    while (it.hasNext())
        found.append(it.next().captured());
    found.sort();
    found.removeDuplicates();
    return found;
}

} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyChineseTextIsTranslated_data() { translationFiles(); }
    void everyChineseTextIsTranslated();
    void exemptionsAreInUse();
    void translationsAreFinished_data() { translationFiles(); }
    void translationsAreFinished();

private:
    void translationFiles();

    // Per translation file, its messages.
    QMap<QString, QVector<TsMessage>> m_files;
    // Per file of the program's sources, the Chinese literals that are texts.
    QHash<QString, QVector<Literal>> m_texts;
    QSet<int> m_usedExemptions;
};

void TestTranslations::initTestCase()
{
    const QDir root(TestUtil::sourceDir());
    const QDir translations(root.filePath(QStringLiteral("translations")));
    for (const QString& name : translations.entryList({QStringLiteral("ostrel_*.ts")})) {
        m_files.insert(name, readTs(translations.filePath(name)));
        QVERIFY2(m_files.value(name).size() > 100, qPrintable(name));
    }
    QVERIFY(m_files.contains(QStringLiteral("ostrel_en.ts")));
    for (const char* dir : {"app", "data", "plot", "panels", "tools/tavtool"}) {
        QDirIterator it(root.filePath(QLatin1String(dir)), {"*.cpp", "*.h"}, QDir::Files);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString name = root.relativeFilePath(path);
            for (const Literal& l : LiteralScanner(TestUtil::readFile(path)).scan()) {
                if (!isChinese(l.text) || l.logged)
                    continue;
                bool exempt = false;
                for (int e = 0; e < int(std::size(Exemptions)); ++e) {
                    const Exemption& x = Exemptions[e];
                    if ((!*x.file || name == QLatin1String(x.file)) &&
                        l.text.contains(QString::fromUtf8(x.fragment))) {
                        exempt = true;
                        m_usedExemptions.insert(e);
                    }
                }
                if (!exempt)
                    m_texts[name].append(l);
            }
        }
    }
    // The scan finds the texts it must: a button's, a reader's, one in the report.
    QVERIFY(m_texts.contains("app/ostrel.cpp"));
    QVERIFY(m_texts.contains("data/tavdata.cpp"));
    QVERIFY(m_texts.contains("plot/testreport.cpp"));
}

void TestTranslations::translationFiles()
{
    QTest::addColumn<QString>("file");
    for (const QString& name : m_files.keys())
        QTest::newRow(qPrintable(name)) << name;
}

void TestTranslations::everyChineseTextIsTranslated()
{
    QFETCH(QString, file);
    QSet<QString> finished;
    for (const TsMessage& m : m_files.value(file)) {
        if (m.type.isEmpty())
            finished.insert(m.source);
    }
    QStringList untranslated;
    for (auto it = m_texts.cbegin(); it != m_texts.cend(); ++it) {
        for (const Literal& l : it.value()) {
            if (!finished.contains(l.text))
                untranslated
                    << QStringLiteral("%1:%2: \"%3\"").arg(it.key()).arg(l.line).arg(l.text);
        }
    }
    QVERIFY2(untranslated.isEmpty(),
             qPrintable(QStringLiteral("no finished translation (run the ostrel_lupdate target, "
                                       "then translate in Linguist):\n") +
                        untranslated.join(QLatin1Char('\n'))));
}

// An exemption that no longer matches anything would silently let a future text through.
void TestTranslations::exemptionsAreInUse()
{
    for (int e = 0; e < int(std::size(Exemptions)); ++e)
        QVERIFY2(m_usedExemptions.contains(e), Exemptions[e].fragment);
}

// Every message is translated, with the places of its source; in English no Chinese is left,
// and a count has both of its forms.
void TestTranslations::translationsAreFinished()
{
    QFETCH(QString, file);
    const bool english = file == QLatin1String("ostrel_en.ts");
    QStringList faults;
    for (const TsMessage& m : m_files.value(file)) {
        const QString at = m.context + QStringLiteral(": \"") + m.source + QLatin1Char('"');
        if (!m.type.isEmpty())
            faults << at + QStringLiteral(" is ") + m.type;
        if (m.forms.isEmpty() || (english && m.forms.size() != (m.numerus ? 2 : 1)))
            faults << at + QStringLiteral(" has %1 forms").arg(m.forms.size());
        for (const QString& form : m.forms) {
            if (form.trimmed().isEmpty() || (english && isChinese(form)))
                faults << at + QStringLiteral(" -> \"") + form + QLatin1Char('"');
            if (places(form) != places(m.source))
                faults << at + QStringLiteral(" -> \"") + form +
                              QStringLiteral("\": places %1").arg(places(form).join(' '));
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
