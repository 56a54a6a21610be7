// ostrik-view: the stages of opening a network, shown.
#include "loadprogress.h"

#include "session.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>

LoadProgress::LoadProgress(DemoSession *session, QWidget *parent, qint64 bigFile)
    : QObject(parent), m_parent(parent), m_bigFile(bigFile)
{
    connect(session, &DemoSession::loading, this, &LoadProgress::stage);
}

LoadProgress::~LoadProgress()
{
    finish();
}

void LoadProgress::stage(const QString &fileName, int stage)
{
    if (stage == 0) {
        finish();
        return;
    }
    m_stage = stage;
    const QFileInfo fi(fileName);
    if (stage == 1 && fi.size() >= m_bigFile && !m_dialog) {
        m_dialog = new QProgressDialog(m_parent);
        m_dialog->setWindowTitle(tr("Open network"));
        m_dialog->setCancelButton(nullptr);
        m_dialog->setRange(0, 3);
        m_dialog->setMinimumDuration(0);
        m_dialog->setWindowModality(Qt::WindowModal);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busy = true;
    }
    if (!m_dialog)
        return;
    static const char *const stages[] = {
        QT_TR_NOOP("Reading %1 (%2 MB)\u2026"),
        QT_TR_NOOP("Drawing %1 (%2 MB)\u2026"),
        QT_TR_NOOP("Setting up the controllers of %1 (%2 MB)\u2026"),
    };
    m_dialog->setLabelText(tr(stages[qBound(1, stage, 3) - 1]).arg(fi.fileName()).arg(fi.size() / 1048576.0, 0, 'f', 1));
    m_dialog->setValue(stage - 1);
    m_dialog->show();
    // Opening holds the event loop; the dialog is painted now or not at all. No user input
    // is taken, so nothing can start while the network is half open.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void LoadProgress::finish()
{
    delete m_dialog.data();
    if (m_busy)
        QApplication::restoreOverrideCursor();
    m_busy = false;
}

QProgressDialog *LoadProgress::dialog() const
{
    return m_dialog;
}
