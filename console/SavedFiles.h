#pragma once

#include "console/ConsoleView.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// What the person saves from the window: the event log and the hub list, their files'
// names and the box that says a file could not be written.

// A name that tells the saves of one day apart and sorts by time:
// "kestrune-log-2026-12-10-1430.txt". ASCII only: the file travels by mail, in archives
// and on FAT sticks, where other letters come out garbled.
std::string SuggestedFileName(std::string_view stem, std::string_view extension,
                              const std::tm& localTime);

// The log as a text file: UTF-8, every line ending with CR LF, whatever ended it.
std::string LogFileText(std::string_view logText);

// The hub list as a spreadsheet reads it: the list's own column captions, a column for
// what each hub conflicts with, one line per hub in the order the replies came.
std::string HubListFileText(const std::vector<HubRow>& rows);

// The box's text when the file at path could not be written, for the system's reason.
std::string SaveFailureText(const std::string& path, const std::string& reason);
