// ostrik-view: progress while a network opens.
#pragma once

#include <QObject>
#include <QPointer>

class DemoSession;
class QProgressDialog;
class QWidget;

/*!
 * Shows the stages of opening a network (reading it, setting up its controllers, drawing
 * it) in a progress dialog with a busy cursor, for files of at least BigFile bytes; smaller
 * ones open too fast for a dialog to be more than a flicker. It ends when the session says
 * the opening is over, successful or not.
 */
class LoadProgress : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 BigFile = 2 * 1024 * 1024;

    LoadProgress(DemoSession *session, QWidget *parent);
    ~LoadProgress() override;

    //! The dialog while a big network opens, else null.
    QProgressDialog *dialog() const;
    //! The stage shown last (0 before any).
    int lastStage() const { return m_stage; }

private:
    void finish();
    void stage(const QString &fileName, int stage);

    QWidget *m_parent;
    QPointer<QProgressDialog> m_dialog;
    bool m_busy = false;
    int m_stage = 0;
};
