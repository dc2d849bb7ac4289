#include "velkan/ui/choice_delegate.h"

#include <QComboBox>

namespace velkan {

QWidget* ChoiceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const {
    auto* combo = new QComboBox(parent);
    combo->addItems(choices_);
    // A pick is final: store it at once rather than when focus leaves.
    connect(combo, &QComboBox::activated, this, [this, combo] {
        emit const_cast<ChoiceDelegate*>(this)->commitData(combo);
        emit const_cast<ChoiceDelegate*>(this)->closeEditor(combo);
    });
    return combo;
}

void ChoiceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* combo = static_cast<QComboBox*>(editor);
    combo->setCurrentIndex(combo->findText(index.data(Qt::EditRole).toString()));
}

void ChoiceDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    auto* combo = static_cast<QComboBox*>(editor);
    if (combo->currentIndex() >= 0) model->setData(index, combo->currentText(), Qt::EditRole);
}

}  // namespace velkan
