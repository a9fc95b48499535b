// Frequencies: the statistics library's chart of the plaintext's symbols and
// the ciphertext's codes, with their measures, following the texts as they
// are typed; for a family whose key repeats, what the ciphertext shows of its
// period besides; for a block cipher, the heat maps of the pairs it
// enciphers, plaintext beside ciphertext. Counting waits for a pause in typing and then walks the
// texts a few milliseconds at a time, so that even a long text never holds up
// the window.
#pragma once

#include "cipherfamily.h"
#include "frequencycount.h"
#include "pairstatistics.h"
#include "periodicity.h"

#include <QByteArray>
#include <QPointer>
#include <QTextBlock>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class PairHeatMap;
class PeriodPanel;
class QLabel;
class QPlainTextEdit;
class QSvgWidget;
class QTabWidget;
class QTextDocument;

class FrequencyPage : public QWidget
{
    Q_OBJECT

public:
    // How long typing must pause before the chart is redrawn.
    static constexpr int PauseMs = 300;

    FrequencyPage(QPlainTextEdit *plain, QPlainTextEdit *cipher, QWidget *parent = nullptr);

    // How the ciphertext is counted: as codes for homophonic substitution,
    // as alphabet symbols for a family that writes symbols, and examined for
    // its period when the family's key repeats.
    void setFamily(const CipherFamily &family);

    PeriodPanel *periodPanel() const { return m_period; }
    PairHeatMap *plainPairMap() const { return m_plainPairMap; }
    PairHeatMap *cipherPairMap() const { return m_cipherPairMap; }

    QByteArray chartSvg() const { return m_svg; }
    int redrawCount() const { return m_redraws; }

public slots:
    void exportChart();

private:
    void textChanged();
    void recount();
    void countSome();
    void showChart();

    QPlainTextEdit *m_plainEdit;
    QPlainTextEdit *m_cipherEdit;
    QSvgWidget *m_chart;
    QLabel *m_plainMeasures;
    QLabel *m_cipherMeasures;
    QLabel *m_note;
    QTabWidget *m_views;
    PeriodPanel *m_period;
    QWidget *m_pairs;
    PairHeatMap *m_plainPairMap;
    PairHeatMap *m_cipherPairMap;
    bool m_cipherInSymbols = false;
    bool m_examinePeriod = false;
    bool m_countPairs = false;
    QTimer m_pause;
    QTimer m_nextSlice;
    // The count under way: the documents walked and the next line of each.
    QPointer<QTextDocument> m_plainDocument;
    QPointer<QTextDocument> m_cipherDocument;
    QTextBlock m_plainLine;
    QTextBlock m_cipherLine;
    std::optional<SymbolCounter> m_symbols;
    std::optional<CodeCounter> m_codes;
    std::optional<SymbolCounter> m_cipherSymbols;
    std::optional<PairCounter> m_plainPairs;
    std::optional<PairCounter> m_cipherPairs;
    // The ciphertext's alphabet symbols in order, for the period's statistics.
    std::shared_ptr<SymbolSequence> m_cipherSequence;
    QByteArray m_svg;
    int m_redraws = 0;
};
