#include "recordspage/DeleteButtonDelegate.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTableView>

const char *DeleteButtonDelegate::buttonStyleSheet()
{
    return "min-height:12px;padding:0px;";
}

QString DeleteButtonDelegate::label()
{
    return tr("Delete");
}

DeleteButtonDelegate::DeleteButtonDelegate(QTableView *table)
    : QStyledItemDelegate(table)
    , m_table(table)
    , m_viewport(table->viewport())
    , m_template(new QPushButton(table->viewport()))
{
    // The template is never shown; it carries the style sheet cascade (application skin,
    // page, row style) that a real button in the cell would get.
    m_template->setObjectName(QStringLiteral("deleteButtonTemplate"));
    m_template->setStyleSheet(QString::fromLatin1(buttonStyleSheet()));
    m_template->hide();
    m_viewport->installEventFilter(this);
}

DeleteButtonDelegate::~DeleteButtonDelegate() = default;

void DeleteButtonDelegate::setOperationColumn(int column)
{
    m_column = column;
    m_pressed = QPersistentModelIndex();
    m_table->viewport()->update();
}

void DeleteButtonDelegate::retranslate()
{
    m_table->viewport()->update();
}

bool DeleteButtonDelegate::isButtonCell(const QModelIndex &index) const
{
    // The Operation column holds no data; a cell that does shows it, as without a button.
    return m_column >= 0 && index.isValid() && index.column() == m_column && index.model() == m_table->model()
        && !index.data(Qt::DisplayRole).isValid();
}

QRect DeleteButtonDelegate::buttonRect(const QModelIndex &index) const
{
    if (!isButtonCell(index))
        return QRect();
    return m_table->visualRect(index);
}

void DeleteButtonDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    if (!isButtonCell(index)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    m_template->ensurePolished();
    QStyleOptionButton button;
    button.initFrom(m_template);
    button.rect = option.rect;
    button.text = label();
    button.state |= QStyle::State_Enabled;
    button.state |= (m_pressed.isValid() && m_pressed == index) ? QStyle::State_Sunken : QStyle::State_Raised;
    if (option.state & QStyle::State_MouseOver)
        button.state |= QStyle::State_MouseOver;
    painter->save();
    painter->setFont(m_template->font());
    m_template->style()->drawControl(QStyle::CE_PushButton, &button, painter, m_template);
    painter->restore();
}

QWidget *DeleteButtonDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    if (isButtonCell(index))
        return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}

bool DeleteButtonDelegate::eventFilter(QObject *watched, QEvent *event)
{
    // Compared with the stored pointer: the filter also sees the viewport's events while the
    // table is being torn down, when the table must not be called any more.
    if (watched != m_viewport)
        return QStyledItemDelegate::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(event);
        const QPoint pos = me->position().toPoint();
        const QModelIndex index = m_table->indexAt(pos);
        if (!buttonRect(index).contains(pos))
            return false;
        // Like a real button in the cell: the press belongs to the button, not to the
        // table's selection.
        if (me->button() == Qt::LeftButton) {
            m_pressed = index;
            m_table->viewport()->update(buttonRect(index));
        }
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() != Qt::LeftButton || !m_pressed.isValid())
            return false;
        const QPersistentModelIndex pressed = m_pressed;
        m_pressed = QPersistentModelIndex();
        m_table->viewport()->update(m_table->visualRect(pressed));
        const QPoint pos = me->position().toPoint();
        const QModelIndex index = m_table->indexAt(pos);
        if (index == pressed && buttonRect(index).contains(pos))
            emit deleteClicked(pos);
        return true;
    }
    case QEvent::MouseMove:
        // While the button is held, moves belong to it (no drag selection).
        return m_pressed.isValid();
    default:
        return false;
    }
}
