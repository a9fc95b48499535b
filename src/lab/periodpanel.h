// What a ciphertext under a repeating key shows of its period: the index of
// coincidence by assumed period as a chart, Kasiski's repeats with the
// periods that divide their distances, and, at the period the user chooses,
// each column's symbol profile beside the plaintext's. The numbers come from
// the statistics library, computed off the window's thread: on a long text
// they take seconds.
#pragma once

#include "frequencycount.h"
#include "periodicity.h"

#include <QByteArray>
#include <QFutureWatcher>
#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QSpinBox;
class QSvgWidget;
class QTableWidget;

class PeriodPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int ShownRepeats = 100;

    explicit PeriodPanel(QWidget *parent = nullptr);

    // The ciphertext's alphabet symbols, in order, and the plaintext's counts
    // to set beside the columns.
    void examine(std::shared_ptr<const SymbolSequence> symbols, const FrequencyCounts &plain);

    int period() const;
    QByteArray chartSvg() const { return m_svg; }

signals:
    // The statistics of the last text are shown.
    void examined();
    // The columns of the chosen period are shown.
    void columnsShown();

private:
    struct Examination
    {
        std::vector<PeriodCoincidence> byPeriod;
        KasiskiExamination kasiski;
        int suggested = 0;
        int kasiskiSuggested = 0;
        double coincidence = 0;
        qint64 symbols = 0;
        qint64 kasiskiSymbols = 0;
    };

    static Examination examineSymbols(const std::shared_ptr<const SymbolSequence> &symbols);
    void showExamination();
    void showChart();
    void countColumns();
    void showColumns();
    void showKasiski(const KasiskiExamination &kasiski, qint64 examinedSymbols);

    QSvgWidget *m_chart;
    QLabel *m_summary;
    QTableWidget *m_repeats;
    QLabel *m_factors;
    QSpinBox *m_period;
    QTableWidget *m_columns;
    std::shared_ptr<const SymbolSequence> m_symbols;
    FrequencyCounts m_plain;
    std::vector<PeriodCoincidence> m_byPeriod;
    QByteArray m_svg;
    QFutureWatcher<Examination> m_examining;
    QFutureWatcher<std::vector<FrequencyCounts>> m_counting;
};
