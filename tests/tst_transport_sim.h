#pragma once

// The sensor stand-in as a child process, for the connection and discovery tests, and a recorder
// that answers the program's message boxes.

#include "area/dialogs.h"
#include "sim_process.h"

// Keeps the stand-in's standard error for the failure message instead of mixing it into the test log.
class StandIn : public SimProcess {
public:
    StandIn() : SimProcess(QProcess::SeparateChannels) {}
};

// Answers every message box: 0 (the first button), except the reboot question, which is declined.
struct PromptRecorder {
    QList<Dialogs::Prompt> prompts;

    void install()
    {
        Dialogs::setResponder([this](const Dialogs::Prompt &p) {
            prompts << p;
            return p.text.contains(QLatin1String("Restart the sensor now?")) ? 1 : 0;
        });
    }
    static void uninstall() { Dialogs::setResponder({}); }

    // Messages that are, or begin with a first line that is, text (a sequence's message adds what
    // it did not do after its first line).
    int count(const QString &text) const
    {
        int n = 0;
        for (const Dialogs::Prompt &p : prompts)
            n += p.text == text || p.text.startsWith(text + QLatin1Char('\n')) ? 1 : 0;
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
