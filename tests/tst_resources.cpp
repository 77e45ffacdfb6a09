// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program's icons and Windows resources: drawn as their source says, carried in the program.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QResource>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace Qt::StringLiterals;

namespace {

const QList<int> iconSizes { 16, 24, 32, 48, 64, 72, 96, 128, 256 };

quint16 u16(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

quint32 u32(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

qsizetype align4(qsizetype at)
{
    return (at + 3) & ~qsizetype(3);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct IconEntry
{
    int size;
    int planes;
    int bitCount;
    QByteArray image;
};

QList<IconEntry> iconEntries(const QByteArray &ico)
{
    QList<IconEntry> entries;
    for (int i = 0; i < u16(ico, 4); ++i) {
        const qsizetype at = 6 + 16 * i;
        const int size = quint8(ico.at(at)) == 0 ? 256 : quint8(ico.at(at));
        entries.append({ size, u16(ico, at + 4), u16(ico, at + 6),
            ico.mid(u32(ico, at + 12), u32(ico, at + 8)) });
    }
    return entries;
}

// An icon image's pixels, top row first, each channel weighted by its alpha as the drawing made
// them (a colour under a nearly transparent pixel means little). A bitmap whose mask does not
// agree with its alpha decodes to nothing.
QImage decode(const IconEntry &entry)
{
    QImage image;
    if (entry.size == 256) {
        image = QImage::fromData(entry.image, "PNG").convertToFormat(QImage::Format_ARGB32);
    } else {
        const int size = entry.size;
        const qsizetype maskAt = 40 + qsizetype(size) * size * 4;
        const int maskStride = (size + 31) / 32 * 4;
        image = QImage(size, size, QImage::Format_ARGB32);
        for (int row = 0; row < size; ++row) { // stored bottom-up
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(size - 1 - row));
            for (int x = 0; x < size; ++x) {
                line[x] = u32(entry.image, 40 + (qsizetype(row) * size + x) * 4);
                const char maskByte = entry.image.at(maskAt + row * maskStride + x / 8);
                if (bool(maskByte & (0x80 >> (x % 8))) != (qAlpha(line[x]) == 0)) {
                    return {};
                }
            }
        }
    }
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(line[x]);
            const auto weigh = [alpha](int channel) { return (channel * alpha + 127) / 255; };
            line[x] =
                qRgba(weigh(qRed(line[x])), weigh(qGreen(line[x])), weigh(qBlue(line[x])), alpha);
        }
    }
    return image;
}

struct IconDifference
{
    int pixels = 0; // pixels with any channel changed
    int largest = 0; // the largest change of one channel
    bool decoded = true;

    // Other processors round anti-aliased edge pixels a step or two apart (a drawing moved by a
    // thousandth of a pixel changes them by up to 4); a shape that moves by a twentieth of a pixel
    // or more, changes colour or goes missing changes some channel by far more.
    bool matches() const { return decoded && largest <= 8; }
};

IconDifference compareImages(const QImage &a, const QImage &b)
{
    IconDifference difference;
    if (a.isNull() || b.isNull() || a.size() != b.size()) {
        difference.decoded = false;
        return difference;
    }
    for (int y = 0; y < a.height(); ++y) {
        const auto *lineA = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *lineB = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int largest = std::max({ std::abs(qRed(lineA[x]) - qRed(lineB[x])),
                std::abs(qGreen(lineA[x]) - qGreen(lineB[x])),
                std::abs(qBlue(lineA[x]) - qBlue(lineB[x])),
                std::abs(qAlpha(lineA[x]) - qAlpha(lineB[x])) });
            difference.pixels += largest > 0 ? 1 : 0;
            difference.largest = std::max(difference.largest, largest);
        }
    }
    return difference;
}

// A UTF-16 string ending in a null, or a 0xFFFF-prefixed number written as "#N".
QString nameOrId(const QByteArray &bytes, qsizetype &at)
{
    if (u16(bytes, at) == 0xFFFF) {
        at += 4;
        return u"#"_s + QString::number(u16(bytes, at - 2));
    }
    QString name;
    for (; u16(bytes, at) != 0; at += 2) {
        name.append(QChar(u16(bytes, at)));
    }
    at += 2;
    return name;
}

