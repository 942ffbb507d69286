#include "uilanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

const char* const TranslationDir = ":/translations";
const char* const TranslationPrefix = "ostrel_";

// "zh-Hans-CN" and "zh_CN" alike give "zh", "zh_Hans", "zh_Hans_CN": the most general
// first, as a translation for a whole language serves every country of it.
QStringList candidates(QString entry)
{
    entry.replace(QLatin1Char('-'), QLatin1Char('_'));
    const QStringList parts = entry.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    QStringList names;
    for (int n = 1; n <= parts.size(); ++n)
        names.append(parts.mid(0, n).join(QLatin1Char('_')));
    return names;
}

} // namespace

UiLanguage::UiLanguage(const QStringList& preferred)
{
    const Choice choice = choose(preferred, translatedLanguages());
    m_language = choice.language;
    if (m_language != QLatin1String(SourceLanguage)) {
        auto own = std::make_unique<QTranslator>();
        if (own->load(QLatin1String(TranslationPrefix) + m_language, QLatin1String(TranslationDir)))
            install(std::move(own));
    }
    // Qt's own texts are English in its sources; for another language they come from Qt's
    // installed translations, when there are any.
    if (!choice.entry.isEmpty() && m_language != QLatin1String(FallbackLanguage)) {
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(QLocale(choice.entry), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
            install(std::move(qt));
    }
}

UiLanguage::~UiLanguage()
{
    for (const auto& translator : m_translators)
        QCoreApplication::removeTranslator(translator.get());
}

void UiLanguage::install(std::unique_ptr<QTranslator> translator)
{
    QCoreApplication::installTranslator(translator.get());
    m_translators.push_back(std::move(translator));
}

UiLanguage::Choice UiLanguage::choose(const QStringList& preferred, const QStringList& translated)
{
    for (const QString& entry : preferred) {
        if (entry == QLatin1String("C") || entry == QLatin1String("POSIX"))
            return {QLatin1String(FallbackLanguage), QString()};
        const QStringList names = candidates(entry);
        if (names.isEmpty())
            continue;
        if (names.first().compare(QLatin1String(SourceLanguage), Qt::CaseInsensitive) == 0)
            return {QLatin1String(SourceLanguage), entry};
        // The most particular translation that fits: a country's own before its language's.
        for (int n = names.size() - 1; n >= 0; --n) {
            for (const QString& language : translated) {
                if (language.compare(names.at(n), Qt::CaseInsensitive) == 0)
                    return {language, entry};
            }
        }
    }
    return {QLatin1String(FallbackLanguage), QString()};
}

QStringList UiLanguage::translatedLanguages()
{
    QStringList languages;
    const QString prefix = QLatin1String(TranslationPrefix);
    const QStringList files =
        QDir(QLatin1String(TranslationDir)).entryList({prefix + QStringLiteral("*.qm")});
    for (const QString& file : files)
        languages.append(file.mid(prefix.size(), file.size() - prefix.size() - 3));
    return languages;
}
