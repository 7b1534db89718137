#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QSet>
#include <QString>

// Results go to standard output, progress and messages to standard error, both UTF-8.
void printOut(const QString &text);
void printErr(const QString &text);
void printJson(const QJsonObject &object);

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
