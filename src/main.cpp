// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Starts the program: the Polish language first, then the main window.
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
