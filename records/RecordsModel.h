#pragma once

#include "records/Record.h"
#include "records/LargeBlockAllocator.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariantList>
#include <QVector>

#include <vector>

// The records of the table as typed data, and how they are presented.
//
// Data: the layout (1 single layer, 2 multi layer, 0 none), the unit and decimals of each
// value column, and the records. Presentation only: the language in use, the number of
// layers shown; changing them re-renders, it never rewrites a record.
//
// Columns: layout 1 {No., Thickness, Sound Velocity, Operation}; layout 2 {Test Name,
// thickness 1-3, velocity 1-3, Operation}. The Operation column holds no data: the view
// paints a Delete button there.
class RecordsModel : public QAbstractTableModel
{
    Q_OBJECT
    struct Batch
    {
        RecordOrigin origin;
        qint64 arrivedMs;
    };
    template <typename T>
    using Column = std::vector<T, LargeBlockAllocator<T>>;

public:
    // Rows taken out of the table whole, to be put back later (undo): their numbers, flags,
    // names, origins and arrival times, in the layout they were taken from.
    class DetachedRows
    {
    public:
        int count() const { return int(flags.size()); }
        int layout() const { return m_layout; }
        std::vector<qint64> keyList() const { return std::vector<qint64>(keys.begin(), keys.end()); }

    private:
        friend class RecordsModel;
        int m_layout = 0;
        Column<float> values;
        Column<quint8> flags;
        QVector<QString> names;
        Column<quint32> batchOf; // into batches
        QVector<Batch> batches;
        Column<qint64> keys;
        Column<quint32> numbers;
    };

    static constexpr int SingleColumnCount = 4;
    static constexpr int MultiColumnCount = 8;

    enum Role {
        ValueRole = Qt::UserRole + 1, // double; absent for names, the Operation column and out-of-range values
        OutOfRangeRole,               // bool
        OriginRole,                   // int (RecordOrigin)
        ArrivalRole,                  // qint64, ms since the epoch, UTC
    };

    explicit RecordsModel(QObject *parent = nullptr);

    // Header words in column order, without units, in the language in use.
    static QStringList singleHeaderWords();
    static QStringList multiHeaderWords();
    // "\n(" + name + ")", or empty for an empty unit name.
    static QString unitSuffix(const QString &unitName);
    static QString outOfRangeWord();
    // The text of a value with the given decimals, and the number that text shows.
    static QString formatValue(double value, int decimals);
    static double shownValue(double value, int decimals);

    // Columns for layout 1 or 2 from the gauge's unit numbers (0-based positions in
    // unitTable, entries {UnitNo, UnitName, DecimalNumber}): layout 1 takes the thickness unit
    // from entry 1 and the velocity unit from entry 0; layout 2 entries 0-5 in column order.
    // A unit number outside the table, or an entry without 3 fields, gives no columns (and
    // rows are refused until columns are set again). Any other layout changes nothing and
    // returns false. Records are kept.
    bool setColumns(int layout, const QList<int> &unitNumbers, const QList<QVariantList> &unitTable);
    int layout() const { return m_layout; }
    bool hasColumns() const { return m_columnCount > 0; }
    // Decimals of the value columns in column order (empty without columns).
    QList<int> singleDecimals() const;
    QList<int> multiDecimals() const;
    // For a column: the index into GaugeRecord::values, or -1 (name, Operation).
    int valueIndex(int column) const;
    int decimals(int column) const;
    QString unitName(int column) const;
    // -1 without columns.
    int operationColumn() const;

    // Layers shown in the multi-layer layout (1-3); other values are ignored.
    void setLayersShown(int layers);
    int layersShown() const { return m_layersShown; }
    // Whether a column is shown: the layer selector hides the columns of layers not shown.
    bool isColumnShown(int column) const;
    // The columns that leave the program (export): shown, and not Operation.
    QList<int> exportedColumns() const;

