#include "app/mainwindow.h"
#include "app/start_language.h"

#include <QApplication>
#include <QLocale>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Ties the windows to the installed desktop entry (taskbar icon and name on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.veltrin.Veltrin"));
    storeFirstStartLanguage(QLocale::system());
    MainWindow window;
    window.show();
    // A project file given on the command line (the desktop opens project files this way) takes
    // the place of the start dialog.
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        window.openFromCommandLine(args.at(1));
    else
        window.showStartDialog();
    return app.exec();
}
