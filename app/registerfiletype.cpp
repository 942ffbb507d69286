#include "registerfiletype.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLoggingCategory>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextCodec>

// Debug lines of the file-type registration; off unless "ostrel.registration.debug=true".
Q_LOGGING_CATEGORY(lcRegistration, "ostrel.registration", QtInfoMsg)

namespace {

const int kProcessWaitMs = 30000;

// The type's name in the registry and in Chinese desktops: the registry keeps one text, in
// the locale's code page, so it stays the Chinese users read.
QString description()
{
    return QStringLiteral("TAV试验箱数据文件");
}

// The type's name in every other language of a desktop that reads the MIME package.
QString englishDescription()
{
    return QStringLiteral("TAV test chamber data file");
}

QString scriptFileName()
{
    return QStringLiteral("registry_tavData.reg");
}

void writeScriptFile(const QString& appDir)
{
    QFile file(scriptFileName());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qCDebug(lcRegistration) << "Ostrel::registerFileType: cannot write" << file.fileName();
        return;
    }
    file.write(registryScript(appDir));
}

#ifdef Q_OS_WIN
FileTypeRegistration importScript()
{
    QProcess process;
    process.start(QStringLiteral("cmd.exe"),
                  {QStringLiteral("/c"), QStringLiteral("regedit"),
                   QDir::toNativeSeparators(QFileInfo(scriptFileName()).absoluteFilePath())});
    process.waitForStarted(kProcessWaitMs);
    const bool finished = process.waitForFinished(kProcessWaitMs);
    qCDebug(lcRegistration).noquote()
        << "Ostrel::registerFileType" << QString::fromLocal8Bit(process.readAllStandardOutput());
    if (finished)
        return {true,
                QCoreApplication::translate("FileTypeRegistration", "已将 %1 交给注册表编辑器")
                    .arg(scriptFileName())};
    return {false, QCoreApplication::translate("FileTypeRegistration", "注册表编辑器未能运行")};
}
#else
// Runs program with bounded waits and logs what it printed. A program that is not
// installed counts as done: each of these tools only refreshes a cache or a default.
bool runTool(const QString& program, const QStringList& args)
{
    const QString exe = QStandardPaths::findExecutable(program);
    if (exe.isEmpty()) {
        qCDebug(lcRegistration) << "Ostrel::registerFileType:" << program << "not found, skipped";
        return true;
    }
    QProcess process;
    process.start(exe, args);
    process.waitForStarted(kProcessWaitMs);
    const bool finished = process.waitForFinished(kProcessWaitMs);
    qCDebug(lcRegistration).noquote()
        << "Ostrel::registerFileType:" << program << args.join(QLatin1Char(' '))
        << QString::fromLocal8Bit(process.readAllStandardOutput())
        << QString::fromLocal8Bit(process.readAllStandardError());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

FileTypeRegistration importScript()
{
    namespace DI = DesktopIntegration;
    const QString home = DI::dataHome();
    const QString program = QCoreApplication::applicationFilePath();
    QString error;
    if (!DI::writeFiles(home, program, QCoreApplication::applicationDirPath(), &error)) {
        qCDebug(lcRegistration) << "Ostrel::registerFileType:" << error;
        return {false,
                QCoreApplication::translate("FileTypeRegistration", "注册.tavdata文件格式失败：%1")
                    .arg(error)};
    }
    QStringList failed;
    if (!runTool(QStringLiteral("update-mime-database"), {home + QStringLiteral("/mime")}))
        failed << QStringLiteral("update-mime-database");
    if (!runTool(QStringLiteral("update-desktop-database"),
                 {home + QStringLiteral("/applications")}))
        failed << QStringLiteral("update-desktop-database");
    if (!runTool(QStringLiteral("xdg-mime"),
                 {QStringLiteral("default"), DI::desktopFileName(), DI::mimeType()}))
        failed << QStringLiteral("xdg-mime");
    if (!failed.isEmpty())
        return {false,
                QCoreApplication::translate("FileTypeRegistration", "注册.tavdata文件格式失败：%1")
                    .arg(failed.join(QLatin1Char(' ')))};
    return {true, QCoreApplication::translate("FileTypeRegistration", "已注册.tavdata文件格式")};
}
#endif

// The quoting rules of the Exec key: these characters force the argument into quotes.
bool needsQuotes(const QString& word)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    for (const QChar c : word)
        if (reserved.contains(c))
            return true;
    return word.isEmpty();
}

