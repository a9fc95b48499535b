#include "mainwindow.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    // The locale codec is left alone on purpose: Qt encodes file names with
    // it, and Windows-1251 there would garble Cyrillic paths on Linux. The
    // file commands set Windows-1251 on their own streams instead.
    QApplication app(argc, argv);
    // Shown through Qt's SVG icon engine (libqt5svg5 at run time); desktops
    // that read the installed .desktop file use the same drawing.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/substitution.svg")));
    MainWindow window;
    window.show();
    return app.exec();
}
