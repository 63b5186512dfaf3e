#pragma once

#include <QPlainTextEdit>

// The event log (control 104): a read-only text area the console writes whole lines to,
// each with its own "\r\n", on its own thread; what the watcher reports reaches it
// through the console's queue.
class CEventLog : public QPlainTextEdit {
    Q_OBJECT

public:
    // The log holds at most this many characters: past it, the older half goes at once,
    // whole lines of it. That is some 40,000 ordinary lines, or 650 of the longest dump
    // lines; the dump of a hub that floods the session writes a million characters a
    // second, and without a limit the log alone would take all the memory there is.
    static constexpr qsizetype kMaxCharacters = 2'000'000;

    explicit CEventLog(QWidget* parent = nullptr);

    // Caret to the end, into view, the text inserted there.
    void WriteToLog(const QString& text);
    void ClearLog();

    // The log's text with the "\r\n" line ends its writers gave it.
    QString Text() const;

private:
    // True when it took the older half away.
    bool TrimOldestLines();
};