struct Resource
{
    QString type;
    QString name;
    int language;
    QByteArray data;
};

#ifndef Q_OS_WIN
// The resources of a compiled resource script (.res).
QList<Resource> resourcesOf(const QByteArray &res)
{
    QList<Resource> resources;
    for (qsizetype at = 0; at + 8 <= res.size();) {
        const quint32 dataSize = u32(res, at);
        const quint32 headerSize = u32(res, at + 4);
        qsizetype field = at + 8;
        const QString type = nameOrId(res, field);
        const QString name = nameOrId(res, field);
        field = align4(field);
        const int language = u16(res, field + 6);
        if (dataSize > 0) {
            resources.append({ type, name, language, res.mid(at + headerSize, dataSize) });
        }
        at = align4(at + headerSize + dataSize);
    }
    return resources;
}
#endif

// One node of a version record: a key, a value, and child nodes.
struct VersionNode
{
    QString key;
    QByteArray value;
    QList<VersionNode> children;
};

VersionNode versionNode(const QByteArray &bytes, qsizetype at)
{
    const quint16 length = u16(bytes, at);
    const quint16 valueLength = u16(bytes, at + 2);
    const bool isText = u16(bytes, at + 4) == 1;
    qsizetype field = at + 6;
    VersionNode node { nameOrId(bytes, field), {}, {} };
    field = align4(field);
    const qsizetype valueBytes = isText ? 2 * valueLength : valueLength;
    node.value = bytes.mid(field, valueBytes);
    for (field = align4(field + valueBytes); field < at + length;
         field = align4(field + u16(bytes, field))) {
        node.children.append(versionNode(bytes, field));
    }
    return node;
}

#ifdef Q_OS_WIN
// A program's resources as Windows itself reads them, for the shell and the window icon.
QString resourceName(LPCWSTR name)
{
    return IS_INTRESOURCE(name) ? u"#"_s + QString::number(quintptr(name))
                                : QString::fromWCharArray(name);
}

BOOL CALLBACK addLanguage(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR list)
{
    const HRSRC found = FindResourceExW(module, type, name, language);
    const auto *data = static_cast<const char *>(LockResource(LoadResource(module, found)));
    reinterpret_cast<QList<Resource> *>(list)->append({ resourceName(type), resourceName(name),
        language, QByteArray(data, SizeofResource(module, found)) });
    return TRUE;
}

BOOL CALLBACK addName(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR list)
{
    return EnumResourceLanguagesW(module, type, name, addLanguage, list);
}

BOOL CALLBACK addType(HMODULE module, LPWSTR type, LONG_PTR list)
{
    return EnumResourceNamesW(module, type, addName, list);
}

QList<Resource> resourcesOfProgram(const QString &path)
{
    QList<Resource> resources;
    const HMODULE module =
        LoadLibraryExW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()), nullptr,
            LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module) {
        EnumResourceTypesW(module, addType, reinterpret_cast<LONG_PTR>(&resources));
        FreeLibrary(module);
    }
    return resources;
}

// The subsystem field of a PE file's optional header: 2 for a GUI program, 3 for a console one.
int subsystem(const QByteArray &image)
{
    const qsizetype header = image.size() > 0x40 ? u32(image, 0x3C) : 0;
    if (header <= 0 || header + 24 + 70 > image.size()
        || image.mid(header, 4) != QByteArray("PE\0\0", 4)) {
        return -1;
    }
    return u16(image, header + 24 + 68);
}
#endif

QString text(const QByteArray &utf16)
{
    QString value =
        QString::fromUtf16(reinterpret_cast<const char16_t *>(utf16.constData()), utf16.size() / 2);
    while (value.endsWith(QChar(0))) {
        value.chop(1);
    }
    return value;
}

} // namespace

class tst_Resources : public QObject
{
    Q_OBJECT

private slots:
    void iconResource();
    void generatorDrawsTheCommittedPictures();
    void iconComparisonCatchesChanges_data();
    void iconComparisonCatchesChanges();
    void windowsResources();
};

