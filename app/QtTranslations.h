#pragma once

class QCoreApplication;

// Installs Qt's own Russian texts into the application, so that the standard buttons of
// the message boxes ("Да", "Нет") and the edit fields' context menus read as the rest of
// the window does. False, with a warning, when Qt's translations are not installed: the
// program still works, with those few texts in English.
bool InstallQtTranslations(QCoreApplication& application);
