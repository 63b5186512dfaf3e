#pragma once

#include "net/LogWindow.h"

#include <QPlainTextEdit>

#include <mutex>
#include <string>

// The event log (control 104): a read-only text area that every part of the program
// writes whole lines to, each with its own "\r\n". Lines from other threads travel to the
// console thread as one queued event per batch: they arrive complete and in order, none
// is dropped, and the writer never waits for the console thread.
class CEventLog : public QPlainTextEdit, public ILogWindow {
    Q_OBJECT

public:
    // The log holds at most this many characters: past it, the older half goes at once,
    // whole lines of it. That is some 40,000 ordinary lines, or 650 of the longest dump
    // lines; the dump of a hub that floods the session writes a million characters a
    // second, and without a limit the log alone would take all the memory there is.
    static constexpr qsizetype kMaxCharacters = 2'000'000;

    explicit CEventLog(QWidget* parent = nullptr);

    // Console thread: caret to the end, into view, the text inserted there.
    void WriteToLog(const QString& text);
    // Any thread. On the console thread the text is written at once; lines still queued
    // from other threads follow it, so the lines of one step of a console handler stay
    // together whatever a quick hub answers meanwhile.
    void AppendToLog(const QString& text);
    // The same for the core's UTF-8 text.
    void AppendToLog(const std::string& text) override;
    // Writes the lines queued from other threads so far. The console calls it as a step
    // begins, so that what arrived before the step comes before the step's own lines.
    void BeginStep();
    // Posts WM_UPDATE_CONNECTION to the window that owns the log.
    void PostUpdateConnection(std::uint32_t code, CSocketManager* manager,
                              std::uint32_t connection) override;
    void ClearLog();

    // The log's text with the "\r\n" line ends its writers gave it.
    QString Text() const;

private:
    void FlushPending();
    // True when it took the older half away.
    bool TrimOldestLines();

    std::mutex pendingMutex_;
    QString pending_;
    bool flushQueued_ = false;
};
