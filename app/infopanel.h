// ostrik-view: the dockable panel that tells what was clicked on the map.
#pragma once

#include "hitdescription.h"

#include <QDockWidget>

class QTextBrowser;
class QTimer;

/*!
 * Shows HitDescription::html of the last clicked object and keeps its group states current
 * (re-read twice a second while the panel is visible). When the object's network is
 * unloaded the panel goes back to its invitation to click.
 */
class InfoPanel : public QDockWidget
{
    Q_OBJECT
public:
    explicit InfoPanel(HitDescription::LightLookup lookup, QWidget *parent = nullptr);

    void showHit(const MapHit &hit);
    const MapHit &hit() const { return m_hit; }
    //! The text the panel shows now, without markup.
    QString plainText() const;
    //! Reads the states again (and forgets an object whose network went).
    void refresh();

private:
    HitDescription::LightLookup m_lookup;
    MapHit m_hit;
    QTextBrowser *m_text;
    QString m_shown;
};
