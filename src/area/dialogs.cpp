#include "area/dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace Dialogs {
namespace {
Responder g_responder;
FileResponder g_fileResponder;

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::Question: return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}
} // namespace

void setResponder(Responder responder)
{
    g_responder = std::move(responder);
}
void setFileResponder(FileResponder responder)
{
    g_fileResponder = std::move(responder);
}

namespace {
QList<QAbstractButton *> addButtons(QMessageBox *box, const QStringList &buttons)
{
    QList<QAbstractButton *> added;
    if (buttons.isEmpty()) {
        added << box->addButton(QMessageBox::Ok);
    } else {
        for (int i = 0; i < buttons.size(); ++i) {
            // Accept role for the first, reject role for the last, so Escape means the last.
            QMessageBox::ButtonRole role = i == 0                    ? QMessageBox::AcceptRole
                                           : i == buttons.size() - 1 ? QMessageBox::RejectRole
                                                                     : QMessageBox::DestructiveRole;
            added << box->addButton(buttons[i], role);
        }
    }
    return added;
}
} // namespace

int ask(QWidget *parent, Icon icon, const QString &title, const QString &text, const QStringList &buttons,
        int defaultButton)
{
    if (g_responder)
        return g_responder(Prompt{icon, title, text, buttons});

    // The box runs a nested event loop; the parent may go away meanwhile.
    QPointer<QMessageBox> box = new QMessageBox(boxIcon(icon), title, text, QMessageBox::NoButton, parent);
    const QList<QAbstractButton *> added = addButtons(box, buttons);
    if (defaultButton >= 0 && defaultButton < added.size())
        box->setDefaultButton(qobject_cast<QPushButton *>(added[defaultButton]));
    box->exec();
    if (!box)
        return -1;
    int chosen = added.indexOf(box->clickedButton());
    box->deleteLater();
    return chosen;
}

void show(QWidget *parent, Icon icon, const QString &title, const QString &text, const QStringList &buttons,
          std::function<void(int)> answered)
{
    if (g_responder) {
        const int chosen = g_responder(Prompt{icon, title, text, buttons});
        if (answered)
            answered(chosen);
        return;
    }
    auto *box = new QMessageBox(boxIcon(icon), title, text, QMessageBox::NoButton, parent);
    const QList<QAbstractButton *> added = addButtons(box, buttons);
    if (!added.isEmpty())
        box->setDefaultButton(qobject_cast<QPushButton *>(added.first()));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal); // blocks input, not the event loop
    QObject::connect(box, &QMessageBox::finished, box, [box, added, answered] {
        if (answered)
            answered(added.indexOf(box->clickedButton()));
    });
    box->show();
}

QString fileName(QWidget *parent, FileMode mode, const QString &caption, const QString &directory,
                 const QString &filter)
{
    if (g_fileResponder)
        return g_fileResponder(FilePrompt{mode, caption, directory, filter});
    if (mode == FileMode::Open)
        return QFileDialog::getOpenFileName(parent, caption, directory, filter);
    // The caller adds the extension and asks about replacing a file under that final name.
    return QFileDialog::getSaveFileName(parent, caption, directory, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

} // namespace Dialogs
