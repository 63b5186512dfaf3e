#include "app/KestruneApp.h"

#include "app/CommandLine.h"
#include "gui/ConsoleWindow.h"
#include "gui/MessageBoxes.h"

#include <QCoreApplication>

std::string CKestruneApp::CommandLineText() const {
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments())
        arguments.push_back(argument.toStdString());
    return JoinCommandLine(arguments);
}

void CKestruneApp::ShowStartupError(const std::string& text) {
    MessageBoxRequest request;
    request.text = QString::fromStdString(text);
    request.caption = QStringLiteral("Error");
    ShowMessageBox(request);
}

void CKestruneApp::RunConsole() {
    CConsoleWindow console(debugMode);
    console.exec();
}
