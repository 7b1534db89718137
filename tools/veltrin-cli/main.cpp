// veltrin-cli: the exchange with laser area scanners, for scripts and for a fleet at once.
#include "cli_args.h"
#include "cli_commands.h"
#include "cli_output.h"
#include "veltrin_version.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <memory>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    Invocation inv;
    QString message;
    if (!parseArguments(arguments, &inv, &message)) {
        setJsonOutput(arguments.contains(QStringLiteral("--json")));
        printErr(QString("veltrin-cli: %1\nTry veltrin-cli --help.\n").arg(message));
        return finishJson(ExitUsage);
    }
    if (inv.version) {
        printOut(QStringLiteral("veltrin-cli " VELTRIN_VERSION "\n" VELTRIN_VERSION_NOTICE));
        return ExitOk;
    }
    if (inv.help) {
        printOut(helpText(inv.command));
        return ExitOk;
    }
    if (inv.command == QLatin1String("report") && !reportOptionsValid(inv))
        return ExitUsage;
    // The report draws with fonts, which needs a GUI application; without a display it draws offscreen.
    std::unique_ptr<QCoreApplication> app;
    if (inv.command == QLatin1String("report")) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // The platform's start-up notes (no runtime folder and the like) are no result of a script's
        // command; what goes wrong with the report is said by the command itself.
        QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("veltrin-cli"));

    setJsonOutput(inv.has("json"));
    if (inv.command == QLatin1String("discover"))
        return finishJson(runDiscover(inv));
    if (inv.command == QLatin1String("diff"))
        return finishJson(runDiff(inv));
    if (inv.command == QLatin1String("report"))
        return runReport(inv);
    if (inv.command == QLatin1String("check"))
        return finishJson(runCheck(inv));
    // The monitor prints JSON lines of its own as it goes.
    if (inv.command == QLatin1String("monitor"))
        return runMonitor(inv);
    return finishJson(runExchange(inv));
}
