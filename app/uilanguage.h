#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QTranslator;

// The language of the program's texts, chosen once from the user's preferences, with the
// translators that show it for as long as the object lives.
//
// Chinese is the language of the sources and needs no translator; every other language is a
// :/translations/ostrel_<language>.qm. The first preferred language that is Chinese or has
// such a file wins; "C" and "POSIX" ask for English, and so does a list that names no
// language the program has. Qt's own texts (dialog buttons and the like) follow the same
// choice where Qt's translations for it are installed.
//
// Threads: the worker threads translate their messages (QCoreApplication::translate) while
// the GUI thread runs, so the translators are installed in main() before any worker starts
// and stay until the application ends. Nothing installs or removes one while a worker runs:
// the worker then only ever reads a list that no one changes.
class UiLanguage
{
public:
    // Installs the translators for the first of preferred that the program has.
    explicit UiLanguage(const QStringList& preferred = QLocale::system().uiLanguages());
    ~UiLanguage();
    UiLanguage(const UiLanguage&) = delete;
    UiLanguage& operator=(const UiLanguage&) = delete;

    // "zh" for the language of the sources, otherwise the name of the .qm's language ("en").
    QString language() const { return m_language; }

    // The language for preferred (as uiLanguages() lists them, "zh-CN" or "zh_CN") among the
    // languages that have a translation, with the entry of preferred that chose it (empty
    // when none did and English stands in).
    struct Choice
    {
        QString language;
        QString entry;
    };
    static Choice choose(const QStringList& preferred, const QStringList& translated);

    // The languages that have a translation in the resources.
    static QStringList translatedLanguages();

    static constexpr const char* SourceLanguage = "zh";
    static constexpr const char* FallbackLanguage = "en";

private:
    void install(std::unique_ptr<QTranslator> translator);

    QString m_language;
    std::vector<std::unique_ptr<QTranslator>> m_translators;
};
