// ostrik-view: the SUMO import the user starts from the window.
#include "sumoimport.h"

#include "importcache.h"

#include <QFileInfo>
#include <QProgressDialog>

SumoImport::SumoImport(QWidget *parent) : QObject(parent), m_parent(parent) {}

SumoImport::~SumoImport()
{
    stop();
}

bool SumoImport::isRunning() const
{
    return m_cache && m_dialog;
}

void SumoImport::stop()
{
    // Destroying the cache kills a running importer before it writes anything further.
    delete m_cache.data();
    delete m_dialog.data();
}

void SumoImport::start(const QString &netFile, int firstController)
{
    stop();
    const QString name = QFileInfo(netFile).fileName();
    m_dialog = new QProgressDialog(tr("Importing %1\u2026").arg(name), tr("Cancel"), 0, 100, m_parent);
    m_dialog->setWindowTitle(tr("Import SUMO network"));
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
    m_cache = new ImportCache(this);
    connect(m_dialog, &QProgressDialog::canceled, this, &SumoImport::stop);
    connect(m_cache, &ImportCache::progress, m_dialog, [this, name](const QString &stage, int percent) {
        m_dialog->setLabelText(tr("Importing %1: %2").arg(name, stage));
        m_dialog->setValue(qBound(0, percent, 99));
    });
    connect(m_cache, &ImportCache::finished, this,
            [this](const QString &network, bool, const QStringList &warnings) {
                m_cache->deleteLater();
                delete m_dialog.data();
                Q_EMIT imported(network, warnings);
            });
    connect(m_cache, &ImportCache::failed, this, [this](const QString &error) {
        m_cache->deleteLater();
        delete m_dialog.data();
        Q_EMIT failed(error);
    });
    m_dialog->show();
    m_cache->ensure(netFile, {}, firstController);
}

QProgressDialog *SumoImport::dialog() const
{
    return m_dialog;
}