QString quoted(const QString& word)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : word) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out + QLatin1Char('"');
}

// The string-value escapes every desktop-entry value goes through.
QString escapedValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (error)
        *error = QCoreApplication::translate("FileTypeRegistration", "无法写入 %1")
                     .arg(QDir::toNativeSeparators(path));
    return false;
}

const int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The largest picture an icon file holds (an .ico carries several).
QImage largestImage(const QString& path)
{
    QImageReader reader(path);
    QImage best;
    for (int i = 0; i < qMax(1, reader.imageCount()); ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage image = reader.read();
        if (image.width() > best.width())
            best = image;
    }
    return best;
}

bool writeIconSet(const QString& dataHome, const QString& context, const QString& name,
                  const QImage& source, QString* error)
{
    for (const int size : kIconSizes) {
        const QString sizeDir = QString::number(size) + QLatin1Char('x') + QString::number(size);
        const QString path = dataHome + QStringLiteral("/icons/hicolor/") + sizeDir +
                             QLatin1Char('/') + context + QLatin1Char('/') + name +
                             QStringLiteral(".png");
        QDir().mkpath(QFileInfo(path).absolutePath());
        const QImage image =
            source.width() == size
                ? source
                : source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (!image.save(path, "PNG")) {
            if (error)
                *error = QCoreApplication::translate("FileTypeRegistration", "无法写入 %1")
                             .arg(QDir::toNativeSeparators(path));
            return false;
        }
    }
    return true;
}

bool writeIcons(const QString& dataHome, const QString& appDir, QString* error)
{
    namespace DI = DesktopIntegration;
    const QImage logo(QStringLiteral(":/pngs/ostrel.png"));
    QImage typeIcon = largestImage(QDir(appDir).filePath(QStringLiteral("tavdata.ico")));
    if (typeIcon.isNull())
        typeIcon = logo;
    if (logo.isNull()) {
        qCDebug(lcRegistration) << "Ostrel::registerFileType: no logo to install";
        return true;
    }
    return writeIconSet(dataHome, QStringLiteral("apps"), DI::appIconName(), logo, error) &&
           writeIconSet(dataHome, QStringLiteral("mimetypes"), DI::mimeIconName(), typeIcon, error);
}

} // namespace

FileTypeRegistration registerFileType()
{
    const QString appDir = QCoreApplication::applicationDirPath();
    qCDebug(lcRegistration) << "Ostrel::registerFileType" << appDir;
    writeScriptFile(appDir);
    const FileTypeRegistration result = importScript();
    qCDebug(lcRegistration) << "Ostrel::registerFileType:" << result.ok << result.message;
    return result;
}

QString registryValuePath(const QString& appDir, const QString& fileName)
{
    QString path = QDir::toNativeSeparators(QDir(appDir).filePath(fileName));
    // The script is for the Windows registry, whatever system writes it.
    path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    path.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return path;
}

