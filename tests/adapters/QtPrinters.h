#pragma once

#include <QString>
#include <ostream>

// Readable failure messages for Qt strings (lists of them print element by element).
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
