// The language model reader's rules, for fuzz_model and the corpus replay.
#include "fuzzchecks.h"

#include "languagemodel.h"
#include "referencecipher.h"

#include <QBuffer>
#include <QByteArray>
#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

using Cryptanalysis::LanguageModel;

namespace {

constexpr int ChecksumSize = 32;
constexpr int ScoresOffset = 8 + 5 * 4;

// A model file as `homophonic model` writes one, from a corpus of a few
// sentences; made once, it is the base of every patched input.
const QByteArray &validModelFile()
{
    static const QByteArray file = [] {
        Cryptanalysis::NgramCounts counts;
        counts.addText(QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю.\n"
                                      "В чащах юга жил бы цитрус? Да, но фальшивый экземпляр!\n"
                                      "Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства."));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        LanguageModel::fromCounts(counts).write(buffer, nullptr);
        return buffer.data();
    }();
    return file;
}

QByteArray patchedModelFile(const std::uint8_t *data, std::size_t size)
{
    QByteArray file = validModelFile();
    const int fileSize = file.size();
    int firstOffset = -1;
    std::size_t at = 1;
    while (at + 4 <= size) {
        const int offset = int((data[at] | data[at + 1] << 8 | data[at + 2] << 16) % fileSize);
        const int length = int(qMin<std::size_t>(data[at + 3], size - at - 4));
        at += 4;
        if (firstOffset < 0)
            firstOffset = offset;
        file.replace(offset, qMin(length, fileSize - offset), reinterpret_cast<const char *>(data + at), length);
        file.truncate(fileSize);
        at += std::size_t(length);
    }
    if (data[0] & 4 && firstOffset >= 0)
        file.truncate(firstOffset);
    if (data[0] & 2 && file.size() >= ChecksumSize) {
        file.chop(ChecksumSize);
        file += QCryptographicHash::hash(file, QCryptographicHash::Sha256);
    }
    return file;
}

} // namespace

QString checkModelInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return QString();
    const QByteArray file = data[0] & 1 ? patchedModelFile(data, size)
                                        : QByteArray(reinterpret_cast<const char *>(data) + 1, int(size - 1));
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    LanguageModel model;
    QString error;
    if (!model.read(buffer, &error)) {
        if (error.isEmpty())
            return QStringLiteral("refused without a reason");
        if (model.isValid())
            return QStringLiteral("refused (%1) but valid").arg(error);
        if (file == validModelFile())
            return QStringLiteral("refused a model as it was written: ") + error;
        return QString();
    }

    const std::int16_t *scores = model.scores();
    const std::int16_t *const end = scores + Cryptanalysis::NgramTableSize;
    std::vector<std::int16_t> written(Cryptanalysis::NgramTableSize);
    qFromLittleEndian<std::int16_t>(file.constData() + ScoresOffset, Cryptanalysis::NgramTableSize, written.data());
    const auto differs = std::mismatch(scores, end, written.cbegin());
    if (differs.first != end)
        return QStringLiteral("n-gram %1 read as %2, written as %3")
            .arg(differs.first - scores).arg(*differs.first).arg(*differs.second);
    const auto positive = std::find_if(scores, end, [](std::int16_t score) { return score > 0; });
    if (positive != end)
        return QStringLiteral("accepted n-gram %1 with the score %2, above a probability of 1")
            .arg(positive - scores).arg(*positive);
    // Texts from the input itself, read as Windows-1251 and as UTF-16.
    QString units(int(size / 2), Qt::Uninitialized);
    std::memcpy(units.data(), data, std::size_t(units.size()) * 2);
    const QString texts[] = {
        referenceDecode(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)),
                        QStringLiteral("windows-1251")),
        units,
        QStringLiteral("СЪЕШЬ ЖЕ ЕЩЁ ЭТИХ МЯГКИХ ФРАНЦУЗСКИХ БУЛОК"),
    };
    for (const QString &text : texts) {
        const double average = model.averageScore(text);
        if (!std::isfinite(average) || average > 0 || average < -32.768)
            return QStringLiteral("a text scored %1 nats a symbol").arg(average);
    }
    return QString();
}
