// ostrik-view: hover and click on the map tell what lies there.
#pragma once

#include "hitdescription.h"
#include "networkpicker.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QWidget>

class MapView;

/*!
 * Watches the map view's viewport: a tooltip describes the junction, connection or crosswalk
 * under the cursor; a click (press and release within a few pixels, so not a drag) reports
 * what it hit through picked(). The events go on to the view and the plugin unchanged.
 */
class MapInspector : public QObject
{
    Q_OBJECT
public:
    MapInspector(MapView *view, const NetworkPicker *picker, HitDescription::LightLookup lookup,
                 QObject *parent = nullptr);

    //! What lies at viewport pixel \a pos.
    MapHit hitAt(const QPoint &pos) const;

Q_SIGNALS:
    void picked(const MapHit &hit);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MapView *m_view;
    // Compared by address: while the view dies its viewport still sends events, and the view
    // can no longer be asked for it.
    QPointer<QWidget> m_viewport;
    const NetworkPicker *m_picker;
    HitDescription::LightLookup m_lookup;
    QPoint m_pressAt;
    bool m_pressed = false;
};
