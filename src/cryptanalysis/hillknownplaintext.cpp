// Hill's matrix from known plaintext, and the ciphertext read as the cipher
// lays it out.
#include "hillattack.h"

#include "lineend.h"

namespace Cryptanalysis {

HillText HillText::fromText(QStringView text)
{
    HillText result;
    const char16_t *const begin = reinterpret_cast<const char16_t *>(text.utf16());
    forEachLine(begin, begin + text.size(), [&result](const char16_t *line, const char16_t *contentEnd, LineEnding) {
        result.lines.push_back(Alphabet::indicesOf(QStringView(line, contentEnd - line)));
    });
    return result;
}

int HillText::symbols() const
{
    int total = 0;
    for (const std::vector<std::int8_t> &line : lines)
        total += int(line.size());
    return total;
}

std::vector<int> hillBlockSizes(const HillText &ciphertext, QString &problem)
{
    std::vector<int> sizes;
    for (const int n : {2, 3}) {
        bool whole = true;
        for (const std::vector<std::int8_t> &line : ciphertext.lines)
            whole = whole && line.size() % std::size_t(n) == 0;
        if (whole)
            sizes.push_back(n);
    }
    if (!sizes.empty())
        return sizes;
    for (std::size_t i = 0; i < ciphertext.lines.size(); ++i) {
        const std::size_t count = ciphertext.lines[i].size();
        if (count % 2 != 0 && count % 3 != 0) {
            problem = QStringLiteral("Это не шифртекст Хилла этой программы: в строке %1 символов алфавита %2, "
                                     "а шифр дополняет каждую строку до целых блоков по 2 или по 3 символа.")
                          .arg(i + 1)
                          .arg(count);
            return sizes;
        }
    }
    // Every line is whole in one size or the other, but not all in the same.
    int odd = 0, notThree = 0;
    for (std::size_t i = 0; i < ciphertext.lines.size(); ++i) {
        if (!odd && ciphertext.lines[i].size() % 2 != 0)
            odd = int(i) + 1;
        if (!notThree && ciphertext.lines[i].size() % 3 != 0)
            notThree = int(i) + 1;
    }
    problem = QStringLiteral("Это не шифртекст Хилла этой программы: строка %1 не делится на блоки по 2 символа, "
                             "а строка %2 — по 3, а одна матрица шифрует все строки блоками одного размера.")
                  .arg(odd)
                  .arg(notThree);
    return sizes;
}

namespace {

QString blockText(const std::vector<std::int8_t> &symbols, int block, int n)
{
    QString text;
    for (int i = 0; i < n; ++i) {
        const int symbol = symbols[std::size_t(block * n + i)];
        text += symbol == 0 ? QChar(0x2423) : Alphabet::symbol(symbol);
    }
    return text;
}

// The first n blocks that are independent mod 2, found by elimination over
// the low bits: such a set exists among the blocks exactly when some n of
// them make a plaintext matrix with an odd determinant.
std::vector<int> independentBlocks(const std::vector<std::int8_t> &plain, int n)
{
    std::vector<int> used;
    unsigned pivot[3] = {0, 0, 0};
    const int blocks = int(plain.size()) / n;
    for (int block = 0; block < blocks && int(used.size()) < n; ++block) {
        unsigned bits = 0;
        for (int i = 0; i < n; ++i)
            bits |= unsigned(plain[std::size_t(block * n + i)] & 1) << i;
        for (int bit = n - 1; bit >= 0 && bits; --bit) {
            if (!(bits >> bit & 1u))
                continue;
            if (!pivot[bit]) {
                pivot[bit] = bits;
                used.push_back(block);
                break;
            }
            bits ^= pivot[bit];
        }
    }
    return used;
}

// The n × n matrix whose columns are the given blocks.
Polygram::Matrix columnsOf(const std::vector<std::int8_t> &symbols, const std::vector<int> &blocks, int n)
{
    Polygram::Matrix matrix(std::size_t(n * n));
    for (int column = 0; column < n; ++column) {
        for (int row = 0; row < n; ++row)
            matrix[std::size_t(row * n + column)] = symbols[std::size_t(blocks[std::size_t(column)] * n + row)];
    }
    return matrix;
}

Polygram::Matrix product(const Polygram::Matrix &left, const Polygram::Matrix &right, int n)
{
    Polygram::Matrix result(std::size_t(n * n));
    for (int row = 0; row < n; ++row) {
        for (int column = 0; column < n; ++column) {
            int sum = 0;
            for (int k = 0; k < n; ++k)
                sum += left[std::size_t(row * n + k)] * right[std::size_t(k * n + column)];
            result[std::size_t(row * n + column)] = std::int8_t(sum & (Alphabet::Size - 1));
        }
    }
    return result;
}

} // namespace

HillSolution solveHillMatrix(const std::vector<std::int8_t> &plain, const std::vector<std::int8_t> &cipher, int n)
{
    HillSolution solution;
    const int blocks = int(qMin(plain.size(), cipher.size())) / n;
    if (blocks < n) {
        solution.problem = QStringLiteral("известных блоков открытого текста %1, а чтобы найти матрицу %2 × %2, "
                                          "нужно хотя бы %2 блока по %2 символа")
                               .arg(blocks)
                               .arg(n);
        return solution;
    }
    const std::vector<int> used = independentBlocks(plain, n);
    if (int(used.size()) < n) {
        solution.problem = QStringLiteral("блоки открытого текста линейно зависимы по модулю 2: из %1 блоков "
                                          "независимы лишь %2, а для матрицы %3 × %3 нужно %3; нужен ещё хотя бы "
                                          "один блок, не сводящийся к ним (чётность его символов иная)")
                               .arg(blocks)
                               .arg(used.size())
                               .arg(n);
        return solution;
    }
    // C = K·P, P's determinant odd, so K = C·P⁻¹.
    const Polygram::Matrix key =
        product(columnsOf(cipher, used, n), Polygram::inverse(columnsOf(plain, used, n)), n);
    if (!Polygram::isInvertible(key)) {
        solution.problem = QStringLiteral("по этим блокам матрица ключа %1 выходит с чётным определителем, а таким "
                                          "ключом шифр не шифрует: открытый текст не соответствует шифртексту")
                               .arg(Polygram::matrixText(key));
        return solution;
    }
    SymbolKey symbolKey;
    symbolKey.rule = SymbolRule::Hill;
    symbolKey.matrix = key;
    const SymbolCipher check(symbolKey);
    for (int block = 0; block < blocks; ++block) {
        int symbols[3];
        for (int i = 0; i < n; ++i)
            symbols[i] = plain[std::size_t(block * n + i)];
        check.encryptBlock(symbols);
        for (int i = 0; i < n; ++i) {
            if (symbols[i] == cipher[std::size_t(block * n + i)])
                continue;
            std::vector<std::int8_t> got(symbols, symbols + n);
            solution.problem = QStringLiteral("блок %1 открытого текста «%2» матрица %3, найденная по другим блокам, "
                                              "шифрует в «%4», а в шифртексте «%5»: открытый текст не соответствует "
                                              "шифртексту или сдвинут относительно него")
                                   .arg(block + 1)
                                   .arg(blockText(plain, block, n), Polygram::matrixText(key), blockText(got, 0, n),
                                        blockText(cipher, block, n));
            return solution;
        }
    }
    solution.matrix = key;
    solution.blocksUsed = used;
    return solution;
}

HillSolution solveHillMatrix(QStringView plaintext, QStringView ciphertext, int n)
{
    const HillText plain = HillText::fromText(plaintext);
    const HillText cipher = HillText::fromText(ciphertext);
    HillSolution solution;
    if (plain.lines.size() != cipher.lines.size()) {
        solution.problem = QStringLiteral("в открытом тексте строк %1, а в шифртексте %2: шифр Хилла шифрует каждую "
                                          "строку отдельно, и строки должны соответствовать друг другу")
                               .arg(plain.lines.size())
                               .arg(cipher.lines.size());
        return solution;
    }
    std::vector<std::int8_t> plainBlocks, cipherBlocks;
    for (std::size_t i = 0; i < plain.lines.size(); ++i) {
        const std::vector<std::int8_t> &p = plain.lines[i];
        const std::vector<std::int8_t> &c = cipher.lines[i];
        const std::size_t filled = (p.size() + std::size_t(n) - 1) / std::size_t(n) * std::size_t(n);
        if (c.size() != filled) {
            solution.problem = QStringLiteral("строка %1: в открытом тексте символов алфавита %2, значит в шифртексте "
                                              "их должно быть %3 (до целых блоков по %4), а их %5")
                                   .arg(i + 1)
                                   .arg(p.size())
                                   .arg(filled)
                                   .arg(n)
                                   .arg(c.size());
            return solution;
        }
        const std::size_t whole = p.size() / std::size_t(n) * std::size_t(n);
        plainBlocks.insert(plainBlocks.end(), p.begin(), p.begin() + std::ptrdiff_t(whole));
        cipherBlocks.insert(cipherBlocks.end(), c.begin(), c.begin() + std::ptrdiff_t(whole));
    }
    return solveHillMatrix(plainBlocks, cipherBlocks, n);
}

} // namespace Cryptanalysis
