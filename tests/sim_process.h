#pragma once

// veltrin-sensor-sim as a child process: started with the given options (inside a network namespace
// when one is named), ready once it printed its "ready ..." line, and ended whatever happens to the
// test or benchmark that owns it. Shared by the integration tests and the benchmarks; each passes its
// own loopback address.

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <memory>
#include <signal.h>

class SimProcess {
public:
    // The stand-in's standard error goes to ours unless it is kept (SeparateChannels) for `error`.
    explicit SimProcess(QProcess::ProcessChannelMode errors = QProcess::ForwardedErrorChannel)
        : m_errors(errors)
    {
    }
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;
    ~SimProcess() { stop(); }

    // Starts the stand-in and waits for its ready line; on failure `error` says why.
    bool start(const QStringList &arguments, const QString &netns = QString())
    {
        stop();
        ready.clear();
        pty.clear();
        error.clear();
        if (!QFileInfo::exists(QStringLiteral(VELTRIN_SIM_PATH))) {
            error = QStringLiteral("stand-in not built: " VELTRIN_SIM_PATH);
            return false;
        }
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(m_errors);
        if (netns.isEmpty())
            m_process->start(QStringLiteral(VELTRIN_SIM_PATH), arguments);
        else
            m_process->start(QStringLiteral("ip"),
                             QStringList{QStringLiteral("netns"), QStringLiteral("exec"), netns,
                                         QStringLiteral(VELTRIN_SIM_PATH)} +
                                 arguments);
        if (!m_process->waitForStarted(5000)) {
            error = QStringLiteral("the stand-in did not start: ") + m_process->errorString();
            return false;
        }
        QElapsedTimer clock;
        clock.start();
        while (!m_process->canReadLine() && clock.elapsed() < 10000) {
            if (m_process->state() != QProcess::Running)
                break;
            m_process->waitForReadyRead(100);
        }
        if (!m_process->canReadLine()) {
            error = QStringLiteral("no ready line from the stand-in: ") +
                    QString::fromLocal8Bit(m_process->readAllStandardOutput());
            if (m_errors == QProcess::SeparateChannels)
                error += QString::fromLocal8Bit(m_process->readAllStandardError());
            return false;
        }
        ready = QString::fromLatin1(m_process->readLine()).trimmed();
        const int at = ready.indexOf(QLatin1String(" pty="));
        pty = at >= 0 ? ready.mid(at + 5).section(QLatin1Char(' '), 0, 0) : QString();
        if (!ready.startsWith(QLatin1String("ready "))) {
            error = QStringLiteral("no ready line from the stand-in: ") + ready;
            return false;
        }
        return true;
    }

    // Asks the stand-in to end, kills it when it does not, and waits for it.
    void stop()
    {
        if (m_process && m_process->state() != QProcess::NotRunning) {
            m_process->terminate();
            if (!m_process->waitForFinished(2000)) {
                m_process->kill();
                m_process->waitForFinished(5000);
            }
        }
        m_process.reset();
    }

    // Sends a signal and waits for the end; the exit code, or -1 when it did not end normally.
    int signalAndWait(int signalNumber)
    {
        if (!m_process || m_process->state() != QProcess::Running)
            return -2;
        ::kill(pid_t(m_process->processId()), signalNumber);
        if (!m_process->waitForFinished(5000))
            return -1;
        return m_process->exitStatus() == QProcess::NormalExit ? m_process->exitCode() : -1;
    }

    // The next line of standard output (after the ready line) that starts with prefix, waiting up to
    // waitMs for it; empty when none came. Other lines are passed over. With waitMs 0 it does not block,
    // for callers whose event loop reads the output.
    QString takeLine(const QString &prefix, int waitMs = 0)
    {
        QElapsedTimer clock;
        clock.start();
        while (m_process) {
            while (m_process->canReadLine()) {
                const QString line = QString::fromLocal8Bit(m_process->readLine()).trimmed();
                if (line.startsWith(prefix))
                    return line;
            }
            const qint64 left = waitMs - clock.elapsed();
            if (left <= 0 || m_process->state() != QProcess::Running)
                break;
            m_process->waitForReadyRead(int(qMin<qint64>(left, 50)));
        }
        return QString();
    }

    bool running() const { return m_process && m_process->state() == QProcess::Running; }
    qint64 pid() const { return m_process ? m_process->processId() : 0; }

    QString ready; // the whole ready line
    QString pty;   // the pseudo-terminal it serves as its serial line, when started with --pty
    QString error;

private:
    QProcess::ProcessChannelMode m_errors;
    std::unique_ptr<QProcess> m_process;
};
