// ostrik-view: View → Find object, with completion over the objects' names.
#pragma once

#include <QDialog>

class DemoSession;
class QCompleter;
class QLabel;
class QLineEdit;

/*!
 * Asks for an object name, completing (anywhere in the name, ignoring case) over the names
 * of every open network's objects. find() centres the map on the object the plugin finds by
 * that name, at a zoom where it is drawn, and makes it seen: the plugin pulses its item and
 * the host draws a shrinking ring around it.
 */
class FindObject : public QDialog
{
    Q_OBJECT
public:
    FindObject(DemoSession *session, QWidget *parent = nullptr);

    QLineEdit *nameEdit() const { return m_edit; }
    QCompleter *completer() const { return m_completer; }

    /*!
     * Shows the object named \a name. False with \a error (for the user) when no drawn
     * object has that name.
     */
    static bool find(DemoSession *session, const QString &name, QString *error);

private:
    void tryFind();

    DemoSession *m_session;
    QLineEdit *m_edit;
    QCompleter *m_completer;
    QLabel *m_message;
};
