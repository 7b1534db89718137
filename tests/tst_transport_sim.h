#pragma once

// The sensor stand-in as a child process, for the connection and discovery tests, and a recorder
// that answers the program's message boxes.

#include "area/dialogs.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

#include <memory>

class StandIn {
public:
    ~StandIn() { stop(); }

    // Starts the stand-in (inside the named network namespace when one is given) and waits for its
    // ready line.
    bool start(const QStringList &arguments, const QString &netns = QString())
    {
        stop();
        m_process = std::make_unique<QProcess>();
        m_process->setProcessChannelMode(QProcess::SeparateChannels);
        if (netns.isEmpty())
            m_process->start(QStringLiteral(VELTRIN_SIM_PATH), arguments);
        else
            m_process->start(QStringLiteral("ip"),
                             QStringList{QStringLiteral("netns"), QStringLiteral("exec"), netns,
                                         QStringLiteral(VELTRIN_SIM_PATH)} +
                                 arguments);
        if (!m_process->waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!m_process->canReadLine() && clock.elapsed() < 10000) {
            if (m_process->state() != QProcess::Running)
                break;
            m_process->waitForReadyRead(100);
        }
        if (!m_process->canReadLine()) {
            error = QString::fromLocal8Bit(m_process->readAllStandardError());
            return false;
        }
        ready = QString::fromLatin1(m_process->readLine()).trimmed();
        const int at = ready.indexOf(QLatin1String(" pty="));
        pty = at >= 0 ? ready.mid(at + 5).section(QLatin1Char(' '), 0, 0) : QString();
        return ready.startsWith(QLatin1String("ready "));
    }

    // Kills the process, whatever state it is in, and waits for it.
    void stop()
    {
        if (m_process && m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
        m_process.reset();
    }

    bool running() const { return m_process && m_process->state() == QProcess::Running; }

    QString ready;
    QString pty;
    QString error;

private:
    std::unique_ptr<QProcess> m_process;
};

// Answers every message box: 0 (the first button), except the reboot question, which is declined.
struct PromptRecorder {
    QList<Dialogs::Prompt> prompts;

    void install()
    {
        Dialogs::setResponder([this](const Dialogs::Prompt &p) {
            prompts << p;
            return p.text.contains(QLatin1String("restart?")) ? 1 : 0;
        });
    }
    static void uninstall() { Dialogs::setResponder({}); }

    int count(const QString &text) const
    {
        int n = 0;
        for (const Dialogs::Prompt &p : prompts)
            n += p.text == text ? 1 : 0;
        return n;
    }
    const Dialogs::Prompt *find(const QString &title) const
    {
        for (const Dialogs::Prompt &p : prompts)
            if (p.title == title)
                return &p;
        return nullptr;
    }
};
