#include "gui/EventLog.h"

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

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

void CEventLog::ClearLog() { setPlainText(QString()); }

QString CEventLog::Text() const {
    // The raw text, not the plain text, which turns a no-break space (a CP1251 hub's 0xA0)
    // into an ordinary one; its paragraph breaks are the writers' line ends.
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    return text;
}
