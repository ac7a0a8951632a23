#include "records/RecordEdits.h"

#include "records/RecordsModel.h"

#include <QCoreApplication>
#include <QUndoStack>

#include <functional>
#include <optional>

// An edit is a pair of actions on the model; both run with the edits' own changes marked,
// so that they do not count as foreign row shifts. Its name is kept as words with their
// argument, rendered when asked: the language may change between the edit and its undo.
class EditCommand : public QUndoCommand
{
public:
    EditCommand(RecordEdits &edits, const char *words, std::optional<QString> argument, std::function<void()> doIt,
                std::function<void()> undoIt, bool alreadyDone)
        : m_edits(edits), m_words(words), m_argument(std::move(argument)), m_do(std::move(doIt)),
          m_undo(std::move(undoIt)), m_skipFirstRedo(alreadyDone)
    {
        setText(said(QString::fromUtf8(m_words)));
    }
    // In the language in use.
    QString name() const { return said(QCoreApplication::translate("RecordEdits", m_words)); }
    void redo() override
    {
        if (std::exchange(m_skipFirstRedo, false))
            return;
        run(m_do);
    }
    void undo() override { run(m_undo); }

private:
    QString said(const QString &words) const { return m_argument ? words.arg(*m_argument) : words; }
    void run(const std::function<void()> &f)
    {
        ++m_edits.m_applying;
        f();
        --m_edits.m_applying;
    }
    RecordEdits &m_edits;
    const char *m_words;
    std::optional<QString> m_argument;
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
    const char *words = count == 1 ? QT_TRANSLATE_NOOP("RecordEdits", "delete row %1")
                                   : QT_TRANSLATE_NOOP("RecordEdits", "delete %1 rows");
    m_stack->push(new EditCommand(*this, words, QString::number(count == 1 ? row + 1 : count), doIt, undoIt, false));
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
    m_stack->push(new EditCommand(*this, QT_TRANSLATE_NOOP("RecordEdits", "rename \"%1\""), after, doIt, undoIt,
                                  true));
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
    m_stack->push(
        new EditCommand(*this, QT_TRANSLATE_NOOP("RecordEdits", "clear"), std::nullopt, doIt, undoIt, false));
}

bool RecordEdits::canUndo() const { return m_stack->canUndo(); }
void RecordEdits::undo() { m_stack->undo(); }
void RecordEdits::redo() { m_stack->redo(); }

QString RecordEdits::undoText() const
{
    if (!canUndo())
        return QString();
    const auto *c = static_cast<const EditCommand *>(m_stack->command(m_stack->index() - 1));
    return QCoreApplication::translate("RecordEdits", "Undo %1").arg(c->name());
}

void RecordEdits::forget()
{
    if (m_stack->count() > 0) {
        m_stack->clear();
        emit changed();
    }
}
