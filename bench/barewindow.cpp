// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A bare Qt window, titled and shown as the program's main window is: what starting any Qt Widgets
// program costs, against which scripts/startup-time.sh and scripts/windows.sh --bench set the
// program's own start.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Zorvena 2.0"));
    window.resize(772, 600);
    window.show();
    return app.exec();
}