void tst_Resources::iconResource()
{
    // Registered before main() ran, by the collection's own initializer.
    QCOMPARE(QDir(u":/icons"_s).entryList(), QStringList(u"ikonka.ico"_s));
    const QResource resource(u":/icons/ikonka.ico"_s);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(), QResource::ZlibCompression);
    // No language or country of its own: found whatever locale asks for it.
    for (const QLocale &locale : { QLocale::c(), QLocale(QLocale::Polish, QLocale::Poland),
             QLocale(QLocale::Japanese, QLocale::Japan) }) {
        QVERIFY2(QResource(u":/icons/ikonka.ico"_s, locale).isValid(), qPrintable(locale.name()));
    }

    const QByteArray ico = readAll(u":/icons/ikonka.ico"_s);
    QCOMPARE(ico, readAll(QStringLiteral(ZORVENA_SOURCE_DIR) + u"/src/icons/ikonka.ico"_s));
    QCOMPARE(u16(ico, 0), 0);
    QCOMPARE(u16(ico, 2), 1);
    const QList<IconEntry> entries = iconEntries(ico);
    QCOMPARE(entries.size(), iconSizes.size());
    for (int i = 0; i < entries.size(); ++i) {
        const IconEntry &entry = entries.at(i);
        const int size = iconSizes.at(i);
        QCOMPARE(entry.size, size);
        QCOMPARE(entry.planes, 1);
        QCOMPARE(entry.bitCount, 32);
        if (size < 256) {
            // An uncompressed 32-bit bitmap: colour rows plus a 1-bit mask, twice as high.
            const int maskBytes = (size + 31) / 32 * 4 * size;
            QCOMPARE(entry.image.size(), 40 + size * size * 4 + maskBytes);
            QCOMPARE(u32(entry.image, 0), 40u);
            QCOMPARE(u32(entry.image, 4), quint32(size));
            QCOMPARE(u32(entry.image, 8), quint32(2 * size));
            QCOMPARE(u16(entry.image, 12), 1);
            QCOMPARE(u16(entry.image, 14), 32);
            QCOMPARE(u32(entry.image, 16), 0u);
        } else {
            // A PNG whose header says 256 x 256, 8 bits per channel, RGBA (colour type 6).
            QVERIFY(entry.image.startsWith("\x89PNG\r\n\x1a\n"));
            QCOMPARE(entry.image.mid(12, 4), QByteArray("IHDR"));
            QCOMPARE(qFromBigEndian<quint32>(entry.image.constData() + 16), 256u);
            QCOMPARE(qFromBigEndian<quint32>(entry.image.constData() + 20), 256u);
            QCOMPARE(int(entry.image.at(24)), 8);
            QCOMPARE(int(entry.image.at(25)), 6);
        }
    }
}

