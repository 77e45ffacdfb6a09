// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the images of the program's icon file as the PNG files of a freedesktop icon theme, so
// that the desktop's menu and task bar show the same pictures as the Windows icon.
//   iconpng ICON.ico FOLDER SIZE...   writes FOLDER/hicolor/<SIZE>x<SIZE>/apps/zorvena.png
#include <QCoreApplication>
#include <QDir>
#include <QImageReader>
#include <QMap>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        qWarning("usage: iconpng ICON.ico FOLDER SIZE...");
        return 2;
    }

    QImageReader reader(args.at(1), "ico");
    QMap<int, QImage> images;
    for (int i = 0; i < reader.imageCount() && reader.jumpToImage(i); ++i) {
        const QImage image = reader.read();
        if (!image.isNull() && image.width() == image.height()) {
            images.insert(image.width(), image);
        }
    }

    for (const QString &size : args.mid(3)) {
        const QImage image = images.value(size.toInt());
        if (image.isNull()) {
            qWarning(
                "iconpng: %s holds no %s-pixel image", qPrintable(args.at(1)), qPrintable(size));
            return 1;
        }
        const QString folder = u"%1/hicolor/%2x%2/apps"_s.arg(args.at(2), size);
        if (!QDir().mkpath(folder) || !image.save(folder + u"/zorvena.png"_s, "PNG")) {
            qWarning("iconpng: cannot write into %s", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
