// Host kernel: objects shown as rows of the object tree that react to selection.
#pragma once

#include "mirel_export.h"

#include <QObject>

/*!
 * An object of the host's object tree that is told when its row is selected or
 * deselected. Subclasses override setSelected() and call the base first.
 */
class MIREL_EXPORT ObjectTreeItem : public QObject
{
    Q_OBJECT
public:
    explicit ObjectTreeItem(QObject *parent = nullptr);
    ~ObjectTreeItem() override;

    virtual void setSelected(bool selected);
    bool isSelected() const { return m_selected; }

private:
    bool m_selected = false;
};
