// ostrik-view: the map view with a quiet background, graticule, scale bar and legend.
#pragma once

#include <mirel/osmview.h>

#include <QStringList>

/*!
 * The host map view (an OsmView, so the plugin finds it by class). Without map tiles it
 * paints a plain paper-coloured background with a labelled longitude/latitude graticule,
 * and on top a scale bar, a legend of the signal-state display and a few status lines.
 */
class MapView : public OsmView
{
    Q_OBJECT
public:
    explicit MapView(QGraphicsScene *scene, QWidget *parent = nullptr);

    //! Lines shown in the top-left corner (for example the simulation time).
    void setStatusLines(const QStringList &lines);
    void setLegendVisible(bool visible);
    //! Adds the vehicles' colours to the legend (while a live source draws vehicles).
    void setVehicleLegendVisible(bool visible);
    //! A line that stands out under the status lines (empty: none), e.g. why nothing is drawn.
    void setHint(const QString &hint);
    QString hint() const { return m_hint; }
    //! The legend of the host's overview (below the plugin's zoom) instead of the signal display's.
    void setOverviewLegend(bool overview);

    //! Metres per screen pixel at the view centre.
    double metresPerPixel() const;
    //! The visible part of the map, in geographic coordinates.
    QRectF visibleGeoRect() const;

    //! Graticule step (degrees) for a span of \a degrees over \a pixels: about 100+ px apart.
    static double graticuleStep(double degrees, double pixels);
    //! Scale-bar length in metres: 1, 2 or 5 times a power of ten, at most \a maxMetres.
    static double niceLength(double maxMetres);

protected:
    void drawBackground(QPainter *painter, const QRectF &rect) override;
    void drawForeground(QPainter *painter, const QRectF &rect) override;

private:
    void drawScaleBar(QPainter *painter);
    void drawLegend(QPainter *painter);
    void drawHint(QPainter *painter, int top);

    QStringList m_status;
    QString m_hint;
    bool m_legend = true;
    bool m_vehicleLegend = false;
    bool m_overviewLegend = false;
};
