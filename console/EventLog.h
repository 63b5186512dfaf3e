#pragma once

#include <QPlainTextEdit>

#include <mutex>

// The event log (control 104): a read-only text area that every part of the program
// writes whole lines to, each with its own "\r\n". Lines from other threads travel to the
// console thread as one queued event per batch: they arrive complete and in order, none
// is dropped, and the writer never waits for the console thread.
class CEventLog : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit CEventLog(QWidget* parent = nullptr);

    // Console thread: caret to the end, into view, the text inserted there.
    void WriteToLog(const QString& text);
    // Any thread. On the console thread the text is written at once (after any lines
    // still queued from other threads, so the order of arrival holds).
    void AppendToLog(const QString& text);
    void ClearLog();

    // The log's text with the "\r\n" line ends its writers gave it.
    QString Text() const;

private:
    void FlushPending();

    std::mutex pendingMutex_;
    QString pending_;
    bool flushQueued_ = false;
};