QByteArray registryScript(const QString& appDir, QTextCodec* codec)
{
    if (!codec)
        codec = QTextCodec::codecForLocale();
    const QString icon = registryValuePath(appDir, QStringLiteral("tavdata.ico"));
    const QString program = registryValuePath(appDir, QStringLiteral("ostrel.exe"));
    const QStringList lines = {
        QStringLiteral("REGEDIT4"),
        QString(),
        QStringLiteral("[-HKEY_CLASSES_ROOT\\.tavdata]"),
        QString(),
        QStringLiteral("REGEDIT4"),
        QString(),
        QStringLiteral("[-HKEY_CLASSES_ROOT\\TAV.ChamberData]"),
        QString(),
        QStringLiteral("REGEDIT4"),
        QString(),
        QStringLiteral("[HKEY_CLASSES_ROOT\\.tavdata]"),
        QStringLiteral("@=\"TAV.ChamberData\""),
        QString(),
        QStringLiteral("REGEDIT4"),
        QString(),
        QStringLiteral("[HKEY_CLASSES_ROOT\\TAV.ChamberData]"),
        QStringLiteral("@=\"") + description() + QLatin1Char('"'),
        QString(),
        QStringLiteral("REGEDIT4"),
        QString(),
        QStringLiteral("[HKEY_CLASSES_ROOT\\TAV.ChamberData\\DefaultIcon]"),
        QStringLiteral("@=\"") + icon + QLatin1Char('"'),
        QString(),
        QStringLiteral("REGEDIT4"),
        QString(),
        QStringLiteral("[HKEY_CLASSES_ROOT\\TAV.ChamberData\\shell\\open\\Command]"),
        QStringLiteral("@=\"\\\"") + program + QStringLiteral("\\\" \\\"%1\\\"\""),
        QString(),
    };
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1Char('\n');
    return codec->fromUnicode(text);
}

namespace DesktopIntegration {

QString mimeType()
{
    return QStringLiteral("application/x-tavdata");
}

QString mimeIconName()
{
    return QStringLiteral("application-x-tavdata");
}

QString appIconName()
{
    return QStringLiteral("ostrel");
}

QString desktopFileName()
{
    return QStringLiteral("ostrel.desktop");
}

QString mimePackageName()
{
    return QStringLiteral("ostrel.xml");
}

QByteArray mimePackage()
{
    const QString xml =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"%1\">\n"
            "    <comment>%2</comment>\n"
            "    <comment xml:lang=\"zh_CN\">%3</comment>\n"
            "    <icon name=\"%4\"/>\n"
            "    <glob pattern=\"*.tavdata\"/>\n"
            "  </mime-type>\n"
            "</mime-info>\n")
            .arg(mimeType(), englishDescription(), description(), mimeIconName());
    return xml.toUtf8();
}

QString execWord(const QString& program)
{
    QString word = program;
    word.replace(QLatin1Char('%'), QLatin1String("%%"));
    if (needsQuotes(word))
        word = quoted(word);
    return escapedValue(word);
}

QByteArray desktopEntry(const QString& program)
{
    // The names, the comment and the search words in English and in Chinese; a desktop
    // shows the ones of its own language.
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Ostrel\n"
                                         "Name[zh_CN]=Ostrel\n"
                                         "GenericName=Chamber Data Viewer\n"
                                         "GenericName[zh_CN]=试验箱数据查看器\n"
                                         "Comment=View environmental test chamber recordings\n"
                                         "Comment[zh_CN]=查看环境试验箱记录的数据\n"
                                         "Keywords=test chamber;climate chamber;temperature;"
                                         "humidity;recording;curve;tavdata;\n"
                                         "Keywords[zh_CN]=试验箱;环境试验;温度;湿度;记录;曲线;\n"
                                         "Exec=%1 %f\n"
                                         "Icon=%2\n"
                                         "Terminal=false\n"
                                         "Categories=Science;DataVisualization;\n"
                                         "MimeType=%3;\n")
                              .arg(execWord(program), appIconName(), mimeType());
    return entry.toUtf8();
}

bool writeFiles(const QString& dataHome, const QString& program, const QString& appDir,
                QString* error)
{
    const QDir home(dataHome);
    return writeFile(home.filePath(QStringLiteral("mime/packages/") + mimePackageName()),
                     mimePackage(), error) &&
           writeFile(home.filePath(QStringLiteral("applications/") + desktopFileName()),
                     desktopEntry(program), error) &&
           writeIcons(dataHome, appDir, error);
}

QString dataHome()
{
    const QString env = qEnvironmentVariable("XDG_DATA_HOME");
    if (!env.isEmpty() && QDir::isAbsolutePath(env))
        return QDir::cleanPath(env);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

} // namespace DesktopIntegration
