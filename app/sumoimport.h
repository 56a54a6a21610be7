// ostrik-view: File → Import SUMO network…, with a progress dialog.
#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class ImportCache;
class QProgressDialog;
class QWidget;

/*!
 * Imports a SUMO network with ostka-import (through ImportCache, so a network imported before
 * is found again) while a progress dialog shows the importer's stage and percentage. Cancel
 * stops the importer and nothing is opened. One import at a time: starting another cancels
 * the running one.
 */
class SumoImport : public QObject
{
    Q_OBJECT
public:
    explicit SumoImport(QWidget *parent);
    ~SumoImport() override;

    /*!
     * Starts importing \a netFile; \a firstController > 0 numbers its controllers from there
     * (so that they do not clash with the networks already open).
     */
    void start(const QString &netFile, int firstController);
    bool isRunning() const;
    //! The dialog of the running import (null when none runs).
    QProgressDialog *dialog() const;

Q_SIGNALS:
    void imported(const QString &network, const QStringList &warnings);
    void failed(const QString &error);

private:
    void stop();

    QWidget *m_parent;
    QPointer<ImportCache> m_cache;
    QPointer<QProgressDialog> m_dialog;
};
