#pragma once
#include <QStringList>
#include <QStyledItemDelegate>

namespace velkan {

// A grid cell edited by picking one of a few fixed texts.
class ChoiceDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ChoiceDelegate(QStringList choices, QObject* parent) : QStyledItemDelegate(parent), choices_(std::move(choices)) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    QStringList choices_;
};

}  // namespace velkan
