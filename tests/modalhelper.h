// Answers modal dialogs and message boxes from a timer, the way a user would.
// Arm it before the code under test opens its first modal window; each modal
// window that appears is handed to the next queued handler, or closed and
// recorded as unexpected when no handler is left.
#pragma once

#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

class ModalAnswerer : public QObject
{
public:
    using Handler = std::function<void(QWidget *)>;

    ModalAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
        m_timer.start(5);
    }

    ModalAnswerer &then(Handler handler)
    {
        m_handlers.push_back(std::move(handler));
        return *this;
    }

    // "Title|Text" of message boxes, "Title" of other dialogs, in order.
    QStringList seen;
    int unexpected = 0;

    bool allAnswered() const { return m_handlers.empty(); }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) {
            closeDialogsThatAreNotModal();
            return;
        }
        if (modal == m_current) {
            // A handler whose check failed leaves its window open; close it
            // so that the failure is reported instead of the test hanging.
            if (m_answered.elapsed() > StuckAfterMs) {
                ++unexpected;
                modal->close();
            }
            return;
        }
        m_current = modal;
        m_answered.start();
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            seen << box->windowTitle() + QLatin1Char('|') + box->text();
        else
            seen << modal->windowTitle();
        if (m_handlers.empty()) {
            ++unexpected;
            modal->close();
            return;
        }
        Handler handler = std::move(m_handlers.front());
        m_handlers.pop_front();
        handler(modal);
    }

    // A dialog shown without being modal would wait for an answer that never
    // comes; it is closed and counted so that the test fails instead.
    void closeDialogsThatAreNotModal()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QDialog *>(widget);
            if (!dialog || !dialog->isVisible())
                continue;
            if (!m_nonModalSeen.isValid()) {
                m_nonModalSeen.start();
            } else if (m_nonModalSeen.elapsed() > StuckAfterMs) {
                seen << QStringLiteral("not modal: ") + dialog->windowTitle();
                ++unexpected;
                dialog->close();
                m_nonModalSeen.invalidate();
            }
            return;
        }
        m_nonModalSeen.invalidate();
    }

    static constexpr int StuckAfterMs = 5000;
    QElapsedTimer m_nonModalSeen;
    QTimer m_timer;
    QElapsedTimer m_answered;
    QPointer<QWidget> m_current;
    std::deque<Handler> m_handlers;
};

// Presses the OK button of a message box, checking that it is the only one.
inline void pressOk(QWidget *modal)
{
    auto *box = qobject_cast<QMessageBox *>(modal);
    QVERIFY(box);
    QAbstractButton *ok = box->button(QMessageBox::Ok);
    QVERIFY(ok);
    QCOMPARE(box->buttons().size(), 1);
    ok->click();
}

// Types text into the key dialog and presses its OK (or Cancel) button.
inline ModalAnswerer::Handler enterKey(const QString &text, bool accept = true)
{
    return [text, accept](QWidget *modal) {
        auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("lineEdit"));
        auto *buttons = modal->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        QVERIFY(edit);
        QVERIFY(buttons);
        edit->setText(text);
        buttons->button(accept ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    };
}

inline ModalAnswerer::Handler cancelKey()
{
    return enterKey(QString(), false);
}

// Types a path into the name box of Qt's own file dialog and accepts it, as a
// user would, after checking that the dialog offers text files. The accept is
// queued so that a box the dialog opens itself, such as its question before
// overwriting, reaches the next handler.
inline ModalAnswerer::Handler chooseFile(const QString &path,
                                         const QStringList &filters = {QStringLiteral("*.txt")})
{
    return [path, filters](QWidget *modal) {
        bool answered = false;
        const auto cancelOtherwise = qScopeGuard([&] {
            if (!answered)
                modal->close();
        });
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->nameFilters(), filters);
        auto *nameEdit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(nameEdit);
        nameEdit->setText(path);
        QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        answered = true;
    };
}

// Closes a file dialog without choosing, as Escape does.
inline void cancelFileDialog(QWidget *modal)
{
    const auto closeAnyway = qScopeGuard([modal] { modal->close(); });
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    QVERIFY(dialog);
    QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("*.txt")});
}
