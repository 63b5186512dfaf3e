#include "console/EventLog.h"

#include "console/PostedHandOver.h"
#include "console/UpdateConnectionEvent.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QThread>

CEventLog::CEventLog(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Read-only, but the caret and keyboard selection stay, so a technician can copy lines.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void CEventLog::WriteToLog(const QString& text) {
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
    // A QTextDocument keeps "\r\n" as one paragraph break.
    cursor.insertText(text);
    if (TrimOldestLines()) {
        cursor = textCursor();
        cursor.movePosition(QTextCursor::End);
    }
    setTextCursor(cursor);
    ensureCursorVisible();
}

// Taking lines off the top one by one (a maximum block count does that) costs a copy of
// the whole text for each line: with the log full of long dump lines that was
// milliseconds a line, and a flooding hub froze the window. Building the newer half
// anew costs that copy once per million characters written.
bool CEventLog::TrimOldestLines() {
    if (document()->characterCount() <= kMaxCharacters) {
        return false;
    }
    const QString text = toPlainText();
    const qsizetype half = text.size() - kMaxCharacters / 2;
    const qsizetype nextLine = text.indexOf(QLatin1Char('\n'), half);
    setPlainText(text.mid(nextLine < 0 ? half : nextLine + 1));
    return true;
}

void CEventLog::AppendToLog(const QString& text) {
    if (QThread::currentThread() == thread()) {
        // The lines queued meanwhile are written by their own queued flush, after the
        // step that writes this one.
        WriteToLog(text);
        return;
    }
    std::lock_guard lock(pendingMutex_);
    pending_ += text;
    if (!flushQueued_) {
        flushQueued_ = true;
        QMetaObject::invokeMethod(this, &CEventLog::FlushPending, Qt::QueuedConnection);
    }
}

void CEventLog::AppendToLog(const std::string& text) {
    AppendToLog(QString::fromStdString(text));
}

void CEventLog::PostUpdateConnection(std::uint32_t code, CSocketManager* manager,
                                     std::uint32_t connection) {
    // Any line the event's sender appended before it is already queued ahead of it.
    const PostingScope posting;
    QCoreApplication::postEvent(window(), new UpdateConnectionEvent(code, manager, connection));
}

void CEventLog::BeginStep() { FlushPending(); }

void CEventLog::FlushPending() {
    QString text;
    {
        std::lock_guard lock(pendingMutex_);
        text.swap(pending_);
        flushQueued_ = false;
    }
    if (!text.isEmpty()) {
        WriteToLog(text);
    }
}

void CEventLog::ClearLog() { setPlainText(QString()); }

QString CEventLog::Text() const {
    // The raw text, not the plain text, which turns a no-break space (a CP1251 hub's 0xA0)
    // into an ordinary one; its paragraph breaks are the writers' line ends.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return text;
}
