#pragma once
#include <windows.h>

#include <string>

#include "texts/language.h"
#include "unattended/run_log.h"
#include "win32/account.h"

// `time` as ISO 8601 in UTC, 2026-12-10T15:20:01Z.
std::wstring IsoUtcText(const SYSTEMTIME& time);

// Windows's own version and build (10.0.19045.3803), whatever the program's manifest declares.
std::wstring WindowsVersionText();

// The log's first lines, what support reads first: the program and its version, when (UTC),
// the embedded expert's SHA-256, the account and its session, whether it ran as SYSTEM or
// for all users, Windows's version and the whole command line.
void AddLogHeader(RunLog& log, Language language, const RunningAccount& account, bool allUsers);
