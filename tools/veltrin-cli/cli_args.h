#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Exit codes of every command.
enum ExitCode {
    ExitOk = 0,
    ExitDifferent = 1,    // a difference found, or the sensor rejected a write
    ExitUsage = 2,        // bad usage or a bad file
    ExitUnreachable = 3,  // the sensor could not be reached or stopped answering
    ExitInterrupted = 130 // Ctrl-C: stopped at a frame boundary, what was done is said
};

// One command line, parsed against the table of commands.
struct Invocation {
    QString command;
    QStringList positional;
    QHash<QString, QStringList> options; // long name -> values (an empty value for a flag)
    bool help = false;
    bool version = false; // --version: the program's version and licence

    bool has(const QString &name) const { return options.contains(name); }
    QString value(const QString &name, const QString &fallback = QString()) const
    {
        const QStringList v = options.value(name);
        return v.isEmpty() ? fallback : v.last();
    }
    QStringList values(const QString &name) const { return options.value(name); }
};

// Parses the arguments (without the program name). On bad usage returns false with the message.
bool parseArguments(const QStringList &arguments, Invocation *invocation, QString *message);

// Help of the program (empty command) or of one command, in English.
QString helpText(const QString &command);

// Reads a number option; false, the reason printed as an error, when it is no number in [low, high].
bool numberOption(const Invocation &inv, const QString &name, double low, double high, double *out);
