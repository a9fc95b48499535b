#include "options.h"

#include "cipherfamily.h"

#include <QtGlobal>

#include <utility>

namespace {

// One entry of the table below, written as one expression.
struct Declare : OptionDeclaration
{
    Declare(QStringList names, QString valueName, QString description)
    {
        this->names = std::move(names);
        this->valueName = std::move(valueName);
        this->description = std::move(description);
    }
    Declare &takenBy(QStringList names)
    {
        commands = std::move(names);
        return *this;
    }
    Declare &neededIn(QStringList names)
    {
        neededBy = std::move(names);
        return *this;
    }
    Declare &offering(QStringList offered)
    {
        values = std::move(offered);
        return *this;
    }
    Declare &onlyOffered()
    {
        onlyListedValues = true;
        return *this;
    }
    Declare &repeating()
    {
        repeats = true;
        return *this;
    }
    Declare &namingFile()
    {
        fileName = true;
        return *this;
    }
};

QList<OptionDeclaration> declarations()
{
    const QString encrypt = QStringLiteral("encrypt");
    const QString decrypt = QStringLiteral("decrypt");
    const QString table = QStringLiteral("table");
    const QString keygen = QStringLiteral("keygen");
    const QString analyze = QStringLiteral("analyze");
    const QString crack = QStringLiteral("crack");
    const QString model = QStringLiteral("model");
    const QString file = QStringLiteral("ФАЙЛ");
    QStringList familyNames;
    QStringList familyTitles;
    for (const CipherFamily *family : cipherFamilies()) {
        familyNames << family->name();
        familyTitles << QStringLiteral("%1 (%2%3)")
                            .arg(family->name(), family->title(),
                                 family->isHomophonic() ? QStringLiteral(", по умолчанию") : QString());
    }
    const QStringList keyed { encrypt, decrypt };

    return {
        Declare({ QStringLiteral("cipher") }, QStringLiteral("ШИФР"),
                QStringLiteral("шифр: ") + listed(familyTitles, QStringLiteral("или"))
                    + QStringLiteral("; crack вскрывает шифр этого вида"))
            .takenBy({ encrypt, decrypt, keygen, crack })
            .offering(familyNames)
            .onlyOffered(),
        Declare({ QStringLiteral("key-file") }, file,
                QStringLiteral("ключ шифра из файла ключа (его делает keygen --cipher); для гомофонической замены "
                               "то же, что --table"))
            .takenBy({ encrypt, decrypt, table, analyze })
            .namingFile(),
        Declare({ QStringLiteral("keyword") }, QStringLiteral("СЛОВО"),
                QStringLiteral("ключевое слово: mono — алфавит замены (буквы слова без повторов, затем остальные "
                               "по порядку); vigenere, beaufort, autokey — сдвиги (␣ — 0, А — 1, …, Я — 31); "
                               "playfair — прямоугольник 4 × 8, заполненный так же по строкам (все 32 символа — "
                               "прямоугольник целиком); two-square — два слова, --keyword ПЕРВОЕ --keyword ВТОРОЕ; "
                               "hill — 4 или 9 символов, их номера — матрица по строкам"))
            .takenBy(keyed)
            .repeating(),
        Declare({ QStringLiteral("matrix") }, QStringLiteral("МАТРИЦА"),
                QStringLiteral("hill: матрица 2 × 2 или 3 × 3 по строкам, строки через точку с запятой, например "
                               "\"3 5; 2 7\"; определитель по модулю 32 нечётный"))
            .takenBy(keyed),
        Declare({ QStringLiteral("filler") }, QStringLiteral("СИМВОЛ"),
                QStringLiteral("playfair, two-square, hill: заполнитель — встаёт между одинаковыми символами пары "
                               "(playfair) и дополняет последний блок строки; по умолчанию Ъ, а между двумя Ъ — Ы "
                               "(символ, следующий за заполнителем)"))
            .takenBy({ encrypt, decrypt, keygen }),
        Declare({ QStringLiteral("shift") }, QStringLiteral("N"),
                QStringLiteral("mono: шифр Цезаря, каждый символ сдвигается на N, от 0 до 31"))
            .takenBy(keyed),
        Declare({ QStringLiteral("affine") }, QStringLiteral("A,B"),
                QStringLiteral("mono: аффинный шифр, символ x заменяется символом A·x + B по модулю 32; A "
                               "нечётное, A и B от 0 до 31"))
            .takenBy(keyed),
        Declare({ QStringLiteral("digits") }, QStringLiteral("ЦИФРЫ"),
                QStringLiteral("gronsfeld: ключ из цифр, сдвиги символов по очереди, например 31415"))
            .takenBy(keyed),
        Declare({ QStringLiteral("atbash") }, QString(),
                QStringLiteral("mono: атбаш, алфавит замены — алфавит задом наперёд (␣ ↔ Я)"))
            .takenBy(keyed),
        Declare({ QStringLiteral("k"), QStringLiteral("key") }, QStringLiteral("K"),
                QStringLiteral("ключ: число закрытых алфавитов, от 1 до 3; с --table — сколько первых кодов "
                               "каждой строки брать, от 1 до длины самой длинной строки (без --key — все коды)"))
            .takenBy({ encrypt, decrypt, analyze })
            .offering({ QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3") }),
        Declare({ QStringLiteral("i"), QStringLiteral("input") }, file,
                QStringLiteral("читать текст из файла, а не со стандартного ввода"))
            .takenBy({ encrypt, decrypt, analyze, crack })
            .namingFile(),
        Declare({ QStringLiteral("o"), QStringLiteral("output") }, file,
                QStringLiteral("записать результат в файл, а не на стандартный вывод; "
                               "прежний файл заменяется только после успешной записи"))
            .takenBy({ encrypt, decrypt, keygen, crack, model })
            .neededIn({ model })
            .namingFile(),
        Declare({ QStringLiteral("e"), QStringLiteral("encoding") }, QStringLiteral("КОДИРОВКА"),
                QStringLiteral("кодировка входа и выхода: windows-1251 (по умолчанию, как "
                               "в окне программы) или utf-8; файл с меткой порядка байтов "
                               "(UTF-8, UTF-16, UTF-32) читается в кодировке метки"))
            .takenBy({ encrypt, decrypt, analyze, crack })
            .offering({ QStringLiteral("windows-1251"), QStringLiteral("utf-8") }),
        Declare({ QStringLiteral("table") }, file,
                QStringLiteral("своя таблица замены из файла ключа (его делает keygen) вместо постоянной"))
            .takenBy({ encrypt, decrypt, table, analyze })
            .namingFile(),
        Declare({ QStringLiteral("choice") }, QStringLiteral("ВЫБОР"),
                QStringLiteral("encrypt, analyze: как выбирать код символа — cyclic (по очереди, как в окне; по "
                               "умолчанию) или random (случайно из первых K)"))
            .takenBy({ encrypt, analyze })
            .offering({ QStringLiteral("cyclic"), QStringLiteral("random") })
            .onlyOffered(),
        Declare({ QStringLiteral("seed") }, QStringLiteral("N"),
                QStringLiteral("keygen, --choice random, crack: зерно случайных чисел, целое от 0 до "
                               "18446744073709551615; одно зерно — одна и та же таблица, один и тот же шифр "
                               "или один и тот же ход поиска"))
            .takenBy({ encrypt, keygen, analyze, crack }),
        Declare({ QStringLiteral("key-out") }, file, QStringLiteral("crack: записать найденную таблицу в файл ключа"))
            .takenBy({ crack })
            .namingFile(),
        Declare({ QStringLiteral("time-limit") }, QStringLiteral("СЕКУНДЫ"),
                QStringLiteral("crack: искать не дольше стольких секунд, от 0.001 до 86400 (по "
                               "умолчанию 10)"))
            .takenBy({ crack }),
        Declare({ QStringLiteral("q"), QStringLiteral("quiet") }, QString(),
                QStringLiteral("не показывать ход работы в терминале"))
            .takenBy({ encrypt, decrypt, crack }),
        Declare({ QStringLiteral("jobs") }, QStringLiteral("N"),
                QStringLiteral("encrypt, decrypt: во сколько потоков шифровать, от 1 до 1024 (по умолчанию по "
                               "числу ядер процессора; 1 — в один поток); результат от числа потоков не зависит. "
                               "С --choice random шифрование всегда идёт в один поток: так одно зерно даёт один "
                               "и тот же шифр. crack: во сколько потоков вести перезапуски поиска; одно зерно "
                               "с одним числом потоков даёт один результат, пока поиск не упрётся в лимит "
                               "времени"))
            .takenBy({ encrypt, decrypt, crack }),
        Declare({ QStringLiteral("lock") }, QStringLiteral("КОД=СИМВОЛ"),
                QStringLiteral("crack: закрепить код за символом, например 17=О (␣ или пробел в кавычках — "
                               "пробел); поиск его не меняет; можно указать несколько раз. С --cipher mono — "
                               "СИМВОЛ=СИМВОЛ (символ шифртекста и его буква), с многоалфавитным шифром — "
                               "НОМЕР=БУКВА (буква ключевого слова, с 1), с шифром Плейфера — "
                               "СИМВОЛ=СТРОКА,СТОЛБЕЦ (клетка прямоугольника 4 × 8, например А=1,3), с двойным "
                               "квадратом — ПРЯМОУГОЛЬНИК:СИМВОЛ=СТРОКА,СТОЛБЕЦ (2:А=1,3 — во втором)"))
            .takenBy({ crack })
            .repeating(),
        Declare({ QStringLiteral("crib") }, QStringLiteral("СЛОВО"),
                QStringLiteral("crack: слово, которое наверняка есть в тексте; ключи, в которых оно читается, "
                               "получают прибавку к оценке; можно указать несколько раз. С --cipher hill — известный кусок "
                               "открытого текста (место не важно): матрица решается по его блокам"))
            .takenBy({ crack })
            .repeating(),
        Declare({ QStringLiteral("identify") }, QString(),
                QStringLiteral("crack: только определить вид шифра и напечатать все виды по вероятности с "
                               "доводами, не вскрывая; без --cipher crack определяет вид шифртекста из букв сам"))
            .takenBy({ crack }),
        Declare({ QStringLiteral("model") }, file,
                QStringLiteral("crack: модель языка из файла (её делает команда model) вместо встроенной"))
            .takenBy({ crack })
            .namingFile(),
        Declare({ QStringLiteral("corpus") }, file,
                QStringLiteral("model, keygen --homophones proportional: русский текст в UTF-8, по которому "
                               "считаются частоты"))
            .takenBy({ keygen, model })
            .neededIn({ model })
            .namingFile(),
        Declare({ QStringLiteral("homophones") }, QStringLiteral("N"),
                QStringLiteral("keygen: сколько кодов у каждого символа, от 1 до 3 (по умолчанию 3), или "
                               "proportional — по частоте символа в русском тексте"))
            .takenBy({ keygen })
            .offering({ QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("proportional") }),
        Declare({ QStringLiteral("codes") }, QStringLiteral("M"),
                QStringLiteral("keygen --homophones proportional: сколько кодов раздать, от 32 до 100 (по умолчанию "
                               "100)"))
            .takenBy({ keygen }),
        Declare({ QStringLiteral("as") }, QStringLiteral("ВИД"),
                QStringLiteral("analyze: читать текст как открытый (plain) или как шифртекст (cipher); без "
                               "параметра — догадка: шифртекст, если не меньше половины слов — двузначные коды"))
            .takenBy({ analyze })
            .offering({ QStringLiteral("plain"), QStringLiteral("cipher") })
            .onlyOffered(),
        Declare({ QStringLiteral("format") }, QStringLiteral("ФОРМАТ"),
                QStringLiteral("analyze: text (таблица для человека, по умолчанию) или json (для программ)"))
            .takenBy({ analyze })
            .offering({ QStringLiteral("text"), QStringLiteral("json") })
            .onlyOffered(),
        Declare({ QStringLiteral("chart") }, QStringLiteral("ФАЙЛ.svg"), QStringLiteral("analyze: нарисовать частоты в файл SVG"))
            .takenBy({ analyze })
            .namingFile(),
        Declare({ QStringLiteral("period-chart") }, QStringLiteral("ФАЙЛ.svg"),
                QStringLiteral("analyze: нарисовать индекс совпадений по предполагаемому периоду (1–30) в файл SVG"))
            .takenBy({ analyze })
            .namingFile(),
        Declare({ QStringLiteral("h"), QStringLiteral("help") }, QString(), QStringLiteral("показать эту справку")),
        Declare({ QStringLiteral("v"), QStringLiteral("version") }, QString(),
                QStringLiteral("показать версию программы")),
    };
}

} // namespace

QCommandLineOption OptionDeclaration::parserOption() const
{
    return QCommandLineOption(names, description, valueName);
}

const QList<OptionDeclaration> &optionDeclarations()
{
    static const QList<OptionDeclaration> all = declarations();
    return all;
}

const OptionDeclaration &declaredOption(const QString &longName)
{
    for (const OptionDeclaration &option : optionDeclarations()) {
        if (option.longName() == longName)
            return option;
    }
    qFatal("the option --%s is not declared", qUtf8Printable(longName));
}

QString dashed(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

QString listed(const QStringList &items, const QString &conjunction)
{
    if (items.size() < 2)
        return items.join(QString());
    return QStringList(items.mid(0, items.size() - 1)).join(QStringLiteral(", ")) + QLatin1Char(' ') + conjunction
        + QLatin1Char(' ') + items.constLast();
}
