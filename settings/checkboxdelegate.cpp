// CheckBoxDelegate: a check mark for a bool cell, toggled by double-click or space.
#include "settings/checkboxdelegate.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

CheckBoxDelegate::CheckBoxDelegate(QObject *parent, bool radioButton, bool readOnly)
    : QItemDelegate(parent), radioButton(radioButton), readOnly(readOnly)
{
}

void CheckBoxDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    if (!(option.state & QStyle::State_Enabled)) {
        QItemDelegate::paint(painter, option, index);
        return;
    }
    QStyle *style = QApplication::style();
    if (option.state & QStyle::State_Selected)
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter);

    QStyleOptionButton button;
    // A pixel of margin keeps the box's edges off the grid lines in rows under 20 pixels.
    const int side = qMax(0, qMin(qMin(option.rect.width(), option.rect.height()) - 2, 18));
    button.rect = QRect(0, 0, side, side);
    button.rect.moveCenter(option.rect.center());
    button.state = index.data(Qt::EditRole).toBool() ? QStyle::State_On : QStyle::State_Off;
    button.palette = option.palette;
    if (readOnly)
        button.palette.setCurrentColorGroup(QPalette::Disabled); // styles draw by colour group
    else
        button.state |= QStyle::State_Enabled;

    painter->fillRect(option.rect, qvariant_cast<QBrush>(index.data(Qt::BackgroundRole)));
    style->drawPrimitive(radioButton ? QStyle::PE_IndicatorRadioButton
                                     : QStyle::PE_IndicatorCheckBox,
                         &button, painter);

    if (index.flags() & Qt::ItemIsEditable)
        return;
    QRect lock = style->subElementRect(radioButton ? QStyle::SE_RadioButtonIndicator
                                                   : QStyle::SE_CheckBoxIndicator,
                                       &button);
    lock.moveCenter(button.rect.center());
    QPainterPath path;
    path.addRoundedRect(lock, 18, 18, Qt::RelativeSize);
    const qreal opacity = painter->opacity();
    const bool antialiased = painter->testRenderHint(QPainter::Antialiasing);
    painter->setOpacity(0.8);
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->strokePath(path, painter->pen());
    painter->fillPath(path, QBrush(Qt::red));
    painter->setOpacity(opacity);
    // setRenderHints() only adds hints; switch antialiasing back off explicitly.
    painter->setRenderHint(QPainter::Antialiasing, antialiased);
}

QWidget *CheckBoxDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &) const
{
    return new QCheckBox(parent);
}

void CheckBoxDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *box = qobject_cast<QCheckBox *>(editor))
        box->setChecked(index.data(Qt::EditRole).toBool());
}

void CheckBoxDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    auto *box = qobject_cast<QCheckBox *>(editor);
    if (box && model)
        model->setData(index, box->isChecked(), Qt::DisplayRole);
}

bool CheckBoxDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                   const QStyleOptionViewItem &, const QModelIndex &index)
{
    // Views pass no event when an editor is opened programmatically.
    if (readOnly || !event || !model || !(index.flags() & Qt::ItemIsEditable))
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() != Qt::Key_Space)
            return true;
        break;
    default:
        return false;
    }
    model->setData(index, !index.data(Qt::EditRole).toBool(), Qt::DisplayRole);
    return true;
}