void tst_Resources::generatorDrawsTheCommittedPictures()
{
    QTemporaryDir folder;
    const QString drawn = folder.filePath(u"ikonka.ico"_s);
    const QStringList pictures { u"welcome.bmp"_s, u"header.bmp"_s };
    QCOMPARE(QProcess::execute(QStringLiteral(ZORVENA_ICONGEN),
                 { drawn, folder.filePath(pictures.at(0)), folder.filePath(pictures.at(1)) }),
        0);
    const QList<IconEntry> committed = iconEntries(readAll(u":/icons/ikonka.ico"_s));
    const QList<IconEntry> redrawn = iconEntries(readAll(drawn));
    QCOMPARE(redrawn.size(), committed.size());

    // The layout is the same to the byte; the pixels only up to rounding, since the maths library
    // and the raster engine pick their code paths by the processor they run on.
    for (int i = 0; i < committed.size(); ++i) {
        const IconEntry &want = committed.at(i);
        const IconEntry &got = redrawn.at(i);
        QCOMPARE(got.size, want.size);
        QCOMPARE(got.planes, want.planes);
        QCOMPARE(got.bitCount, want.bitCount);
        if (want.size < 256) {
            QCOMPARE(got.image.size(), want.image.size());
            QCOMPARE(got.image.left(40), want.image.left(40)); // the bitmap's header
        } else {
            QCOMPARE(got.image.left(33), want.image.left(33)); // PNG signature and header chunk
        }
        const IconDifference difference = compareImages(decode(want), decode(got));
        qInfo("%3d px: %d pixels differ, by %d at most", want.size, difference.pixels,
            difference.largest);
        QVERIFY2(difference.matches(), qPrintable(u"%1 px"_s.arg(want.size)));
    }

    // The installer's pictures, drawn from the icon: the same bitmap file and info headers.
    for (const QString &name : pictures) {
        const QByteArray want =
            readAll(QStringLiteral(ZORVENA_SOURCE_DIR) + u"/packaging/windows/"_s + name);
        const QByteArray got = readAll(folder.filePath(name));
        QCOMPARE(got.size(), want.size());
        QCOMPARE(got.left(54), want.left(54));
        const auto decodeBitmap = [](const QByteArray &bytes) {
            return QImage::fromData(bytes, "BMP").convertToFormat(QImage::Format_ARGB32);
        };
        const IconDifference difference = compareImages(decodeBitmap(want), decodeBitmap(got));
        qInfo("%s: %d pixels differ, by %d at most", qPrintable(name), difference.pixels,
            difference.largest);
        QVERIFY2(difference.matches(), qPrintable(name));
    }
}

void tst_Resources::iconComparisonCatchesChanges_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("matches");
    QTest::newRow("none") << u"none"_s << true;
    QTest::newRow("every channel a step off") << u"step"_s << true;
    QTest::newRow("drawing moved one pixel") << u"moved"_s << false;
    QTest::newRow("header band recoloured") << u"recoloured"_s << false;
    QTest::newRow("clock missing") << u"missing"_s << false;
}

void tst_Resources::iconComparisonCatchesChanges()
{
    QFETCH(QString, change);
    QFETCH(bool, matches);
    const QImage committed = decode(iconEntries(readAll(u":/icons/ikonka.ico"_s)).at(7));
    QCOMPARE(committed.width(), 128);
    QImage changed = committed.copy();
    for (int y = 0; y < changed.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(changed.scanLine(y));
        for (int x = 0; x < changed.width(); ++x) {
            const QRgb pixel = line[x];
            if (change == u"step"_s) {
                const auto step = [](int channel) { return channel < 255 ? channel + 1 : 254; };
                line[x] = qRgba(
                    step(qRed(pixel)), step(qGreen(pixel)), step(qBlue(pixel)), qAlpha(pixel));
            } else if (change == u"moved"_s) {
                line[x] = x > 0 ? committed.pixel(x - 1, y) : 0;
            } else if (change == u"recoloured"_s
                && qRgb(0xd6, 0x3a, 0x36) == (pixel | 0xff000000)) {
                line[x] = qRgba(0xd6, 0x50, 0x36, qAlpha(pixel));
            } else if (change == u"missing"_s && x > 70 && y > 70) {
                line[x] = 0;
            }
        }
    }
    QCOMPARE(compareImages(committed, changed).matches(), matches);
}

