#include "key.h"
#include "ui_key.h"

#include <QMessageBox>

key::key(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::key)
{
    ui->setupUi(this);
    // The user comes to type the number: Enter after it then means OK.
    // The tab order stays that of the form.
    ui->lineEdit->setFocus();
}

key::~key()
{
    delete ui;
}

int key::keyValue()
{
    const int value = ui->lineEdit->text().toInt();
    if (value < 1 || value > 3) {
        QMessageBox::critical(this, QStringLiteral("Ошибка"), QStringLiteral("Значение ключа неправильное"),
                              QMessageBox::Ok, QMessageBox::NoButton);
    }
    return value;
}
