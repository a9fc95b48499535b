// Qt's own reasons inside the tool's messages read in Russian: the tool loads
// Qt's Russian translation, as the lab does for its buttons and dialogs.
#include "clirunner.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

class QtTranslationTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void qtReasonsReadInRussian_data();
    void qtReasonsReadInRussian();

private:
    QTemporaryDir m_dir;
    QString m_directoryReason;
};

void QtTranslationTest::initTestCase()
{
    // What the translation itself says, looked up here without the tool.
    QTranslator translation;
    QVERIFY2(translation.load(QStringLiteral("qtbase_ru"), QLibraryInfo::location(QLibraryInfo::TranslationsPath)),
             "qtbase_ru.qm is missing: install qttranslations5-l10n");
    m_directoryReason = translation.translate("QIODevice", "file to open is a directory");
    QVERIFY(!m_directoryReason.isEmpty());
    QVERIFY(m_directoryReason.contains(QStringLiteral("каталог")));
}

void QtTranslationTest::qtReasonsReadInRussian_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString folder = m_dir.path();
    QTest::newRow("crack with a folder for a model")
        << QStringList{QStringLiteral("crack"), QStringLiteral("--model"), folder}
        << QStringLiteral("модель языка не загружена: ");
    QTest::newRow("encrypt reading a folder")
        << QStringList{QStringLiteral("encrypt"), QStringLiteral("-k"), QStringLiteral("1"), QStringLiteral("-i"), folder}
        << QStringLiteral("не удалось открыть файл");
    QTest::newRow("a folder for a key file")
        << QStringList{QStringLiteral("table"), QStringLiteral("--table"), folder}
        << QStringLiteral("не удалось открыть файл ключа");
}

void QtTranslationTest::qtReasonsReadInRussian()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const Run run = runCli(arguments, QByteArray("12 34\n"));
    QVERIFY2(run.exitCode == 1 || run.exitCode == 2, qPrintable(run.err));
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY2(run.err.contains(m_directoryReason), qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("file to open is a directory")), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(QtTranslationTest)
#include "tst_qttranslation.moc"
