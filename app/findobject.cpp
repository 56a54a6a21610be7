// ostrik-view: finding an object by name.
#include "findobject.h"

#include "mapfocus.h"
#include "session.h"

#include <mirel/mapscene.h>

#include <QCompleter>
#include <QDialogButtonBox>
#include <QGraphicsItem>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

FindObject::FindObject(DemoSession *session, QWidget *parent)
    : QDialog(parent)
    , m_session(session)
    , m_edit(new QLineEdit)
    , m_completer(new QCompleter(this))
    , m_message(new QLabel)
{
    setWindowTitle(tr("Find object"));
    const QStringList names = session->objectNames();
    m_completer->setModel(new QStringListModel(names, m_completer));
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->setFilterMode(Qt::MatchContains);
    m_completer->setMaxVisibleItems(12);
    m_edit->setCompleter(m_completer);
    m_edit->setPlaceholderText(tr("Name of a junction, road, route, signal group\u2026"));
    m_edit->setMinimumWidth(380);
    m_message->setWordWrap(true);
    m_message->setText(tr("%n named objects in the open networks.", nullptr, names.size()));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Find"));
    connect(buttons, &QDialogButtonBox::accepted, this, &FindObject::tryFind);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Object name:")));
    layout->addWidget(m_edit);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
}

void FindObject::tryFind()
{
    QString error;
    if (find(m_session, m_edit->text().trimmed(), &error)) {
        accept();
        return;
    }
    // The dialog stays open so that the name can be corrected.
    m_message->setText(error);
}

bool FindObject::find(DemoSession *session, const QString &name, QString *error)
{
    if (name.isEmpty()) {
        *error = tr("Type a name; the list offers the names of the open networks.");
        return false;
    }
    QGraphicsItem *item = session->plugin().findItemByName(name);
    if (!item) {
        *error = tr("No drawn object is named \u201c%1\u201d.").arg(name);
        return false;
    }
    const QRectF bounds = item->sceneBoundingRect();
    MapFocus::bringIntoView(session->view(), bounds);
    session->view()->centerOnGeo(bounds.center());
    session->plugin().pulseItem(item, QColor(255, 0, 255), 3000);
    MapFocus::pulseAt(session->scene(), bounds.center());
    return true;
}
