#pragma once

#include "analysis/ColumnStatistics.h"

#include <QObject>
#include <QPoint>

#include <vector>

class DeleteButtonDelegate;
class QLabel;
class RecordEdits;
class QTableView;
class QToolButton;
class RecordsModel;

// The records table's behaviour on the page's QTableView over the records model: centred
// cells and stretched columns, the painted Delete buttons, the columns the layer selector
// hides, name editing, and following the newest rows as log viewers do: new rows scroll into
// view only when the view was at the bottom and no editor is open; otherwise a small
// "n new readings ↓" button counts them and jumps there. The rows live in the model only.
class RecordsTable : public QObject
{
    Q_OBJECT
public:
    // Sets up the view (no edit triggers, stretched header sections, the model, the
    // Delete-button delegate). View and model must outlive this object.
    RecordsTable(QTableView *view, RecordsModel *model, QObject *parent = nullptr);

    QTableView *view() const { return m_view; }
    RecordsModel *model() const { return m_model; }
    DeleteButtonDelegate *deleteDelegate() const { return m_delegate; }

    // The rows with a selected cell, as sorted ranges that neither overlap nor touch.
    RowRanges selectedRows() const;
    // The survey file's keys of those rows, top to bottom (0 for a row the file does not keep).
    std::vector<qint64> selectedKeys() const;
    // Opens the name editor of (row, 0); only in the multi-layer layout and only for column 0.
    bool editName(int row, int column);
    // Deletes go through these edits (undoable) once set; must outlive this object.
    void setEdits(RecordEdits *edits) { m_edits = edits; }
    // Removes the row under a viewport position (no-op when there is none).
    void deleteRowAt(const QPoint &viewportPos);
    int rowCount() const;
    // The "new readings" button (hidden while the view follows the newest rows).
    QToolButton *newRowsHint() const { return m_hint; }
    // Rows added since the view stopped following.
    int unseenRows() const { return m_unseen; }
    // With no gauge and no rows the table says how to start instead of staying blank.
    void setGaugeConnected(bool connected);
    QLabel *placeholder() const { return m_placeholder; }

private:
    bool atBottom() const;
    bool editorOpen() const;
    void rowsComing();
    void rowsCame(int count);
    void jumpToNewest();
    void showHint();
    void placeHint();
    void updatePlaceholder();
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Operation column, language of the buttons and the hidden layer columns, from the model.
    void syncColumns();
    void syncLanguage();

    QTableView *m_view;
    RecordsModel *m_model;
    DeleteButtonDelegate *m_delegate;
    RecordEdits *m_edits = nullptr;
    QToolButton *m_hint;
    QLabel *m_placeholder;
    bool m_gaugeConnected = false;
    bool m_follow = true;
    int m_unseen = 0;
};
