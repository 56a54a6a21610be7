// ostrik-view: info panel with states kept current.
#include "infopanel.h"

#include <QTextBrowser>
#include <QTimer>

InfoPanel::InfoPanel(HitDescription::LightLookup lookup, QWidget *parent)
    : QDockWidget(tr("Info"), parent)
    , m_lookup(std::move(lookup))
    , m_text(new QTextBrowser)
{
    setObjectName(QStringLiteral("info"));
    m_text->setOpenLinks(false);
    setWidget(m_text);
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });
    timer->start(500);
    refresh();
}

void InfoPanel::showHit(const MapHit &hit)
{
    m_hit = hit;
    refresh();
}

QString InfoPanel::plainText() const
{
    return m_text->toPlainText();
}

void InfoPanel::refresh()
{
    if (m_hit.kind != MapHit::None && !m_hit.isValid())
        m_hit = MapHit();
    const QString html = HitDescription::html(m_hit, m_lookup);
    // Unchanged text is not set again: that would reset the reader's scroll position.
    if (html == m_shown)
        return;
    m_shown = html;
    m_text->setHtml(html);
}
