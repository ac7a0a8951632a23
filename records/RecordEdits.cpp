#include "records/RecordEdits.h"

#include "records/RecordsModel.h"

#include <QUndoStack>

#include <functional>
#include <optional>

// An edit is a pair of actions on the model; both run with the edits' own changes marked,
// so that they do not count as foreign row shifts.
class EditCommand : public QUndoCommand
{
public:
    EditCommand(RecordEdits &edits, QString english, QString chinese, std::function<void()> doIt,
                std::function<void()> undoIt, bool alreadyDone)
        : m_edits(edits), m_english(std::move(english)), m_chinese(std::move(chinese)), m_do(std::move(doIt)),
          m_undo(std::move(undoIt)), m_skipFirstRedo(alreadyDone)
    {
        setText(m_english);
    }
    QString text(bool chinese) const { return chinese ? m_chinese : m_english; }
    void redo() override
    {
        if (std::exchange(m_skipFirstRedo, false))
            return;
        run(m_do);
    }
    void undo() override { run(m_undo); }

private:
    void run(const std::function<void()> &f)
    {
        ++m_edits.m_applying;
        f();
        --m_edits.m_applying;
    }
    RecordEdits &m_edits;
    QString m_english, m_chinese;
    std::function<void()> m_do, m_undo;
    bool m_skipFirstRedo;
};

RecordEdits::RecordEdits(RecordsModel &model, QObject *parent)
    : QObject(parent), m_model(model), m_stack(new QUndoStack(this))
{
    connect(&m_model, &RecordsModel::renamed, this, &RecordEdits::onRenamed);
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, [this] { if (!m_applying) forget(); });
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { if (!m_applying) forget(); });
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int first) {
        // Appends keep every row number; an insertion before the end does not.
        if (!m_applying && first < m_model.rowCount() - 1)
            forget();
    });
    connect(m_stack, &QUndoStack::indexChanged, this, &RecordEdits::changed);
    connect(m_stack, &QUndoStack::cleanChanged, this, &RecordEdits::changed);
}

RecordEdits::~RecordEdits() = default;

bool RecordEdits::deleteRows(int row, int count)
{
    if (row < 0 || count <= 0 || qsizetype(row) + count > m_model.rowCount())
        return false;
    // The taken rows live in the command between undo and redo.
    auto held = std::make_shared<std::optional<RecordsModel::DetachedRows>>();
    RecordsModel &model = m_model;
    auto doIt = [this, &model, held, row, count] {
        *held = model.takeRows(row, count);
        emit deleted((*held)->keyList(), model.rowCount() == 0);
    };
    auto undoIt = [this, &model, held, row] {
        if (*held) {
            const std::vector<qint64> keys = (*held)->keyList();
            if (model.insertRows(row, std::move(**held)) > 0)
                emit restored(keys);
        }
        held->reset();
    };
    const QString n = QString::number(row + 1);
    const QString english = count == 1 ? QStringLiteral("delete row %1").arg(n)
                                       : QStringLiteral("delete %1 rows").arg(count);
    const QString chinese = count == 1 ? QStringLiteral("删除第%1行").arg(n) : QStringLiteral("删除%1行").arg(count);
    m_stack->push(new EditCommand(*this, english, chinese, doIt, undoIt, false));
    return true;
}

void RecordEdits::onRenamed(int row, const QString &before, const QString &after)
{
    if (m_applying)
        return;
    RecordsModel &model = m_model;
    auto doIt = [this, &model, row, after] {
        model.rename(row, after);
        tellName(row);
    };
    auto undoIt = [this, &model, row, before] {
        model.rename(row, before);
        tellName(row);
    };
    tellName(row);
    m_stack->push(new EditCommand(*this, QStringLiteral("rename \"%1\"").arg(after),
                                  QStringLiteral("重命名\"%1\"").arg(after), doIt, undoIt, true));
}

void RecordEdits::tellName(int row)
{
    const std::vector<qint64> key = m_model.keys(row, 1);
    if (key.size() == 1)
        emit nameChanged(key.front(), m_model.name(row));
}

void RecordEdits::clearAll()
{
    const int rows = m_model.rowCount();
    if (rows == 0)
        return;
    auto held = std::make_shared<std::optional<RecordsModel::DetachedRows>>();
    RecordsModel &model = m_model;
    auto doIt = [this, &model, held, rows] {
        *held = model.takeRows(0, qMin(rows, model.rowCount()));
        emit cleared((*held)->keyList());
    };
    // Rows pushed after the clear stay behind the restored ones.
    auto undoIt = [this, &model, held] {
        if (*held) {
            const std::vector<qint64> keys = (*held)->keyList();
            if (model.insertRows(0, std::move(**held)) > 0)
                emit restored(keys);
        }
        held->reset();
    };
    m_stack->push(new EditCommand(*this, QStringLiteral("clear"), QStringLiteral("清除"), doIt, undoIt, false));
}

bool RecordEdits::canUndo() const { return m_stack->canUndo(); }
void RecordEdits::undo() { m_stack->undo(); }
void RecordEdits::redo() { m_stack->redo(); }

QString RecordEdits::undoText() const
{
    if (!canUndo())
        return QString();
    const auto *c = static_cast<const EditCommand *>(m_stack->command(m_stack->index() - 1));
    return m_model.chinese() ? QStringLiteral("撤销") + c->text(true) : QStringLiteral("Undo ") + c->text(false);
}

void RecordEdits::forget()
{
    if (m_stack->count() > 0) {
        m_stack->clear();
        emit changed();
    }
}
