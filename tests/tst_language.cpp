// The language of the interface: which one the system's preferences choose, that the
// programs follow it through the environment, and the window in each language, its texts
// whole. (That the plot's units leave ink under either locale: tst_drawer.)
#include "ostrelviewer.h"
#include "programrun.h"
#include "uilanguage.h"
#include "vyiconbutton.h"
#include "vystatuslabel.h"
#include "vytabcurve.h"

#include <QtWidgets>

namespace {

// Widgets of page whose text is cut short: narrower than their text needs, or table columns
// narrower than their header's text.
QStringList cutTexts(QWidget* page)
{
    QStringList cut;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isVisible())
            continue;
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap())
            text = l->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w))
            text = g->title();
        if (!text.trimmed().isEmpty() && w->width() < w->minimumSizeHint().width())
            cut << QStringLiteral("\"%1\": %2 < %3")
                       .arg(text)
                       .arg(w->width())
                       .arg(w->minimumSizeHint().width());
    }
    for (QHeaderView* header : page->findChildren<QHeaderView*>()) {
        if (!header->isVisible() || header->orientation() != Qt::Horizontal)
            continue;
        const QAbstractItemModel* model = header->model();
        for (int c = 0; c < header->count(); ++c) {
            const QString text = model->headerData(c, Qt::Horizontal).toString();
            // A header item may have a font of its own (the panels' headers are bold).
            const QVariant font = model->headerData(c, Qt::Horizontal, Qt::FontRole);
            const QFontMetrics metrics(font.isValid() ? font.value<QFont>() : header->font());
            const int needs = metrics.horizontalAdvance(text);
            if (!header->isSectionHidden(c) && header->sectionSize(c) < needs)
                cut << QStringLiteral("header \"%1\": %2 < %3")
                           .arg(text)
                           .arg(header->sectionSize(c))
                           .arg(needs);
        }
    }
    return cut;
}

} // namespace

