// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the tests share: the note file beside each test, folders on either volume, the question
// boxes' answers, log capture and what killed saves leave.
#ifndef ZORVENA_TESTS_SUPPORT_H
#define ZORVENA_TESTS_SUPPORT_H

#include <QAccessible>
#include <QByteArray>
#include <QDate>
#include <QList>
#include <QProxyStyle>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

class QWidget;

// Helpers shared by the test executables. Each executable has an output folder of its own, so
// the note file beside it belongs to that executable alone.
namespace TestSupport {

// wydarzenia.json beside the running test executable.
QString noteFilePath();

// Replaces whatever stands at the note file's path (a file, a link, a folder, a FIFO) by a
// regular file holding exactly these bytes.
void writeNoteFile(const QByteArray &bytes);

// Where a test makes its folders: on the drive the tests run from, or on an exFAT volume, as on a
// USB stick, which has no hard links, no files without a name and no file modes.
enum class Volume { Ordinary, Stick };

// A template for QTemporaryDir on that volume: a folder whose name holds Polish letters and a
// space, as users' folders do. Empty for the stick when none is mounted where the environment
// variable ZORVENA_STICK says (scripts/stick.sh mounts one, as root).
QString folderTemplate(Volume volume = Volume::Ordinary);

// Text as a file written in text mode holds it: with CR LF line breaks on Windows.
QByteArray textFileBytes(QByteArray text);

// Removes whatever stands at the note file's path; the next action finds no note file.
void removeNoteFile();

// A file's bytes, or a null array when there is no readable regular file at the path.
QByteArray readFile(const QString &path);
inline QByteArray noteFileBytes()
{
    return readFile(noteFilePath());
}

// Names of the files in the note file's folder that are left behind by a write, such as
// QSaveFile's temporary files.
QStringList strayFiles();

// Watches what killed copies of the program leave in a folder besides the note file and the files
// a test put there: their temporary files, which the next change removes. Killed at an instant
// that no file system closes, a save may leave the whole new note file it was about to put in
// place (on Linux between giving it a name and the rename: up to 6 in 200 kills were seen, since
// saves of bytes parsed before parse nothing), and on Windows the empty file it had just created.
// On a USB stick's volume a new file has its name from the start, so any killed save may leave it,
// whole or not. There, under Wine, a file that the system deletes as it closes a killed copy's
// handles is for a moment FUSE's
// ".fuse_hidden…", until the file is closed for good.
class Leftovers
{
public:
    // Looks at what the folder holds besides the files named in kept, after this many kills since
    // the last look. What the last look found must be gone when a change was made since.
    void look(const QString &folder, const QStringList &kept, int kills, bool changed);
    // Empty while no more was left by this many kills than the volume allows, nothing stayed
    // after a change, and nothing else is there; otherwise what was.
    QString fault(int kills, Volume volume) const;
    QString summary() const;
    // What the last look found.
    QStringList present() const { return m_present; }

private:
    QStringList m_present;
    int m_whole = 0;
    int m_partial = 0;
    int m_empty = 0;
    int m_hidden = 0;
    bool m_moreThanKills = false; // a look found more new files than kills since the last
    QStringList m_stayed;
    QStringList m_others;
};

// Whether a display date ("dd/MM/yyyy") shows today or a day since `since`: a check that reads
// the clock after the program did may already be in the next day.
bool showsTodaySince(const QString &displayDate, const QDate &since);

// Clicks a day in the main window's calendar, as a user does, once or twice in a row.
enum class Click { Single, Double };
void clickCalendarDay(QWidget *window, const QDate &day, Click click = Click::Single);

// A style that activates an item with a single click, as some desktops are set to: the calendar
// then reports a click's day as activated too.
class SingleClickStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
        QStyleHintReturn *returnData) const override
    {
        if (hint == SH_ItemView_ActivateItemOnSingleClick) {
            return 1;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Arms a timer that answers the next modal question box: clicks the button with this text, or
// presses Escape when the text is empty; first, while it is open, runs whileAsked.
void answerNextQuestion(const QString &button, const std::function<void()> &whileAsked = {});

struct LogLine
{
    QtMsgType type;
    QString text;
};

// Records the program's log lines with their levels while it is alive. Qt's own platform chatter
// (the offscreen plugin, runtime folder warnings, categorised lines) is left out.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;

    QList<LogLine> lines() const;
    // The texts of the lines of one level, in order.
    QStringList texts(QtMsgType type) const;
    void clear();

private:
    QtMessageHandler m_previous;
};

// A screen reader, while it lives: widgets tell of their changes only while one listens, which the
// platform finds out; here it is told. Of each change it asks what a screen reader asks through
// the platform's bridge (the name, description, role and state of what changed), and it keeps
// what it would say: the name of whatever takes the focus, a notification that shows, an
// announcement.
class ScreenReader
{
public:
    ScreenReader();
    ~ScreenReader();
    ScreenReader(const ScreenReader &) = delete;
    ScreenReader &operator=(const ScreenReader &) = delete;

    static inline QStringList heard;

private:
    static void notify(QAccessibleEvent *event);

    QAccessible::UpdateHandler m_bridge;
};

} // namespace TestSupport

#endif // ZORVENA_TESTS_SUPPORT_H
