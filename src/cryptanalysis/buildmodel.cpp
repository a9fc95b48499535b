// build-language-model CORPUS MODEL: counts the corpus and writes the model.
#include "languagemodel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 3) {
        err << QStringLiteral("Использование: build-language-model КОРПУС МОДЕЛЬ") << Qt::endl;
        return 2;
    }
    QFile corpus(arguments.at(1));
    if (!corpus.open(QIODevice::ReadOnly)) {
        err << QStringLiteral("Не удалось открыть корпус «%1»: %2")
                   .arg(QDir::toNativeSeparators(corpus.fileName()), corpus.errorString())
            << Qt::endl;
        return 1;
    }
    Cryptanalysis::NgramCounts counts;
    QString error;
    if (!counts.addCorpus(corpus, &error)) {
        err << QStringLiteral("Корпус «%1»: %2").arg(QDir::toNativeSeparators(corpus.fileName()), error) << Qt::endl;
        return 1;
    }
    const Cryptanalysis::LanguageModel model = Cryptanalysis::LanguageModel::fromCounts(counts);
    if (!model.save(arguments.at(2), &error)) {
        err << error << Qt::endl;
        return 1;
    }
    err << QStringLiteral("Модель построена: %1 символов корпуса").arg(counts.symbolTotal()) << Qt::endl;
    return 0;
}
