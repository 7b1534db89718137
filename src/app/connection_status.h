#pragma once

#include "area/store/language.h"
#include <QWidget>

class QLabel;
class QPushButton;

// The one place in the status bar that says whether the program is talking to a sensor: the state
// as a coloured word, the port or address in use beside it and, while a restarted sensor is awaited,
// the seconds left and a Cancel button. Other status-bar badges sit beside it and may follow
// StateChanged.
class ConnectionStatus : public QWidget {
    Q_OBJECT

public:
    enum class State { Closed, Connecting, Connected, Restarting, Lost };
    Q_ENUM(State)

    // peerLabel is the window's connection label (port or address); it is shown inside this widget.
    explicit ConnectionStatus(QLabel *peerLabel, QWidget *parent = nullptr);

    State state() const { return m_state; }
    // why: shown as the tool tip (the reason of a loss, for example).
    void setState(State state, const QString &why = QString());
    // Seconds left while restarting.
    void setCountdown(int seconds);
    void setLanguage(Language language);

    QLabel *stateLabel() const { return m_word; }
    QPushButton *cancelButton() const { return m_cancel; }
    // The background colour that tells the state apart at a glance.
    static QColor colour(State state);

signals:
    void StateChanged(ConnectionStatus::State state);
    // Cancel pressed while restarting.
    void CancelRequested();

private:
    void refresh();

    State m_state = State::Closed;
    Language m_language = Language::Chinese;
    int m_countdown = 0;
    QLabel *m_word;
    QLabel *m_peer;
    QPushButton *m_cancel;
};