void tst_Resources::windowsResources()
{
#ifdef Q_OS_WIN
    // The built program itself: a GUI program, which opens no console window.
    const QString program = QStringLiteral(ZORVENA_PROGRAM);
    QCOMPARE(subsystem(readAll(program)), 2);
    const QList<Resource> resources = resourcesOfProgram(program);
#else
    const QString windres = QStandardPaths::findExecutable(u"x86_64-w64-mingw32-windres"_s);
    if (windres.isEmpty()) {
        QSKIP("x86_64-w64-mingw32-windres is missing (package binutils-mingw-w64-x86-64)");
    }
    // The script has no includes, so the host's C preprocessor is enough.
    QTemporaryDir folder;
    const QString res = folder.filePath(u"zorvena.res"_s);
    QProcess compiler;
    compiler.setWorkingDirectory(QStringLiteral(ZORVENA_SOURCE_DIR) + u"/src"_s);
    compiler.start(windres,
        { u"--preprocessor=cpp"_s, u"--preprocessor-arg=-xc"_s, u"-i"_s, u"zorvena.rc"_s, u"-O"_s,
            u"res"_s, u"-o"_s, res });
    QVERIFY(compiler.waitForFinished());
    QVERIFY2(compiler.exitCode() == 0, compiler.readAllStandardError().constData());
    const QList<Resource> resources = resourcesOf(readAll(res));
#endif

    const QList<IconEntry> icons = iconEntries(readAll(u":/icons/ikonka.ico"_s));
    QCOMPARE(resources.size(), icons.size() + 2);
    for (const Resource &resource : resources) {
        QCOMPARE(resource.language, 1033);
    }

    // RT_ICON 1 to 9: the icon file's images, byte for byte.
    for (int i = 0; i < icons.size(); ++i) {
        QCOMPARE(resources.at(i).type, u"#3"_s);
        QCOMPARE(resources.at(i).name, u"#%1"_s.arg(i + 1));
        QVERIFY(resources.at(i).data == icons.at(i).image);
    }

    // RT_GROUP_ICON IDI_ICON1: nine entries pointing at images 1 to 9.
    const Resource &group = resources.at(icons.size());
    QCOMPARE(group.type, u"#14"_s);
    QCOMPARE(group.name, u"IDI_ICON1"_s);
    QCOMPARE(QList<int>({ u16(group.data, 0), u16(group.data, 2), u16(group.data, 4) }),
        QList<int>({ 0, 1, 9 }));
    for (int i = 0; i < icons.size(); ++i) {
        const qsizetype at = 6 + 14 * i;
        const int size = quint8(group.data.at(at)) == 0 ? 256 : quint8(group.data.at(at));
        QCOMPARE(size, iconSizes.at(i));
        QCOMPARE(u16(group.data, at + 4), 1);
        QCOMPARE(u16(group.data, at + 6), 32);
        QCOMPARE(u32(group.data, at + 8), quint32(icons.at(i).image.size()));
        QCOMPARE(u16(group.data, at + 12), i + 1);
    }

    // RT_VERSION 1.
    const Resource &version = resources.last();
    QCOMPARE(version.type, u"#16"_s);
    QCOMPARE(version.name, u"#1"_s);
    const VersionNode root = versionNode(version.data, 0);
    QCOMPARE(root.key, u"VS_VERSION_INFO"_s);
    QCOMPARE(root.value.size(), 52);
    QList<quint32> fixed;
    for (int at = 0; at < 52; at += 4) {
        fixed.append(u32(root.value, at));
    }
    // Signature, structure version, file and product versions, flags mask, flags, system,
    // file type, subtype, date.
    QCOMPARE(
        fixed, QList<quint32>({ 0xFEEF04BD, 0x10000, 0, 0, 0, 0, 0x3F, 0, 0x40004, 2, 0, 0, 0 }));

    QCOMPARE(root.children.size(), 2);
    const VersionNode &strings = root.children.at(0);
    QCOMPARE(strings.key, u"StringFileInfo"_s);
    QCOMPARE(strings.children.size(), 1);
    QCOMPARE(strings.children.at(0).key, u"040904b0"_s);
    QStringList table;
    for (const VersionNode &entry : strings.children.at(0).children) {
        table.append(entry.key + u'=' + text(entry.value));
    }
    QCOMPARE(table,
        QStringList({ u"CompanyName="_s, u"FileDescription="_s, u"FileVersion=0.0.0.0"_s,
            u"LegalCopyright="_s, u"OriginalFilename=Zorvena.exe"_s, u"ProductName=Zorvena"_s,
            u"ProductVersion=0.0.0.0"_s, u"InternalName="_s, u"Comments="_s,
            u"LegalTrademarks="_s }));

    const VersionNode &variables = root.children.at(1);
    QCOMPARE(variables.key, u"VarFileInfo"_s);
    QCOMPARE(variables.children.size(), 1);
    QCOMPARE(variables.children.at(0).key, u"Translation"_s);
    QCOMPARE(variables.children.at(0).value, QByteArray("\x09\x04\xb0\x04", 4));
}

QTEST_MAIN(tst_Resources)
#include "tst_resources.moc"
