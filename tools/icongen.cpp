// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the program's icon and writes it as a Windows icon file: eight 32-bit bitmaps with alpha
// (16 to 128 pixels) and a 256-pixel PNG. Each size is drawn for its own pixel grid, so the small
// ones stay sharp instead of being shrunk from the large one. With two more names it also draws
// the Windows installer's pictures from the icon, on the program's dark colours: the tall one
// beside its first and last pages and the small one in the header of the pages between, at the
// sizes the installer shows them at 100 %, in whole pixels, so that Windows' scaling them up to
// 200 % keeps every shape.
//   icongen OUTPUT.ico [WELCOME.bmp HEADER.bmp] [PREVIEW_FOLDER]
//   the folder, if given, gets one PNG per icon size to look at
#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const int sizes[] = { 16, 24, 32, 48, 64, 72, 96, 128, 256 };

const QColor sheetColour(0xf4, 0xf4, 0xf2);
const QColor outlineColour(0x4a, 0x4a, 0x4a);
const QColor headerColour(0xd6, 0x3a, 0x36);
const QColor ringColour(0x3a, 0x3a, 0x3a);
const QColor cellColour(0xc4, 0xc4, 0xc4);
const QColor clockColour(0x26, 0x26, 0x26);
const QColor clockRimColour(0xe0, 0xe0, 0xe0);
const QColor handColour(0xf0, 0xf0, 0xf0);
const QColor accentColour(0x66, 0x99, 0xcc);

// The program's own colours: its window and its calendar's days; a selected day is in the accent.
const QColor windowColour(0x1e, 0x1e, 0x1e);
const QColor dayColour(0x3a, 0x3a, 0x3a);
const QColor weekendColour(0x5a, 0x2e, 0x2d);

QImage drawIcon(int size)
{
    // Lengths are fractions of the size, rounded to whole pixels so edges fall on the grid.
    const auto px = [size](qreal fraction, qreal least = 1) {
        return std::max(least, std::round(fraction * size));
    };
    const qreal line = px(1.0 / 32);

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // The sheet, with a red header band.
    const qreal margin = px(0.04);
    const QRectF sheet(margin, px(0.12, 2), size - 2 * margin, size - px(0.12, 2) - margin);
    const qreal corner = px(0.08);
    QPainterPath sheetShape;
    sheetShape.addRoundedRect(sheet, corner, corner);
    painter.fillPath(sheetShape, sheetColour);
    painter.save();
    painter.setClipPath(sheetShape);
    painter.fillRect(QRectF(sheet.left(), sheet.top(), sheet.width(), px(0.24, 4)), headerColour);
    painter.restore();
    painter.setPen(QPen(outlineColour, line));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(
        sheet.adjusted(line / 2, line / 2, -line / 2, -line / 2), corner, corner);

    // Day cells on the sheet; the clock covers the lower right ones.
    const qreal bodyTop = sheet.top() + px(0.24, 4) + px(0.06);
    const int columns = size < 32 ? 2 : 4;
    const int rows = size < 32 ? 2 : 3;
    const qreal cellGap = px(0.04);
    const qreal cellWidth = (sheet.width() - 2 * px(0.08) - (columns - 1) * cellGap) / columns;
    const qreal cellHeight =
        std::max<qreal>(1, (sheet.bottom() - px(0.06) - bodyTop - (rows - 1) * cellGap) / rows);
    painter.setPen(Qt::NoPen);
    painter.setBrush(cellColour);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QRectF cell(std::round(sheet.left() + px(0.08) + column * (cellWidth + cellGap)),
                std::round(bodyTop + row * (cellHeight + cellGap)),
                std::max<qreal>(1, std::floor(cellWidth)),
                std::max<qreal>(1, std::floor(cellHeight)));
            painter.drawRect(cell);
        }
    }

    // Binding rings across the top edge of the sheet.
    const int rings = size < 48 ? 2 : 3;
    const qreal ringWidth = px(0.07, 2);
    const qreal ringHeight = px(0.17, 3);
    for (int ring = 0; ring < rings; ++ring) {
        const qreal centre = sheet.left() + sheet.width() * (ring + 1) / (rings + 1);
        const QRectF shape(std::round(centre - ringWidth / 2), sheet.top() - ringHeight / 2,
            ringWidth, ringHeight);
        painter.setBrush(ringColour);
        painter.drawRoundedRect(shape, ringWidth / 2, ringWidth / 2);
    }

    // The clock face over the lower right corner.
    const qreal radius = size * 0.27;
    const QPointF centre(
        size - radius - px(0.02, 0) - 0.5 * line, size - radius - px(0.02, 0) - 0.5 * line);
    painter.setPen(QPen(clockRimColour, std::max<qreal>(1, size / 24.0)));
    painter.setBrush(clockColour);
    painter.drawEllipse(centre, radius, radius);
    if (size >= 48) {
        painter.setPen(
            QPen(clockRimColour, std::max<qreal>(1, size / 64.0), Qt::SolidLine, Qt::RoundCap));
        for (int hour = 0; hour < 12; hour += 3) {
            const qreal angle = hour * M_PI / 6;
            const QPointF direction(std::sin(angle), -std::cos(angle));
            painter.drawLine(
                centre + direction * radius * 0.68, centre + direction * radius * 0.82);
        }
    }
    const qreal handWidth = std::max<qreal>(1, size / 20.0);
    painter.setPen(QPen(handColour, handWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(0, -radius * 0.68)); // minute hand at twelve
    painter.setPen(QPen(accentColour, handWidth, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(radius * 0.5, 0)); // hour hand at three
    painter.end();

    return image.convertToFormat(QImage::Format_ARGB32);
}

// Days as the program's calendar shows them: square cells in rows of a week, the weekend in red
// and one day selected. Whole pixels, no anti-aliasing.
void drawDays(QPainter &painter, QPoint topLeft, int weeks, int days, int selected)
{
    const int cell = 16;
    const int gap = 3;
    for (int week = 0; week < weeks; ++week) {
        for (int day = 0; day < days; ++day) {
            const QColor colour = week * days + day == selected ? accentColour
                : day >= 5                                      ? weekendColour
                                                                : dayColour;
            painter.fillRect(
                QRect(topLeft + QPoint(day * (cell + gap), week * (cell + gap)), QSize(cell, cell)),
                colour);
        }
    }
}

QImage installerPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    // 96 dots per inch, whatever the screen of the machine that draws it.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    image.fill(windowColour);
    return image;
}

