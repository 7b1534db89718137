#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The one seam for message boxes and file dialogs. The program calls these; a test installs a
// responder and answers them without a person. Without a responder the real dialogs are shown.
namespace Dialogs {

enum class Icon { Information, Warning, Critical, Question };

struct Prompt {
    Icon icon;
    QString title;
    QString text;
    QStringList buttons; // in the order shown; empty means a single OK
};

enum class FileMode { Open, Save };

struct FilePrompt {
    FileMode mode;
    QString caption;
    QString directory;
    QString filter;
};

// Shows a modal box; returns the index of the chosen button, -1 when closed without a choice.
int ask(QWidget *parent, Icon icon, const QString &title, const QString &text,
        const QStringList &buttons = {}, int defaultButton = 0);

// Shows a box and returns at once, without a nested event loop (for messages raised while an exchange
// runs); answered(index) is called when the user has chosen (-1: closed without a choice). A test's
// responder answers it at once.
void show(QWidget *parent, Icon icon, const QString &title, const QString &text,
          const QStringList &buttons = {}, std::function<void(int)> answered = {});

// A file name chosen by the user, or an empty string on cancel.
QString fileName(QWidget *parent, FileMode mode, const QString &caption, const QString &directory,
                 const QString &filter);

using Responder = std::function<int(const Prompt &)>;
using FileResponder = std::function<QString(const FilePrompt &)>;
void setResponder(Responder responder);
void setFileResponder(FileResponder responder);

} // namespace Dialogs
