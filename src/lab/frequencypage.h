// Frequencies: the statistics library's chart of the plaintext's symbols and
// the ciphertext's codes, with their measures, following the texts as they
// are typed. Counting waits for a pause in typing and runs off the window's
// thread.
#pragma once

#include <QByteArray>
#include <QFutureWatcher>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QSvgWidget;

class FrequencyPage : public QWidget
{
    Q_OBJECT

public:
    // How long typing must pause before the chart is redrawn.
    static constexpr int PauseMs = 300;

    FrequencyPage(QPlainTextEdit *plain, QPlainTextEdit *cipher, QWidget *parent = nullptr);

    QByteArray chartSvg() const { return m_svg; }
    int redrawCount() const { return m_redraws; }

public slots:
    void exportChart();

private:
    struct Chart
    {
        QByteArray svg;
        QString plainMeasures;
        QString cipherMeasures;
    };

    void textChanged();
    void recount();
    void showChart();
    static Chart chartOf(const QString &plain, const QString &cipher);

    QPlainTextEdit *m_plainEdit;
    QPlainTextEdit *m_cipherEdit;
    QSvgWidget *m_chart;
    QLabel *m_plainMeasures;
    QLabel *m_cipherMeasures;
    QTimer m_pause;
    QFutureWatcher<Chart> m_watcher;
    bool m_counting = false;
    bool m_stale = false;
    QByteArray m_svg;
    int m_redraws = 0;
};
