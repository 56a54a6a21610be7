// ostrik-view: the diagram widget and its pictures.
#include "timelinewidget.h"

#include "timelinepainter.h"

#include <QFileInfo>
#include <QPainter>
#include <QSvgGenerator>

TimelineWidget::TimelineWidget(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
}

void TimelineWidget::setDiagram(const TimelineDiagram &diagram)
{
    m_diagram = diagram;
    update();
}

QColor TimelineWidget::stateColor(int state)
{
    switch (state) {
    case SignalState::Green:
    case SignalState::GreenFlashing:
    case SignalState::GreenFlashingAlt:
        return QColor(0, 170, 40);
    case SignalState::Red:
        return QColor(220, 20, 20);
    case SignalState::Yellow:
    case SignalState::YellowFlashing:
        return QColor(255, 200, 0);
    case SignalState::RedYellow:
        return QColor(240, 110, 0);
    default:
        return QColor(175, 175, 175);
    }
}

void TimelineWidget::paint(QPainter &painter, const QRect &rect, const TimelineDiagram &diagram)
{
    TimelinePainter(painter, rect, diagram).paint();
}

TimelineLayout TimelineWidget::layout(const QRect &rect, const TimelineDiagram &diagram)
{
    // Measured with the font a painter on an image starts with, as render() and save() paint.
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&probe);
    return TimelineLayout::compute(rect, diagram, TimelinePainter::labelFont(p));
}

QImage TimelineWidget::render(const TimelineDiagram &diagram, const QSize &size)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    paint(p, img.rect(), diagram);
    return img;
}

bool TimelineWidget::save(const TimelineDiagram &diagram, const QString &fileName, const QSize &size, QString *error)
{
    if (QFileInfo(fileName).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setFileName(fileName);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(QStringLiteral("Time-distance diagram of %1").arg(diagram.route));
        svg.setDescription(QStringLiteral("ostrik-view"));
        QPainter p;
        // QSvgGenerator opens its file only when painting begins.
        if (!p.begin(&svg)) {
            *error = QStringLiteral("cannot write %1").arg(fileName);
            return false;
        }
        paint(p, QRect(QPoint(0, 0), size), diagram);
        if (!p.end()) {
            *error = QStringLiteral("cannot write %1").arg(fileName);
            return false;
        }
        return true;
    }
    if (!render(diagram, size).save(fileName, "PNG")) {
        *error = QStringLiteral("cannot write %1").arg(fileName);
        return false;
    }
    return true;
}

void TimelineWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    paint(p, rect(), m_diagram);
}
