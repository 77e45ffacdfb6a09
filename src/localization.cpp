// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Puts the Polish locale and Qt's Polish catalogue in place, from beside the program or from Qt.
#include "localization.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace {
// Qt's catalogue, but for the texts that reach the program's log: the parser's error text is
// logged as Qt wrote it, so that a log reads the same on every system.
class QtCatalogue : public QTranslator
{
public:
    using QTranslator::QTranslator;

    QString translate(const char *context, const char *sourceText,
        const char *disambiguation = nullptr, int n = -1) const override
    {
        if (qstrcmp(context, "QJsonParseError") == 0) {
            return {};
        }
        return QTranslator::translate(context, sourceText, disambiguation, n);
    }
};
} // namespace

namespace Localization {

bool install(QCoreApplication &app)
{
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));

    // A portable folder carries the catalogue beside the program, as the Windows package does;
    // Linux distributions keep it in Qt's own translations folder.
    const QString folders[] = { QCoreApplication::applicationDirPath() + u"/translations"_s,
        QLibraryInfo::path(QLibraryInfo::TranslationsPath) };
    auto *catalogue = new QtCatalogue(&app);
    for (const QString &folder : folders) {
        if (catalogue->load(u"qtbase_pl"_s, folder)) {
            return QCoreApplication::installTranslator(catalogue);
        }
    }
    delete catalogue;
    return false;
}

} // namespace Localization
