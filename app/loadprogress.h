// ostrik-view: progress while a network opens.
#pragma once

#include <QObject>
#include <QPointer>

class DemoSession;
class QProgressDialog;
class QWidget;

/*!
 * Shows the stages of opening a network (reading it, drawing it, setting up its
 * controllers) in a progress dialog with a busy cursor, for files of at least bigFile
 * bytes; smaller ones open too fast for a dialog to be more than a flicker. It ends when the session says
 * the opening is over, successful or not.
 */
class LoadProgress : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 BigFile = 2 * 1024 * 1024;

    //! \a bigFile: the size from which the dialog shows (BigFile unless a caller knows better).
    LoadProgress(DemoSession *session, QWidget *parent, qint64 bigFile = BigFile);
    ~LoadProgress() override;

    //! The dialog while a big network opens, else null.
    QProgressDialog *dialog() const;
    //! The stage shown last (0 before any).
    int lastStage() const { return m_stage; }

private:
    void finish();
    void stage(const QString &fileName, int stage);

    QWidget *m_parent;
    qint64 m_bigFile;
    QPointer<QProgressDialog> m_dialog;
    bool m_busy = false;
    int m_stage = 0;
};
