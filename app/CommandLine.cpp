#include "app/CommandLine.h"

bool ParseCommandLine(const QString& commandLine) {
    bool debugMode = false;
    const QString text = commandLine.toUpper();
    const QChar space = QLatin1Char(' ');
    qsizetype position = 0; // start of the text still to scan
    while (position < text.size()) {
        const qsizetype separator = text.indexOf(space, position);
        if (separator < 0) {
            break;
        }
        position = separator + 1;
        while (position < text.size() && text[position] == space) {
            ++position;
        }
        qsizetype end = text.indexOf(space, position);
        if (end < 0) {
            end = text.size();
        }
        const QStringView argument = QStringView(text).mid(position, end - position);
        debugMode = argument == QLatin1String("/DEBUG") || argument == QLatin1String("/D");
    }
    return debugMode;
}

QString JoinCommandLine(const QStringList& arguments) {
    QStringList parts;
    for (const QString& argument : arguments) {
        parts << (argument.contains(QLatin1Char(' '))
                      ? QLatin1Char('"') + argument + QLatin1Char('"')
                      : argument);
    }
    return parts.join(QLatin1Char(' '));
}
