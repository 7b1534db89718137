#pragma once

// veltrin-cli as a child process: its exit code, standard output and standard error.

#include <QProcess>
#include <QString>
#include <QStringList>

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline CliRun runCli(const QStringList &arguments, int timeoutMs = 60000)
{
    CliRun run;
    QProcess process;
    process.start(QStringLiteral(VELTRIN_CLI_PATH), arguments);
    if (!process.waitForStarted(5000)) {
        run.err = QStringLiteral("veltrin-cli did not start: ") + process.errorString();
        return run;
    }
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        run.err = QStringLiteral("veltrin-cli did not finish");
        return run;
    }
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}