    // Appends records as one batch (one row insertion). Refused (0) without columns.
    // Returns the number of rows added.
    int append(const QVector<Record> &records);
    int append(const QVector<GaugeRecord> &records, RecordOrigin origin, qint64 arrivedMs);
    // A record read's memory images decoded straight into the table (see GaugeRecords):
    // no intermediate copy of a million records. Refused (0) in the other layout. Record i of
    // the image is number i + 1, its place in the gauge's memory.
    int appendSingleLayerImage(const QByteArray &values, qint64 count, RecordOrigin origin, qint64 arrivedMs);
    int appendMultiLayerImage(const QByteArray &values, const QByteArray &names, qint64 count, RecordOrigin origin,
                              qint64 arrivedMs);
    bool rename(int row, const QString &name);
    void clear();
    // Takes rows out (all of them in O(1)); an invalid range takes nothing.
    DetachedRows takeRows(int row, int count);
    // Puts detached rows back before `row` (0..rowCount); refused (0) in another layout or
    // without columns. Returns the number of rows inserted.
    int insertRows(int row, DetachedRows rows);
    using QAbstractTableModel::insertRows; // empty rows: refused, as the base does
    // One record, assembled from the table's columns.
    Record record(int row) const;
    // An opaque key per row for whoever keeps the rows elsewhere too (the survey file): 0
    // until set, and carried with the row when it is taken out and put back.
    std::vector<qint64> keys(int first, int count) const;
    qint64 key(int row) const; // one row's; 0 also for a row that is not there
    void setKeys(int first, const std::vector<qint64> &keys);
    // The parts of a record, without assembling it.
    float value(int row, int valueIndex) const { return m_values[qsizetype(row) * m_stride + valueIndex]; }
    bool isOutOfRange(int row, int valueIndex) const { return (m_flags[row] >> valueIndex) & 1u; }
    QString name(int row) const { return m_layout == 2 ? m_names.value(row) : QString(); }
    // The record's place in the gauge's memory (1-based); 0 for a pushed measurement.
    quint32 number(int row) const { return m_numbers[row]; }
    // Changes whenever the rows are replaced as a whole (cleared, or columns of another
    // layout) or rows before the end are removed or inserted, so a caller can tell whether
    // rows it saw earlier are still the first ones.
    quint64 generation() const { return m_generation; }

    // The cell's text as the table shows it.
    QString text(int row, int column) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;

signals:
    void layersShownChanged(int layers);
    // A record's name changed (by rename() or an edit in the view).
    void renamed(int row, const QString &before, const QString &after);
    // Headers and cells were rendered again in the language just set (interaction/Language).
    void languageChanged();

private:
    // Renders headers and cells again in the language just set.
    void languageSwitched();

    struct ColumnSpec
    {
        int valueIndex = -1;
        QString unit;
        int decimals = 0;
    };
    QString headerText(int column) const;
    int rows() const { return int(m_flags.size()); }
    // Opens room for n more rows (inside beginInsertRows); returns the first new row.
    int openRows(int n);
    // The same for n rows of one batch; returns the first new row.
    int beginBatch(int n, RecordOrigin origin, qint64 arrivedMs);
    void setRow(int row, const GaugeRecord &record);

    int m_layout = 0;
    int m_columnCount = 0;
    QVector<ColumnSpec> m_columns;
    // The records, column-wise: a million single-layer records take about 13 MB.
    int m_stride = 0;           // values per record: 2 (layout 1) or 6 (layout 2)
    Column<float> m_values;     // m_stride per record
    Column<quint8> m_flags;     // out-of-range bits per record
    QVector<QString> m_names;   // layout 2 only
    Column<quint32> m_batchOf;  // per record, its entry in m_batches
    Column<qint64> m_keys;      // per record, see keys()
    Column<quint32> m_numbers;  // per record, see number()
    QVector<Batch> m_batches;
    int m_layersShown = 3;
    quint64 m_generation = 0;
};