class TestLanguage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<QList<int>>("QList<int>"); }

    void choose_data()
    {
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<QStringList>("translated");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("entry");
        const QStringList en = {"en"};
        QTest::newRow("zh_CN") << QStringList{"zh-CN", "zh", "zh-Hans-CN"} << en << "zh"
                               << "zh-CN";
        QTest::newRow("zh, underscored") << QStringList{"zh_CN"} << en << "zh"
                                         << "zh_CN";
        QTest::newRow("en_US") << QStringList{"en-US", "en"} << en << "en"
                               << "en-US";
        QTest::newRow("EN-gb") << QStringList{"EN-gb"} << en << "en"
                               << "EN-gb";
        QTest::newRow("C") << QStringList{"C"} << en << "en"
                           << "";
        QTest::newRow("POSIX") << QStringList{"POSIX"} << en << "en"
                               << "";
        QTest::newRow("C before zh") << QStringList{"C", "zh"} << en << "en"
                                     << "";
        QTest::newRow("nothing") << QStringList{} << en << "en"
                                 << "";
        QTest::newRow("fr alone") << QStringList{"fr-FR", "fr"} << en << "en"
                                  << "";
        QTest::newRow("fr, then zh") << QStringList{"fr-FR", "fr", "zh-CN"} << en << "zh"
                                     << "zh-CN";
        QTest::newRow("de, then en, zh") << QStringList{"de", "en", "zh"} << en << "en"
                                         << "en";
        QTest::newRow("de translated")
            << QStringList{"de-AT", "de"} << QStringList{"en", "de"} << "de"
            << "de-AT";
        QTest::newRow("country's own first")
            << QStringList{"pt-BR"} << QStringList{"pt", "pt_BR"} << "pt_BR"
            << "pt-BR";
    }

    void choose()
    {
        QFETCH(QStringList, preferred);
        QFETCH(QStringList, translated);
        QFETCH(QString, language);
        QFETCH(QString, entry);
        const UiLanguage::Choice choice = UiLanguage::choose(preferred, translated);
        QCOMPARE(choice.language, language);
        QCOMPARE(choice.entry, entry);
    }

    void environmentChooses_data()
    {
        QTest::addColumn<QStringList>("variables");
        QTest::addColumn<bool>("english");
        QTest::newRow("LANGUAGE=en over zh_CN")
            << QStringList{"LANGUAGE=en", "LANG=zh_CN.UTF-8"} << true;
        QTest::newRow("LANGUAGE=zh_CN over C") << QStringList{"LANGUAGE=zh_CN", "LANG=C"} << false;
        QTest::newRow("LANGUAGE=fr:zh_CN") << QStringList{"LANGUAGE=fr:zh_CN", "LANG=C"} << false;
        QTest::newRow("LANGUAGE=de") << QStringList{"LANGUAGE=de", "LANG=zh_CN.UTF-8"} << true;
        QTest::newRow("LC_ALL over LANG")
            << QStringList{"LC_ALL=zh_CN.UTF-8", "LANG=en_US.UTF-8"} << false;
        QTest::newRow("LC_ALL=C over LANG") << QStringList{"LC_ALL=C", "LANG=zh_CN.UTF-8"} << true;
        QTest::newRow("LC_MESSAGES over LANG")
            << QStringList{"LC_MESSAGES=zh_CN.UTF-8", "LANG=en_US.UTF-8"} << false;
        QTest::newRow("LANG=zh_CN") << QStringList{"LANG=zh_CN.UTF-8"} << false;
        QTest::newRow("LANG=C") << QStringList{"LANG=C"} << true;
        QTest::newRow("nothing set") << QStringList{} << true;
    }

    // tavtool passes the readers' messages on in the language the environment asks for,
    // as the viewer shows them.
    void environmentChooses()
    {
        QFETCH(QStringList, variables);
        QFETCH(bool, english);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
            env.remove(QLatin1String(name));
        for (const QString& v : variables)
            env.insert(v.section(QLatin1Char('='), 0, 0), v.section(QLatin1Char('='), 1));
        const QString missing = QStringLiteral("/nonexistent/gone.tavdata");
        const TestUtil::ProgramRun run = TestUtil::tavtool({"dump", missing}, env);
        QCOMPARE(run.code, 1);
        const QString said = QString::fromUtf8(run.out + run.err);
        const QString expected = english ? missing + QStringLiteral(": wrong path or not readable")
                                         : missing + QStringLiteral(" 路径错误或不可读取");
        QVERIFY2(said.contains(expected), qPrintable(said));
    }

    void qtTexts_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("qtFile"); // Qt's translation the language needs, if any
        QTest::newRow("zh_CN") << "zh_CN"
                               << "qtbase_zh_CN.qm";
        QTest::newRow("zh_TW") << "zh_TW"
                               << "qtbase_zh_TW.qm";
        QTest::newRow("en_US") << "en_US"
                               << "";
        QTest::newRow("C") << "C"
                           << "";
    }

    // A message box's button speaks the interface's language: Chinese through Qt's own
    // translations where they are installed, English (Qt's own texts) otherwise.
    void qtTexts()
    {
        QFETCH(QString, language);
        QFETCH(QString, qtFile);
        const QDir qtTranslations(QLibraryInfo::location(QLibraryInfo::TranslationsPath));
        if (!qtFile.isEmpty() && !qtTranslations.exists(qtFile))
            QSKIP("Qt's translations are not installed (Debian package qttranslations5-l10n)");
        const UiLanguage ui({language});
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Ostrel"), QString(), QMessageBox::Ok);
        const QString ok = box.button(QMessageBox::Ok)->text().remove(QLatin1Char('&'));
        if (qtFile.isEmpty()) {
            QCOMPARE(ok, QStringLiteral("OK"));
        } else {
            QVERIFY2(ok != QLatin1String("OK") && ok.contains(QRegularExpression("\\p{Han}")),
                     qPrintable(ok));
        }
    }

    void window_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("openText");
        QTest::addColumn<QString>("nameHeader");
        QTest::addColumn<QString>("readDone");
        QTest::newRow("zh") << "zh_CN"
                            << "打开文件"
                            << "名称"
                            << " 读取完成！";
        QTest::newRow("en") << "en_US"
                            << "Open file"
                            << "Name"
                            << ": reading finished.";
    }

    // The window in the language asked for: its buttons, tables and the messages the worker
    // sends; every text whole on every side-panel page.
    void window()
    {
        QFETCH(QString, language);
        QFETCH(QString, openText);
        QFETCH(QString, nameHeader);
        QFETCH(QString, readDone);
        // Before the window, whose canvas starts the worker.
        const UiLanguage ui({language});
        QCOMPARE(ui.language(), language.left(2));
        OstrelViewer v(samplePath());
        QVERIFY(v.show(1280, 800));
        QVERIFY(v.waitRead());
        QVERIFY2(v.w.statusLabel->text().contains(readDone), qPrintable(v.w.statusLabel->text()));

        QStringList buttons;
        for (const QAbstractButton* b : v.w.findChildren<VyIconButton*>())
            buttons << b->text();
        QVERIFY2(buttons.contains(openText), qPrintable(buttons.join(QLatin1Char('|'))));
        QCOMPARE(v.w.tabCurve->horizontalHeaderItem(1)->text(), nameHeader);

        auto* tabs = v.w.findChild<QTabWidget*>();
        QVERIFY(tabs);
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            QCoreApplication::processEvents();
            const QStringList cut = cutTexts(tabs->widget(page));
            QVERIFY2(cut.isEmpty(), qPrintable(QStringLiteral("page %1: ").arg(page) +
                                               cut.join(QStringLiteral("; "))));
        }
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
