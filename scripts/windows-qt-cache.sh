#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Zorvena developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the folder that holds (or will hold) the Windows Qt built by scripts/windows-qt.sh. It lies
# outside the checkout, so that every clone on the machine shares the one build.
echo "${XDG_CACHE_HOME:-$HOME/.cache}/zorvena/qt-6.8.2-windows"
