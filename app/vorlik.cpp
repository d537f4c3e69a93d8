// vorlik: the main window.
#include "ui/FormMain.h"
#include "ui/WindowServices.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlik"));
    vorlik::QtWindowServices services;
    vorlik::FormMain window(services);
    window.show();
    return QApplication::exec();
}
