// ostrik-view: drag and drop of networks, tracks and SUMO networks.
#include "dropimport.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include <algorithm>

DropImport::DropImport(QObject *parent) : QObject(parent) {}

void DropImport::watch(QWidget *widget)
{
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
    // A scroll area's drops arrive at its viewport.
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget)) {
        area->viewport()->setAcceptDrops(true);
        area->viewport()->installEventFilter(this);
    }
}

DropImport::Kind DropImport::kindOf(const QString &file)
{
    const QString name = QFileInfo(file).fileName().toLower();
    if (name.endsWith(QLatin1String(".ostka")))
        return Kind::Network;
    if (name.endsWith(QLatin1String(".gpx")))
        return Kind::Gpx;
    if (name.endsWith(QLatin1String(".net.xml")) || name.endsWith(QLatin1String(".net.xml.gz")))
        return Kind::SumoNetwork;
    return Kind::Unknown;
}

QStringList DropImport::localFiles(const QMimeData *mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    return files;
}

bool DropImport::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *e = static_cast<QDropEvent *>(event);
        const QStringList files = localFiles(e->mimeData());
        const bool known = std::any_of(files.cbegin(), files.cend(),
                                       [](const QString &f) { return kindOf(f) != Kind::Unknown; });
        if (files.isEmpty())
            return QObject::eventFilter(watched, event);
        // Files of no kind the window opens: refused here rather than offered to the map.
        if (!known) {
            e->ignore();
            return true;
        }
        e->setDropAction(Qt::CopyAction);
        e->accept();
        return true;
    }
    case QEvent::Drop: {
        auto *e = static_cast<QDropEvent *>(event);
        const QStringList files = localFiles(e->mimeData());
        if (files.isEmpty())
            return QObject::eventFilter(watched, event);
        e->setDropAction(Qt::CopyAction);
        e->accept();
        drop(files);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

void DropImport::drop(const QStringList &files)
{
    QStringList unknown;
    for (const QString &f : files) {
        switch (kindOf(f)) {
        case Kind::Network: Q_EMIT openNetwork(f); break;
        case Kind::Gpx: Q_EMIT openGpx(f); break;
        case Kind::SumoNetwork: Q_EMIT importSumoNetwork(f); break;
        case Kind::Unknown: unknown << QFileInfo(f).fileName(); break;
        }
    }
    if (!unknown.isEmpty())
        Q_EMIT refused(tr("Not opened: %1 (the window takes road networks .ostka, GPX tracks .gpx and SUMO "
                          "networks .net.xml)").arg(unknown.join(QStringLiteral(", "))));
}
