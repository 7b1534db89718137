#include "app/mainwindow.h"
#include "app/start_language.h"

#include "veltrin_version.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <cstring>

namespace {

const char kHelp[] =
    "Usage: veltrin [PROJECT_FILE]\n"
    "Configures and monitors two-dimensional laser area scanners: designs the 64 areas a scanner\n"
    "guards (three output zones each), exchanges them and the sensor parameters with the scanner over a\n"
    "serial port or Ethernet, and shows the live scan.\n"
    "\n"
    "Without PROJECT_FILE the start dialog offers a new project, a project file or a connection to a\n"
    "sensor. A project file (.VKT05, .VKT10, .VKT20, .VKT30 or .VKT50) named on the command line is\n"
    "opened instead.\n"
    "\n"
    "Options:\n"
    "  -h, --help     Show this help and exit.\n"
    "  -v, --version  Show the version and exit.\n"
    "\n"
    "Qt's own options, such as -platform NAME or -style NAME, are accepted as well.\n";

// Help and version are answered before anything of the window exists: they need no display and the
// windows' discovery search is never sent.
bool answeredWithoutWindow(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help")) {
            std::fputs(kHelp, stdout);
            return true;
        }
        if (!std::strcmp(argv[i], "-v") || !std::strcmp(argv[i], "--version")) {
            std::fputs("veltrin " VELTRIN_VERSION "\n" VELTRIN_VERSION_NOTICE, stdout);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    if (answeredWithoutWindow(argc, argv))
        return 0;
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
