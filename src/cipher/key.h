#pragma once

#include <QDialog>

namespace Ui {
class key;
}

// Asks for the key of the homophonic cipher: the number of closed alphabets.
class key : public QDialog
{
    Q_OBJECT

public:
    explicit key(QWidget *parent = nullptr);
    ~key() override;

    // The entered number (0 for text that is no number). A number outside
    // 1 to 3 is reported in an error box and still returned.
    int keyValue();

private:
    Ui::key *ui;
};
