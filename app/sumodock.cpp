// ostrik-view: the SUMO panel of the window.
#include "sumodock.h"

#include "livesumo.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

SumoDock::SumoDock(LiveSumo *live, QWidget *parent)
    : QDockWidget(tr("SUMO"), parent)
    , m_live(live)
    , m_state(new QLabel)
    , m_log(new QPlainTextEdit)
    , m_reconnect(new QAction(tr("Re&connect to SUMO"), this))
    , m_disconnect(new QAction(tr("&Disconnect from SUMO"), this))
{
    setObjectName(QStringLiteral("sumo"));
    m_state->setWordWrap(true);
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(MaxLines);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_state, 1);
    for (QAction *a : {m_reconnect, m_disconnect}) {
        auto *button = new QToolButton;
        button->setDefaultAction(a);
        buttons->addWidget(button);
    }
    auto *body = new QWidget;
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(m_log, 1);
    setWidget(body);

    connect(live, &LiveSumo::note, m_log, &QPlainTextEdit::appendPlainText);
    connect(live, &LiveSumo::changed, this, &SumoDock::update);
    // "Unload all" ends following SUMO; the panel stays, saying so.
    connect(live, &QObject::destroyed, this, [this] {
        m_live = nullptr;
        m_state->setText(tr("not following SUMO (its network was unloaded)"));
        m_state->setStyleSheet(QString());
        m_reconnect->setEnabled(false);
        m_disconnect->setEnabled(false);
    });
    connect(m_reconnect, &QAction::triggered, live, &LiveSumo::reconnect);
    connect(m_disconnect, &QAction::triggered, live, &LiveSumo::stop);
    update();
}

QList<QAction *> SumoDock::connectionActions() const
{
    return {m_reconnect, m_disconnect};
}

QString SumoDock::logText() const
{
    return m_log->toPlainText();
}

void SumoDock::update()
{
    if (!m_live)
        return;
    const LiveSumo::Phase phase = m_live->phase();
    const bool ended = phase == LiveSumo::Phase::Ended || phase == LiveSumo::Phase::Failed;
    m_state->setText(m_live->statusText());
    m_state->setStyleSheet(ended ? QStringLiteral("color: #b00020; font-weight: bold") : QString());
    m_reconnect->setEnabled(ended);
    m_disconnect->setEnabled(phase == LiveSumo::Phase::Live || phase == LiveSumo::Phase::Connecting);
}
