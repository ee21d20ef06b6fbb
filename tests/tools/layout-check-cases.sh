#!/usr/bin/env bash
# Usage: layout-check-cases.sh SOURCE_DIR
# Feeds scripts/check-layout.sh small source trees, one file each, and
# checks that it names what it must refuse (file, line and reason) and lets
# through what it must allow: the folders' order, the platform layer's system
# folders and the tests of _WIN32 outside a file whose path names Windows.
set -euo pipefail
check=$1/scripts/check-layout.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
# case PATH CONTENT EXPECTED: EXPECTED is "" when the tree passes, else a
# piece of the one offence line, which begins with PATH:LINE.
case_() {
  local path=$1 content=$2 expected=$3 tree output status=0
  tree=$(mktemp -d "$work/tree.XXXXXX")
  mkdir -p "$tree"/{platform,app,store,rules,exchange,cli,ui,tests,bench,scripts} "$tree/$(dirname "$path")"
  printf '%s\n' "$content" >"$tree/$path"
  output=$(bash "$check" "$tree" 2>&1) || status=$?
  if [ -z "$expected" ]; then
    [ "$status" -eq 0 ] || { echo "FAIL: $path was refused: $output"; failed=1; }
  elif [ "$status" -ne 1 ] || [ "$(grep -c . <<<"$output")" -ne 1 ] || ! grep -qF "$expected" <<<"$output" ||
    ! grep -q "^$path:[0-9][0-9]*: " <<<"$output"; then
    echo "FAIL: $path: expected one offence with \"$expected\", got (status $status): $output"
    failed=1
  fi
}

win='a test of _WIN32 or WIN32 outside a Windows file'
case_ platform/Platform.cpp $'#include "platform/Platform.h"\nint f() {\n#ifdef _WIN32\n  return 1;\n#endif\n}' "$win"
case_ ui/main/main.cpp $'#include <FL/Fl.H>\n#if defined(_WIN32) && 1\n#endif' "$win"
case_ store/Global.h $'#if 0\n#elif WIN32\n#endif' "$win"
case_ app/Trace.cpp $'#ifndef _WIN32\n#endif' "$win"
case_ tests/core/StoreTest.cpp $'#if !defined(WIN32)\n#endif' "$win"
case_ scripts/demo/DemoData.h $'#ifdef _WIN32\n#endif' "$win"
case_ platform/windowsish/Any.cpp $'#ifdef _WIN32\n#endif' "$win"
# Windows' own files, and what only looks like a test of the system.
case_ platform/windows/PlatformWindows.cpp $'#include "platform/Platform.h"\n#ifdef _WIN32\n#endif' ""
case_ tests/support/WindowsPosix.h $'#pragma once\n#ifdef _WIN32\n#endif' ""
case_ tests/windows/WindowsFilesTest.cpp $'#ifndef _WIN32\n#endif' ""
case_ app/windows/Resource.h $'#if defined(WIN32)\n#endif' ""
case_ scripts/windows/HoldFile.cpp $'#ifdef _WIN32\n#endif' ""
case_ bench/StoreWindows.h $'#ifdef _WIN32\n#endif' ""
case_ app/Trace.cpp $'// _WIN32 builds log elsewhere\nconst char* k = "#ifdef _WIN32";\n#ifdef _WIN32_WINNT\n#endif' ""
case_ store/Global.cpp $'#ifdef __APPLE__\n#endif' ""

# The system folders and the calls between them belong to the platform layer.
own='belongs to the platform layer'
case_ store/Global.cpp $'#include "platform/posix/PlatformPosix.h"' "$own"
case_ tests/core/PlatformTest.cpp $'#include "platform/windows/ConsoleBuffer.h"' "$own"
case_ exchange/OutputFile.cpp $'#include "platform/SystemCalls.h"' "$own"
case_ platform/posix/PlatformPosix.cpp $'#include "platform/windows/ConsoleBuffer.h"' "never include the other's"
case_ platform/windows/PlatformWindows.cpp $'#include "platform/posix/Helper.h"' "never include the other's"
case_ platform/windows/PlatformWindows.cpp $'#include "platform/SystemCalls.h"\n#include "platform/windows/ConsoleBuffer.h"' ""
case_ platform/Platform.cpp $'#include "platform/SystemCalls.h"' ""
case_ store/Global.cpp $'#include "platform/Platform.h"' ""

# The toolkit in the platform's window part only, in whichever folder.
toolkit='the toolkit (FL/) belongs to ui/ alone'
case_ platform/windows/WindowIconWindows.cpp $'#include <FL/x.H>' ""
case_ platform/posix/WindowIconPosix.cpp $'#include <FL/Fl.H>' ""
case_ platform/BatchedSeriesX11.cpp $'#include <FL/x.H>' ""
case_ platform/posix/PlatformPosix.cpp $'#include <FL/Fl.H>' "$toolkit"
case_ platform/Platform.cpp $'#include <FL/Fl.H>' "$toolkit"

# The folders' order holds in the system folders as in the rest.
case_ platform/posix/PlatformPosix.cpp $'#include "store/Global.h"' "platform/ must not include store/"
case_ platform/windows/PlatformWindows.cpp $'#include "app/Trace.h"' "platform/ must not include app/"

[ "$failed" -eq 0 ] && echo "layout check: every case refused or let through as it should be"
exit "$failed"
