#include "labcipher.h"

#include "filecipher.h"
#include "keytable.h"
#include "textencoding.h"

#include <QBuffer>
#include <QThread>

QString cipherWholeText(const QString &text, const LabCipherRequest &request)
{
    // The tool's own pipeline, over buffers in UTF-8, which holds every
    // character of an editor.
    QBuffer input;
    input.setData(text.toUtf8());
    input.open(QIODevice::ReadOnly);
    QBuffer output;
    output.open(QIODevice::WriteOnly);

    CipherJob job;
    job.direction = request.direction == LabCipherRequest::Direction::Encrypt ? CipherJob::Direction::Encrypt
                                                                             : CipherJob::Direction::Decrypt;
    job.alphabetCount = request.alphabetCount;
    job.encoding = TextEncoding::utf8();
    job.table = &request.table;
    job.jobs = qMax(1, QThread::idealThreadCount());
    std::optional<SymbolCipher> symbols;
    if (request.symbolKey) {
        symbols.emplace(*request.symbolKey);
        job.symbolCipher = &*symbols;
    }
    std::optional<QRandomGenerator> seeded;
    std::optional<RandomCodeChoice> choice;
    if (request.randomSeed && job.direction == CipherJob::Direction::Encrypt) {
        seeded.emplace(seededGenerator(*request.randomSeed));
        choice.emplace(*seeded);
        job.randomChoice = &*choice;
    }
    cipherLines(input, output, job);
    return QString::fromUtf8(output.data());
}
