// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The note file's lock and atomic replace on Windows: a named mutex per folder, and a new file that
// is deleted on close unless a hard link gives it the note file's name. Both are made so that a
// copy of the program that is killed at any moment (End task, a crash, a power cut) leaves the note
// file whole, and beside it at most a temporary file that the next change removes (on an ordinary
// drive but for an instant).
#include "notefile_p.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <optional>
#include <vector>
#include <windows.h>
#include <winternl.h>

using namespace Qt::StringLiterals;

namespace {

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// Copies of the program replacing files in the same folder share one mutex, named after the folder
// by its true path, whatever symbolic links and junctions lead there. Names live per logon session
// ("Local\"), so copies that one user runs on one computer take turns; copies on another
// computer, reaching the folder over the network, do not see it.
std::wstring folderMutexName(const QString &notePath)
{
    const QFileInfo folder(QFileInfo(notePath).absolutePath());
    const QString canonical = folder.canonicalFilePath();
    // Windows' file names ignore case; a mutex name may not hold a backslash, nor be very long.
    const QString path = canonical.isEmpty() ? folder.filePath() : canonical;
    const QByteArray key = QDir::toNativeSeparators(path).toLower().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
    return QString(u"Local\\Zorvena-" + QString::fromLatin1(hash)).toStdWString();
}

// The mutex of the note file's folder, opened once per thread and kept: opening it anew for every
// read would cost as much as taking it, and finding the folder's true name takes several lookups.
HANDLE folderMutex(const QString &notePath)
{
    thread_local QHash<QString, HANDLE> mutexes;
    HANDLE &mutex = mutexes[notePath];
    if (!mutex) {
        mutex = CreateMutexW(nullptr, FALSE, folderMutexName(notePath).c_str());
    }
    return mutex;
}

bool setDeleteOnClose(HANDLE file, bool deleteOnClose)
{
    FILE_DISPOSITION_INFO disposition {};
    disposition.DeleteFile = deleteOnClose;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

enum class Existing { Replace, Keep };

// A new name for an open file, as FILE_RENAME_INFO and FILE_LINK_INFORMATION both hold it, to take
// the place of whatever file has that name, or to be refused where a file has it.
template <typename Info> std::vector<char> newName(const std::wstring &name, Existing existing)
{
    const size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<char> buffer(sizeof(Info) + nameBytes);
    auto *info = reinterpret_cast<Info *>(buffer.data());
    info->ReplaceIfExists = existing == Existing::Replace;
    info->RootDirectory = nullptr;
    info->FileNameLength = decltype(info->FileNameLength)(nameBytes);
    std::copy(name.begin(), name.end(), info->FileName); // the buffer's spare bytes end it
    return buffer;
}

// Gives the open file the name target, replacing whatever file is there.
bool renameOver(HANDLE file, const QString &target)
{
    std::vector<char> rename = newName<FILE_RENAME_INFO>(nativePath(target), Existing::Replace);
    return SetFileInformationByHandle(file, FileRenameInfo, rename.data(), DWORD(rename.size()));
}

// Gives the open file a hard link, a second name, target, replacing whatever file is there in one
// step, or not where a file is. The kernel takes the path in its own form, "\??\C:\..." or
// "\??\UNC\server\...".
bool linkAs(HANDLE file, const QString &target, Existing existing)
{
    QString path = QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath());
    path = path.startsWith(u"\\\\"_s) ? QString(u"\\??\\UNC\\"_s + path.mid(2))
                                      : QString(u"\\??\\"_s + path);
    std::vector<char> link = newName<FILE_LINK_INFORMATION>(path.toStdWString(), existing);
    IO_STATUS_BLOCK status {};
    const NTSTATUS result =
        NtSetInformationFile(file, &status, link.data(), ULONG(link.size()), FileLinkInformation);
    if (result < 0) {
        SetLastError(RtlNtStatusToDosError(result));
        return false;
    }
    return true;
}

QString lastErrorString()
{
    return qt_error_string(int(GetLastError()));
}

enum class Failed { Nothing, Creating, Writing, Placing };

// Creates a file of a new name beside target, opened for writing and for deleting; sets temporary
// to its name. Other attributes and flags go to CreateFileW.
HANDLE createBeside(const QString &target, DWORD flags, QString &temporary)
{
    // A name that no other file has.
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = NoteFile::temporaryPath(target);
        const HANDLE file = CreateFileW(nativePath(temporary).c_str(), GENERIC_WRITE | DELETE, 0,
            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    return INVALID_HANDLE_VALUE;
}

bool writeToDisk(HANDLE file, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const DWORD chunk = DWORD(std::min<qsizetype>(bytes.size() - done, 1 << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.constData() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return FlushFileBuffers(file);
}

// Windows' counterpart of an O_TMPFILE file and linkat(): the new file is created to be
// deleted when its handle closes (as a killed process's handles are), so that it never outlives
// the save. Once the whole of it is on the disk, a hard link, a second name, replaces the old note
// file in one step, and that name stays when the first one goes.
Failed writeAndLink(const QString &target, const QByteArray &bytes)
{
    QString temporary;
    const HANDLE file = createBeside(target, FILE_FLAG_DELETE_ON_CLOSE, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        return Failed::Creating;
    }
    Failed failed = Failed::Nothing;
    if (!writeToDisk(file, bytes)) {
        failed = Failed::Writing;
    } else if (!linkAs(file, target, Existing::Replace)) {
        failed = Failed::Placing;
    }
    const DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return failed;
}

// For a file system without hard links (FAT and exFAT, on most USB sticks): the new file is marked
// to be deleted when its handle closes right after it is created, and the mark is taken off once
// the file is whole, just before it is renamed over the old one. A new file has its name from the
// start, so a copy killed before the mark leaves an empty file, and one killed between taking it
// off and the rename a whole one; both are instants, and the next change removes the file.
Failed writeAndRename(const QString &target, const QByteArray &bytes)
{
    QString temporary;
    const HANDLE file = createBeside(target, 0, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        return Failed::Creating;
    }
    // A file system that cannot mark the file still gets the save; it only is not cleaned up
    // after a crash.
    const bool marked = setDeleteOnClose(file, true);
    Failed failed = Failed::Nothing;
    if (!writeToDisk(file, bytes) || (marked && !setDeleteOnClose(file, false))) {
        failed = Failed::Writing;
    } else if (!renameOver(file, target)) {
        failed = Failed::Placing;
    }
    const DWORD error = GetLastError();
    const bool goesOnClose = failed != Failed::Nothing && marked && setDeleteOnClose(file, true);
    CloseHandle(file);
    if (failed != Failed::Nothing && !goesOnClose) {
        DeleteFileW(nativePath(temporary).c_str());
    }
    SetLastError(error);
    return failed;
}

// Whether the volume makes hard links, asked in a way that cannot cost the note file: FAT and
// exFAT have none, and Wine, asked for a hard link that replaces a file, removes that file before
// it finds out. An empty new file, which goes when its handle closes, gets a second name where no
// file is, and that name goes again; a copy killed in between leaves an empty temporary file, which
// the next change removes. No answer when the file cannot be created.
std::optional<bool> makesLinks(const QString &target)
{
    QString probe;
    const HANDLE file = createBeside(target, FILE_FLAG_DELETE_ON_CLOSE, probe);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const QString second = NoteFile::temporaryPath(target);
    const bool linked = linkAs(file, second, Existing::Keep);
    CloseHandle(file);
    if (linked) {
        DeleteFileW(nativePath(second).c_str());
    }
    return linked;
}

// Whether saves in target's folder can make hard links, asked once per folder (the volumes of one
// process differ: a USB stick, a network drive) on its first save.
bool folderMakesLinks(const QString &target)
{
    thread_local QHash<QString, bool> folders;
    const QString folder = QFileInfo(target).absolutePath().toLower();
    const auto known = folders.constFind(folder);
    if (known != folders.cend()) {
        return *known;
    }
    const std::optional<bool> links = makesLinks(target);
    if (links) {
        folders.insert(folder, *links);
    }
    return links.value_or(false);
}

} // namespace

// A named mutex leaves nothing on the disk, and when a holder dies the system hands it to the next
// waiter ("abandoned"): the note file is whole all the same, as every replace is atomic. Taking it
// costs a small fraction of a millisecond, so readers take it too. Another copy holds it for a few
// milliseconds per change; one that holds it for long is hung, and the change gives up rather than
// freeze the window. A thread that owns the mutex takes it again at once: two instances take turns
// in two threads, as in two copies, not in one.
std::unique_ptr<NoteFile::Lock> NoteFile::Lock::take(const QString &target, QString &error)
{
    HANDLE mutex = folderMutex(target);
    if (!mutex) {
        error = lastErrorString();
        return nullptr;
    }
    switch (WaitForSingleObject(mutex, LockWait)) {
    case WAIT_OBJECT_0:
    case WAIT_ABANDONED:
        return std::unique_ptr<Lock>(new Lock(mutex));
    case WAIT_TIMEOUT:
        error = lockTimeoutString();
        return nullptr;
    default:
        error = lastErrorString();
        return nullptr;
    }
}

NoteFile::Lock::~Lock()
{
    ReleaseMutex(m_mutex);
}

// A symbolic link is written through to the file it leads to.
QString NoteFile::replacedPath() const
{
    const QFileInfo existing(m_path);
    const QString resolved = existing.isSymLink() ? existing.canonicalFilePath() : QString();
    return resolved.isEmpty() ? m_path : resolved;
}

NoteFile::WriteStatus NoteFile::replace(
    const QString &target, const QByteArray &content, bool &replaceRefused)
{
    m_errorString.clear();
    replaceRefused = false;
    const QFileInfo existing(target);
    if (existing.isDir() || (existing.exists() && !existing.isWritable())) {
        m_errorString = qt_error_string(ERROR_ACCESS_DENIED);
        return WriteStatus::OpenError;
    }
    // A hard link that fails is not tried again as a rename, which would write the data once more:
    // it fails where another program holds the old file open, and a rename would fail there too.
    const Failed failed =
        folderMakesLinks(target) ? writeAndLink(target, content) : writeAndRename(target, content);
    if (failed == Failed::Nothing) {
        return WriteStatus::NoError;
    }
    m_errorString = lastErrorString();
    // When only the placing failed, the data was written whole.
    replaceRefused = failed == Failed::Placing;
    return failed == Failed::Creating ? WriteStatus::OpenError : WriteStatus::WriteError;
}
