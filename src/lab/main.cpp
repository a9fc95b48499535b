#include "labwindow.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("substitution-ciphers"));
    QCoreApplication::setApplicationName(QStringLiteral("homophonic-lab"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/substitution.svg")));
    // Qt's own buttons and dialogs (Save, Discard, Cancel, the file dialog)
    // in Russian, whatever the system's language.
    QTranslator qtTranslation;
    if (qtTranslation.load(QStringLiteral("qtbase_ru"), QLibraryInfo::location(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTranslation);
    LabWindow window;
    window.show();
    return app.exec();
}
