#include "localization.h"
#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Localization::install(app);
    MainWindow window;
    window.show();
    return app.exec();
}
