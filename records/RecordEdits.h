#pragma once

#include <QObject>
#include <QString>

#include <vector>

class QUndoStack;
class RecordsModel;

// The user's edits of the table: deleting rows, renaming records and clearing, each one
// undoable. A rename is recorded as the model reports it (the view edits the model). Rows
// that arrive meanwhile are appended behind and do not disturb an undo. A change that shifts
// rows outside these edits (an export removing its rows, the columns replaced) forgets the
// history, since its row numbers no longer hold.
class RecordEdits : public QObject
{
    Q_OBJECT
public:
    explicit RecordEdits(RecordsModel &model, QObject *parent = nullptr);
    ~RecordEdits() override;

    QUndoStack &stack() const { return *m_stack; }

    bool deleteRows(int row, int count = 1);
    // Empties the table (no question: the caller asks).
    void clearAll();

    bool canUndo() const;
    void undo();
    void redo();
    // The text of the next undo in the language in use, e.g. "Undo delete row 3".
    QString undoText() const;

signals:
    void changed();
    // What each edit, its undo and its redo did, by the rows' keys (RecordsModel::keys), for
    // whoever keeps the rows elsewhere too. `emptied`: no row is left in the table.
    void deleted(const std::vector<qint64> &keys, bool emptied);
    void cleared(const std::vector<qint64> &keys);
    void restored(const std::vector<qint64> &keys);
    void nameChanged(qint64 key, const QString &name);

private:
    friend class EditCommand;
    void onRenamed(int row, const QString &before, const QString &after);
    void tellName(int row);
    void forget();

    RecordsModel &m_model;
    QUndoStack *m_stack;
    int m_applying = 0; // >0 while a command changes the model
};
