#pragma once

#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

class QPushButton;
class QTableView;

// Draws a push button labelled "Delete" (in the language of the moment) in every Operation cell (a cell of the
// Operation column, which holds no data) and reports a left click released on it. No widget is
// created per row: one hidden, styled QPushButton serves as the style's template so the
// application's style sheet applies to the painted buttons.
class DeleteButtonDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    static const char *buttonStyleSheet(); // "min-height:12px;padding:0px;"
    static QString label();

    explicit DeleteButtonDelegate(QTableView *table);
    ~DeleteButtonDelegate() override;

    // -1: no Operation column (the table has no columns).
    void setOperationColumn(int column);
    int operationColumn() const { return m_column; }
    // The caption follows the language: the buttons are painted again.
    void retranslate();

    // Whether the cell shows a Delete button.
    bool isButtonCell(const QModelIndex &index) const;
    // The button's rectangle in viewport coordinates (empty when the cell has none).
    QRect buttonRect(const QModelIndex &index) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;

signals:
    // A left click was pressed and released on the same button; the position is where it was
    // released, in viewport coordinates.
    void deleteClicked(const QPoint &viewportPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTableView *m_table;
    QWidget *m_viewport;
    QPushButton *m_template;
    QPersistentModelIndex m_pressed;
    int m_column = -1;
};
