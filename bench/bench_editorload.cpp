// How the window's editor copes with large documents: the measurements
// behind Open's size limit. Run with QT_QPA_PLATFORM=offscreen where there
// is no display.
#include "mainwindow.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QTextCodec>
#include <QTextEdit>
#include <QTextStream>

#include <map>
#include <memory>

namespace {

QTextCodec *windows1251()
{
    return QTextCodec::codecForName("Windows-1251");
}

// Russian prose in lines of about 70 characters with Windows line ends,
// written once per size.
QString sampleFile(int mebibytes)
{
    static std::map<int, std::unique_ptr<QTemporaryFile>> files;
    std::unique_ptr<QTemporaryFile> &file = files[mebibytes];
    if (!file) {
        const QStringList words = QStringLiteral("шифр замена текст ключ алфавит символ таблица "
                                                 "гомофоническая открытый закрытый сообщение программа")
                                      .split(QLatin1Char(' '));
        QRandomGenerator random(20261207);
        const qint64 size = qint64(mebibytes) << 20;
        QByteArray bytes;
        bytes.reserve(int(size) + 100);
        while (bytes.size() < size) {
            QString line;
            while (line.size() < 70)
                line += words.at(random.bounded(words.size())) + QLatin1Char(' ');
            bytes += windows1251()->fromUnicode(line) + "\r\n";
        }
        bytes.truncate(int(size));
        file = std::make_unique<QTemporaryFile>();
        if (!file->open() || file->write(bytes) != size || !file->flush())
            qFatal("cannot write the sample file");
    }
    return file->fileName();
}

QString readDocument(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the sample file");
    QTextStream in(&file);
    in.setCodec(windows1251());
    return in.readAll();
}

// The editor of a shown main window, with the form's size and font.
QTextEdit *shownEditor(MainWindow &window)
{
    window.show();
    auto *editor = window.findChild<QTextEdit *>(QStringLiteral("textEdit"));
    editor->setEnabled(true);
    QCoreApplication::processEvents();
    return editor;
}

// The process's peak resident memory; the sizes run from small to large, so
// after each one it is that size's peak.
long peakResidentMebibytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).simplified().split(' ').value(0).toLong() / 1024;
    }
    return 0;
}

// The freeze that Open itself causes: reading, decoding and handing the
// text to the editor.
void openIntoEditor(benchmark::State &state)
{
    const QString path = sampleFile(int(state.range(0)));
    MainWindow window;
    QTextEdit *editor = shownEditor(window);
    for (auto _ : state) {
        editor->setPlainText(readDocument(path));
        QCoreApplication::processEvents();
        state.PauseTiming();
        editor->clear();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

// Going to the end right after Open, as the cipher commands do when they
// append their line: the editor must lay out the whole text first.
void firstJumpToEnd(benchmark::State &state)
{
    const QString text = readDocument(sampleFile(int(state.range(0))));
    MainWindow window;
    QTextEdit *editor = shownEditor(window);
    for (auto _ : state) {
        state.PauseTiming();
        editor->setPlainText(text);
        state.ResumeTiming();
        editor->moveCursor(QTextCursor::End);
        editor->insertPlainText(QStringLiteral("ы"));
        QCoreApplication::processEvents();
    }
    state.counters["peak_resident_MiB"] = double(peakResidentMebibytes());
}

// One keystroke at the top of a document that is already laid out.
void keystrokeAtStart(benchmark::State &state)
{
    MainWindow window;
    QTextEdit *editor = shownEditor(window);
    editor->setPlainText(readDocument(sampleFile(int(state.range(0)))));
    editor->moveCursor(QTextCursor::End);
    editor->moveCursor(QTextCursor::Start);
    for (auto _ : state) {
        editor->insertPlainText(QStringLiteral("ы"));
        QCoreApplication::processEvents();
    }
}

void sizes(benchmark::internal::Benchmark *bench)
{
    for (const int mebibytes : {1, 4, 8, 16, 20, 24, 32})
        bench->Arg(mebibytes);
    bench->ArgName("MiB")->Unit(benchmark::kMillisecond)->Iterations(3);
}

} // namespace

BENCHMARK(openIntoEditor)->Apply(sizes);
BENCHMARK(firstJumpToEnd)->Apply(sizes);
BENCHMARK(keystrokeAtStart)->Apply(sizes);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
