// ostrik-view: files dropped onto the window.
#pragma once

#include <QObject>
#include <QStringList>

class QMimeData;
class QWidget;

/*!
 * Takes files dropped onto the widgets it watches: road networks (.ostka), GPX tracks (.gpx)
 * and SUMO networks (.net.xml, .net.xml.gz), and asks for each to be opened, in the order
 * dropped. A drag is accepted when it carries at least one local file of these kinds; the
 * other files of a drop are named in refused().
 */
class DropImport : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Unknown, Network, Gpx, SumoNetwork };

    explicit DropImport(QObject *parent = nullptr);

    //! Makes \a widget accept drops (a scroll area: its viewport as well).
    void watch(QWidget *widget);
    static Kind kindOf(const QString &file);
    //! The local files of \a mime, known kinds or not.
    static QStringList localFiles(const QMimeData *mime);

Q_SIGNALS:
    void openNetwork(const QString &file);
    void openGpx(const QString &file);
    void importSumoNetwork(const QString &file);
    //! Files of a drop that are none of the known kinds, with a message for the user.
    void refused(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void drop(const QStringList &files);
};
