#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

// Results go to standard output, progress and messages to standard error, both UTF-8.
void printOut(const QString &text);
// Lines that begin "veltrin-cli: " are errors: with --json they also go into the closing document.
void printErr(const QString &text);
void printJson(const QJsonObject &object);

// With --json every exit prints one JSON document: when the command printed none (it failed before its
// result), finishJson prints {"error": the errors said, "exitCode": code}. Returns code.
void setJsonOutput(bool json);
int finishJson(int code);

// Ctrl-C while a command talks to sensors: onInterrupt runs from the event loop instead of the program
// dying between two bytes of a frame. A second Ctrl-C ends the program at once, as usual.
class InterruptWatch : public QObject {
public:
    explicit InterruptWatch(std::function<void()> onInterrupt);
    ~InterruptWatch() override;
    bool interrupted() const { return m_interrupted; }

private:
    std::function<void()> m_onInterrupt;
    bool m_interrupted = false;
};

// Progress of one or several sensors on standard error: a bar redrawn in place when it is a terminal,
// otherwise one line whenever a stage begins or ends, so a log stays readable.
class Progress {
public:
    Progress();
    ~Progress();
    // Stage of the work (what), done of total steps; label names the sensor.
    void update(const QString &label, const QString &what, int done, int total);
    // Clears the bar (before a result or a message is printed).
    void clear();
    static bool stderrIsTerminal();

private:
    bool m_terminal;
    bool m_drawn = false;
    QSet<QString> m_started, m_finished;
    QElapsedTimer m_redraw;
};
