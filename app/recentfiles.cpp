// ostrik-view: recent files and the last folder across runs.
#include "recentfiles.h"

#include "hostsettings.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>

#include <algorithm>

RecentFiles::RecentFiles(QObject *parent) : QObject(parent)
{
    if (const auto settings = HostSettings::open(QStringLiteral("files"))) {
        m_files = settings->value(QStringLiteral("recent")).toStringList().mid(0, MaxFiles);
        m_folder = settings->value(QStringLiteral("lastFolder")).toString();
    }
}

QString RecentFiles::lastFolder() const
{
    return !m_folder.isEmpty() && QFileInfo(m_folder).isDir() ? m_folder : QDir::homePath();
}

void RecentFiles::add(const QString &file)
{
    const QFileInfo fi(file);
    const QString path = fi.absoluteFilePath();
    m_files.removeAll(path);
    m_files.prepend(path);
    m_files = m_files.mid(0, MaxFiles);
    m_folder = fi.absolutePath();
    store();
    fillMenu();
}

void RecentFiles::clear()
{
    m_files.clear();
    store();
    fillMenu();
}

QMenu *RecentFiles::menu(QWidget *parent)
{
    if (!m_menu) {
        m_menu = new QMenu(tr("Open &recent"), parent);
        connect(m_menu, &QMenu::aboutToShow, this, [this] {
            const int before = m_files.size();
            m_files.erase(std::remove_if(m_files.begin(), m_files.end(),
                                         [](const QString &f) { return !QFileInfo(f).isFile(); }),
                          m_files.end());
            if (m_files.size() != before)
                store();
            fillMenu();
        });
        fillMenu();
    }
    return m_menu;
}

void RecentFiles::fillMenu()
{
    if (!m_menu)
        return;
    m_menu->clear();
    if (m_files.isEmpty()) {
        m_menu->addAction(tr("(none yet)"))->setEnabled(false);
        return;
    }
    int n = 0;
    for (const QString &f : qAsConst(m_files)) {
        // The number is the keyboard accelerator; the folder tells two "net.xml" apart.
        QAction *a = m_menu->addAction(QStringLiteral("&%1  %2").arg(++n).arg(QFileInfo(f).fileName()));
        a->setToolTip(f);
        a->setStatusTip(f);
        connect(a, &QAction::triggered, this, [this, f] { Q_EMIT openRequested(f); });
    }
    m_menu->addSeparator();
    m_menu->addAction(tr("&Clear the list"), this, &RecentFiles::clear);
}

void RecentFiles::store() const
{
    if (const auto settings = HostSettings::open(QStringLiteral("files"))) {
        settings->setValue(QStringLiteral("recent"), m_files);
        settings->setValue(QStringLiteral("lastFolder"), m_folder);
    }
}
