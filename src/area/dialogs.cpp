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

int ask(QWidget *parent, Icon icon, const QString &title, const QString &text, const QStringList &buttons,
        int defaultButton)
{
    if (g_responder)
        return g_responder(Prompt{icon, title, text, buttons});

    // The box runs a nested event loop; the parent may go away meanwhile.
    QPointer<QMessageBox> box = new QMessageBox(boxIcon(icon), title, text, QMessageBox::NoButton, parent);
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
    if (defaultButton >= 0 && defaultButton < added.size())
        box->setDefaultButton(qobject_cast<QPushButton *>(added[defaultButton]));
    box->exec();
    if (!box)
        return -1;
    int chosen = added.indexOf(box->clickedButton());
    box->deleteLater();
    return chosen;
}

QString fileName(QWidget *parent, FileMode mode, const QString &caption, const QString &directory,
                 const QString &filter)
{
    if (g_fileResponder)
        return g_fileResponder(FilePrompt{mode, caption, directory, filter});
    if (mode == FileMode::Open)
        return QFileDialog::getOpenFileName(parent, caption, directory, filter);
    return QFileDialog::getSaveFileName(parent, caption, directory, filter);
}

} // namespace Dialogs
