// ostrik-view: the SUMO panel of the window.
#include "sumodock.h"

#include "livesumo.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

SumoDock::SumoDock(LiveSumo *live, QWidget *parent)
    : QDockWidget(tr("SUMO"), parent)
    , m_live(live)
    , m_state(new QLabel)
    , m_log(new QPlainTextEdit)
    , m_reconnect(new QPushButton(tr("&Reconnect")))
    , m_disconnect(new QPushButton(tr("&Disconnect")))
{
    setObjectName(QStringLiteral("sumo"));
    m_state->setWordWrap(true);
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(MaxLines);
    m_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_state, 1);
    buttons->addWidget(m_reconnect);
    buttons->addWidget(m_disconnect);
    auto *body = new QWidget;
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addWidget(m_log, 1);
    setWidget(body);

    connect(live, &LiveSumo::note, m_log, &QPlainTextEdit::appendPlainText);
    connect(live, &LiveSumo::changed, this, &SumoDock::update);
    connect(m_reconnect, &QPushButton::clicked, live, &LiveSumo::reconnect);
    connect(m_disconnect, &QPushButton::clicked, live, &LiveSumo::stop);
    update();
}

QString SumoDock::logText() const
{
    return m_log->toPlainText();
}

void SumoDock::update()
{
    const LiveSumo::Phase phase = m_live->phase();
    const bool ended = phase == LiveSumo::Phase::Ended || phase == LiveSumo::Phase::Failed;
    m_state->setText(m_live->statusText());
    m_state->setStyleSheet(ended ? QStringLiteral("color: #b00020; font-weight: bold") : QString());
    m_reconnect->setEnabled(ended);
    m_disconnect->setEnabled(phase == LiveSumo::Phase::Live || phase == LiveSumo::Phase::Connecting);
}
