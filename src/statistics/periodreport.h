// The period statistics of a text as analyze reports them: the index of
// coincidence by assumed period and Kasiski's repeats, in the text report, in
// JSON and as a chart.
#pragma once

#include "periodicity.h"

#include <QJsonObject>
#include <QString>

#include <array>

// Texts longer than this are examined by their start: the statistics have
// long settled by then, and Kasiski's repeats would only multiply.
constexpr int MaxPeriodSymbols = 100000;

// Gathers the alphabet symbols of a text read in parts, up to
// MaxPeriodSymbols of them.
class PeriodSymbols
{
public:
    void addText(QStringView text);
    // The bytes of a single-byte encoding, decoded by its table.
    void addBytes(const char *data, int size, const std::array<char16_t, 256> &decoding);

    const SymbolSequence &symbols() const { return m_symbols; }
    // Nothing more is taken: callers may skip decoding for it.
    bool isFull() const { return m_cut; }
    // Symbols past the limit were left out.
    bool cut() const { return m_cut; }

private:
    bool full();

    SymbolSequence m_symbols;
    bool m_cut = false;
};

struct PeriodReport
{
    int symbols = 0;
    bool cut = false;
    std::vector<PeriodCoincidence> byPeriod;
    int coincidencePeriod = 0;
    KasiskiExamination kasiski;
    int kasiskiPeriod = 0;
};

PeriodReport periodReportOf(const PeriodSymbols &symbols);

// A few lines under the frequency table; the most telling repeats at most.
QString periodTextReport(const PeriodReport &report);
QJsonObject periodJson(const PeriodReport &report);
QByteArray periodChartSvg(const PeriodReport &report);
