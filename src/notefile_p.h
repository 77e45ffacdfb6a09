// SPDX-FileCopyrightText: 2026 The Zorvena developers
// SPDX-License-Identifier: GPL-3.0-or-later
// NoteFile's private part: the lock of the note file's folder, which each platform makes of its own
// parts (notefile_unix.cpp, notefile_win.cpp). Only NoteFile's own sources include it.
#ifndef NOTEFILE_P_H
#define NOTEFILE_P_H

#include "notefile.h"

#include <memory>

class NoteFile::Lock
{
public:
    // Takes the lock of the folder that holds target, waiting up to LockWait for another copy of
    // the program to finish its change; null, with the reason in error, when it cannot.
    static std::unique_ptr<Lock> take(const QString &target, QString &error);
    ~Lock(); // lets go of it
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

private:
#ifdef Q_OS_WIN
    explicit Lock(Qt::HANDLE mutex)
        : m_mutex(mutex)
    {
    }
    Qt::HANDLE m_mutex; // the folder's named mutex, owned
#else
    explicit Lock(int folder)
        : m_folder(folder)
    {
    }
    int m_folder; // a descriptor of the folder, which holds its flock()
#endif
};

#endif // NOTEFILE_P_H
