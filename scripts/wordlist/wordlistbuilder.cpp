// Packs the word forms of a hunspell dictionary into the word list the
// monoalphabetic attack reads (wordlist.h): every stem of the .dic file with
// every suffix its flags allow by the .aff file's SFX rules. Only what the
// Russian dictionary uses is read: one-letter flags, suffixes without
// flags of their own, conditions of letters, '.' and [sets]. (hunspell's
// own unmunch drops the forms whose condition is longer than four letters,
// such as every -уется of the -оваться verbs.) Forms with anything but
// letters, such as a hyphen, are left out.
//
//   wordlistbuilder ru_RU.dic ru_RU.aff OUTPUT
#include "wordlist.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QTextStream>

#include <cstdio>
#include <vector>

namespace {

struct Suffix
{
    QString strip; // taken off the stem's end
    QString affix; // put on instead
    // Each letter of the stem's end in turn: the letters it may be, or
    // those it may not be when negated; an empty set is any letter.
    struct Place
    {
        QString letters;
        bool negated = false;
    };
    std::vector<Place> condition;

    bool applies(const QString &stem) const
    {
        if (stem.size() < int(condition.size()) || !stem.endsWith(strip) || stem.size() <= strip.size())
            return false;
        const int start = stem.size() - int(condition.size());
        for (size_t i = 0; i < condition.size(); ++i) {
            const Place &place = condition[i];
            if (place.letters.isEmpty())
                continue;
            if (place.letters.contains(stem.at(start + int(i))) == place.negated)
                return false;
        }
        return true;
    }
};

std::vector<Suffix::Place> conditionOf(const QString &text)
{
    std::vector<Suffix::Place> places;
    for (int i = 0; i < text.size(); ++i) {
        Suffix::Place place;
        if (text.at(i) == QLatin1Char('[')) {
            const int close = text.indexOf(QLatin1Char(']'), i);
            place.negated = text.at(i + 1) == QLatin1Char('^');
            place.letters = text.mid(i + 1 + place.negated, close - i - 1 - place.negated);
            i = close;
        } else if (text.at(i) != QLatin1Char('.')) {
            place.letters = text.at(i);
        }
        places.push_back(place);
    }
    return places;
}

QStringList linesOf(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = path + QStringLiteral(": ") + file.errorString();
        return {};
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    QStringList lines;
    QString line;
    while (stream.readLineInto(&line))
        lines << line;
    return lines;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() != 4) {
        std::fputs("usage: wordlistbuilder DICTIONARY.dic AFFIXES.aff OUTPUT\n", stderr);
        return 2;
    }
    QString error;
    const QStringList stems = linesOf(arguments.at(1), &error);
    const QStringList rules = error.isEmpty() ? linesOf(arguments.at(2), &error) : QStringList();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    QHash<QChar, std::vector<Suffix>> suffixes;
    for (const QString &rule : rules) {
        const QStringList fields = rule.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        // "SFX flag strip affix condition"; the flag's header has four fields.
        if (fields.size() < 5 || fields.at(0) != QLatin1String("SFX"))
            continue;
        const auto bare = [](const QString &field) { return field == QLatin1String("0") ? QString() : field; };
        suffixes[fields.at(1).at(0)].push_back({ bare(fields.at(2)), bare(fields.at(3)), conditionOf(fields.at(4)) });
    }

    QStringList forms;
    // The first line counts the stems.
    for (int i = 1; i < stems.size(); ++i) {
        const QString stem = stems.at(i).section(QLatin1Char('/'), 0, 0).trimmed();
        const QString flags = stems.at(i).section(QLatin1Char('/'), 1).trimmed();
        forms << stem;
        for (const QChar flag : flags) {
            for (const Suffix &suffix : suffixes.value(flag)) {
                if (suffix.applies(stem))
                    forms << stem.left(stem.size() - suffix.strip.size()) + suffix.affix;
            }
        }
    }

    const Cryptanalysis::WordList words = Cryptanalysis::WordList::fromWords(forms);
    if (!words.save(arguments.at(3), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%d words of %d forms from %d stems\n", words.size(), int(forms.size()), int(stems.size()) - 1);
    return 0;
}