// Beside the installer's first and last pages, and the uninstaller's: the icon above a month.
QImage drawWelcome()
{
    QImage image = installerPicture(QSize(164, 314));
    QPainter painter(&image);
    painter.drawImage(QPoint(34, 52), drawIcon(96));
    drawDays(painter, QPoint(17, 176), 5, 7, 9);
    return image;
}

// In the header of the pages between, at its right: a week, then the icon.
QImage drawHeader()
{
    QImage image = installerPicture(QSize(150, 57));
    QPainter painter(&image);
    drawDays(painter, QPoint(6, 21), 1, 4, 2);
    painter.drawImage(QPoint(92, 4), drawIcon(48));
    return image;
}

void appendLE16(QByteArray &bytes, quint16 value)
{
    const quint16 le = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&le), sizeof le);
}

void appendLE32(QByteArray &bytes, quint32 value)
{
    const quint32 le = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&le), sizeof le);
}

// An icon bitmap: an info header, the BGRA pixels bottom-up, then the 1-bit transparency mask.
QByteArray bitmapOf(const QImage &image)
{
    const int size = image.width();
    const int maskStride = (size + 31) / 32 * 4;
    QByteArray bytes;
    appendLE32(bytes, 40);
    appendLE32(bytes, quint32(size));
    appendLE32(bytes, quint32(2 * size)); // colour and mask rows together
    appendLE16(bytes, 1);
    appendLE16(bytes, 32);
    appendLE32(bytes, 0); // uncompressed
    appendLE32(bytes, quint32(size * size * 4 + maskStride * size));
    for (int i = 0; i < 4; ++i) {
        appendLE32(bytes, 0);
    }
    for (int y = size - 1; y >= 0; --y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            appendLE32(bytes, line[x]); // 0xAARRGGBB stored little-endian is B, G, R, A
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray mask(maskStride, '\0');
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            if (qAlpha(line[x]) == 0) {
                mask[x / 8] = char(mask[x / 8] | (0x80 >> (x % 8)));
            }
        }
        bytes.append(mask);
    }
    return bytes;
}

QByteArray pngOf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() == 3) {
        qWarning("usage: icongen OUTPUT.ico [WELCOME.bmp HEADER.bmp] [PREVIEW_FOLDER]");
        return 2;
    }
    const QString preview = args.size() % 2 == 1 ? args.last() : QString();

    QList<QByteArray> images;
    for (const int size : sizes) {
        const QImage image = drawIcon(size);
        images.append(size < 256 ? bitmapOf(image) : pngOf(image));
        if (!preview.isEmpty()) {
            image.save(preview + u"/ikonka-%1.png"_s.arg(size));
        }
    }

    QByteArray ico;
    appendLE16(ico, 0);
    appendLE16(ico, 1); // an icon, not a cursor
    appendLE16(ico, quint16(images.size()));
    quint32 offset = 6 + 16 * quint32(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        const int size = sizes[i];
        ico.append(char(size % 256)); // 256 is written as 0
        ico.append(char(size % 256));
        ico.append('\0'); // no palette
        ico.append('\0');
        appendLE16(ico, 1);
        appendLE16(ico, 32);
        appendLE32(ico, quint32(images.at(i).size()));
        appendLE32(ico, offset);
        offset += quint32(images.at(i).size());
    }
    for (const QByteArray &image : images) {
        ico.append(image);
    }

    QFile out(args.at(1));
    if (!out.open(QIODevice::WriteOnly) || out.write(ico) != ico.size() || !out.flush()) {
        qWarning("icongen: cannot write %s", qPrintable(args.at(1)));
        return 1;
    }
    if (args.size() >= 4) {
        // Installers take 24-bit bitmaps, which is what Qt writes of an image without alpha.
        const std::pair<QString, QImage> pictures[] = { { args.at(2), drawWelcome() },
            { args.at(3), drawHeader() } };
        for (const auto &[path, picture] : pictures) {
            if (!picture.save(path, "BMP")) {
                qWarning("icongen: cannot write %s", qPrintable(path));
                return 1;
            }
        }
    }
    return 0;
}
