// CheckBoxDelegate: a check mark for a bool cell, toggled by double-click or space.
#pragma once

#include <QItemDelegate>

/*!
 * Draws the bool edit-role value of a cell as a centred check-box (or radio-button)
 * indicator of at most 18 x 18 pixels, a pixel clear of the cell edges, over the cell's
 * background-role brush.
 *
 * A double-click or the space bar toggles the value (written with Qt::DisplayRole, which
 * item widgets share with the edit role); a single click does not, and every other key
 * that reaches the delegate is swallowed. Cells without Qt::ItemIsEditable are drawn
 * with a red lock over the mark and never toggle; with \a readOnly no cell toggles and
 * the mark is drawn disabled.
 */
class CheckBoxDelegate : public QItemDelegate
{
    Q_OBJECT

public:
    explicit CheckBoxDelegate(QObject *parent = nullptr, bool radioButton = false,
                              bool readOnly = false);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    //! A plain QCheckBox; used only when a view opens an editor explicitly.
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    //! True when the event toggled the value or was a swallowed key press.
    bool editorEvent(QEvent *event, QAbstractItemModel *model,
                     const QStyleOptionViewItem &option, const QModelIndex &index) override;

private:
    bool radioButton;
    bool readOnly;
};
