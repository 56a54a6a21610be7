// ostrik-view: the last folder and the recently opened files.
#pragma once

#include <QObject>
#include <QStringList>

class QMenu;

/*!
 * The files the user opened last (networks, GPX tracks, SUMO networks; newest first, at most
 * MaxFiles, each once) and the folder of the newest, kept in the host's settings group
 * "files". menu() lists them; choosing one emits openRequested(). A file that has gone since
 * is dropped from the list when the menu is shown.
 */
class RecentFiles : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxFiles = 8;

    explicit RecentFiles(QObject *parent = nullptr);

    QStringList files() const { return m_files; }
    //! The folder of the file opened last (the home folder before any).
    QString lastFolder() const;
    //! Puts \a file first and remembers its folder.
    void add(const QString &file);
    void clear();
    //! The "Open recent" menu (owned by this object's user through \a parent).
    QMenu *menu(QWidget *parent);

Q_SIGNALS:
    void openRequested(const QString &file);

private:
    void fillMenu();
    void store() const;

    QStringList m_files;
    QString m_folder;
    QMenu *m_menu = nullptr;
};
