#pragma once

#include <string>
#include <windows.h>

// The event log (control 104): a read-only multi-line edit that the console writes whole
// lines into, "\r\n" included, which is the edit control's own line end.

// Lifts the edit control's default limit (about 30,000 characters) for the log.
void PrepareLogControl(HWND log);

// Appends at the end, with the caret scrolled into view and no undo record. Past
// kMaxLogCharacters the older half goes at once, whole lines of it: a hub that floods
// the session with dump lines must not take all the memory there is, nor make every
// append copy the whole text.
inline constexpr int kMaxLogCharacters = 2'000'000;
void AppendToLogControl(HWND log, const std::wstring& text);
