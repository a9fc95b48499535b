#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The locale codec is left alone on purpose: Qt encodes file names with
    // it, and Windows-1251 there would garble Cyrillic paths on Linux. The
    // file commands set Windows-1251 on their own streams instead.
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    return app.exec();
}
