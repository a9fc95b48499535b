// Replays the fuzz targets' corpora, seeds and the reproducers of past
// findings alike, through the checks that the targets run, so that an
// ordinary build keeps every rule they once confirmed.
#include "fuzzchecks.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {

using Check = QString (*)(const std::uint8_t *, std::size_t);

struct Target
{
    const char *name;
    Check check;
};

const Target targets[] = {
    { "decrypt", checkDecryptInput },
    { "cipherlines", checkCipherLinesInput },
    { "keyfile", checkKeyFileInput },
    { "model", checkModelInput },
    { "crack", checkCrackInput },
    { "familykeys", checkFamilyKeyFileInput },
    { "symbollines", checkSymbolLinesInput },
    { "familyattack", checkFamilyAttackInput },
};

QDir corpusOf(const Target &target)
{
    return QDir(QStringLiteral(FUZZ_CORPUS_DIR "/") + QLatin1String(target.name));
}

} // namespace

class FuzzCorpusTest : public QObject
{
    Q_OBJECT

private slots:
    void everyTargetHasACorpus_data();
    void everyTargetHasACorpus();
    void inputKeepsEveryRule_data();
    void inputKeepsEveryRule();
};

void FuzzCorpusTest::everyTargetHasACorpus_data()
{
    QTest::addColumn<int>("target");
    for (int i = 0; i < int(std::size(targets)); ++i)
        QTest::newRow(targets[i].name) << i;
}

void FuzzCorpusTest::everyTargetHasACorpus()
{
    QFETCH(int, target);
    const QDir dir = corpusOf(targets[target]);
    QVERIFY2(dir.count() > 2 + 3, qPrintable(dir.path()));
}

void FuzzCorpusTest::inputKeepsEveryRule_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("path");
    for (int i = 0; i < int(std::size(targets)); ++i) {
        const QDir dir = corpusOf(targets[i]);
        for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
            QString description = name;
            description.replace(QLatin1Char('_'), QLatin1Char(' '));
            QTest::addRow("%s: %s", targets[i].name, qPrintable(description)) << i << dir.filePath(name);
        }
    }
}

void FuzzCorpusTest::inputKeepsEveryRule()
{
    QFETCH(int, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    const QByteArray input = file.readAll();
    const QString failure = targets[target].check(reinterpret_cast<const std::uint8_t *>(input.constData()),
                                                  std::size_t(input.size()));
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

QTEST_GUILESS_MAIN(FuzzCorpusTest)
#include "tst_fuzzcorpus.moc"
