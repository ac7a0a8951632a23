#include "records/RecordsModel.h"

#include "interaction/Language.h"

#include "protocol/FieldDecoder.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

// A unit position usable for the table: inside unitTable, and an entry of exactly 3 fields.
bool unitUsable(int unitNo, const QList<QVariantList> &unitTable)
{
    return unitNo >= 0 && unitNo < unitTable.size() && unitTable.at(unitNo).size() == 3;
}

} // namespace

RecordsModel::RecordsModel(QObject *parent) : QAbstractTableModel(parent)
{
    connect(&Language::instance(), &Language::changed, this, &RecordsModel::languageSwitched);
}

QStringList RecordsModel::singleHeaderWords()
{
    return {tr("No."), tr("Thickness"), tr("Sound Velocity"), tr("Operation")};
}

QStringList RecordsModel::multiHeaderWords()
{
    return {tr("Test Name"),          tr("1st Layer Thickness"), tr("2nd Layer Thickness"),
            tr("3rd Layer Thickness"), tr("1st Sound Velocity"),  tr("2nd Sound Velocity"),
            tr("3rd Sound Velocity"),  tr("Operation")};
}

QString RecordsModel::unitSuffix(const QString &unitName)
{
    if (unitName.isEmpty())
        return QString();
    return QStringLiteral("\n(") + unitName + QStringLiteral(")");
}

QString RecordsModel::outOfRangeWord()
{
    return FieldDecoder::outOfRangeWord();
}

QString RecordsModel::formatValue(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

double RecordsModel::shownValue(double value, int decimals)
{
    // Exactly the number the cell's text reads as: table, workbook and report agree. The
    // same digits as formatValue(), without the round trip through UTF-16.
    return std::strtod(QByteArray::number(value, 'f', decimals).constData(), nullptr);
}

bool RecordsModel::setColumns(int layout, const QList<int> &unitNumbers, const QList<QVariantList> &unitTable)
{
    if (layout != 1 && layout != 2)
        return false;
    QVector<ColumnSpec> columns;
    if (layout == 1) {
        // The record number first; entry 1 names the thickness unit (column 1), entry 0 the
        // velocity unit (column 2).
        if (unitNumbers.size() >= 2 && unitUsable(unitNumbers.at(0), unitTable)
            && unitUsable(unitNumbers.at(1), unitTable)) {
            const QVariantList &thick = unitTable.at(unitNumbers.at(1));
            const QVariantList &velo = unitTable.at(unitNumbers.at(0));
            columns = {ColumnSpec{}, ColumnSpec{0, thick.at(1).toString(), thick.at(2).toInt()},
                       ColumnSpec{1, velo.at(1).toString(), velo.at(2).toInt()}, ColumnSpec{}};
        }
    } else {
        bool ok = unitNumbers.size() >= 6;
        for (int i = 0; ok && i < 6; ++i)
            ok = unitUsable(unitNumbers.at(i), unitTable);
        if (ok) {
            columns.append(ColumnSpec{});
            for (int i = 0; i < 6; ++i) {
                const QVariantList &unit = unitTable.at(unitNumbers.at(i));
                columns.append(ColumnSpec{i, unit.at(1).toString(), unit.at(2).toInt()});
            }
            columns.append(ColumnSpec{});
        }
    }

    beginResetModel();
    // Records of the other layout have no place in these columns.
    if (layout != m_layout) {
        if (rows() > 0)
            ++m_generation;
        m_values.clear();
        m_flags.clear();
        m_names.clear();
        m_batchOf.clear();
        m_keys.clear();
        m_numbers.clear();
        m_batches.clear();
    }
    m_layout = layout;
    m_stride = layout == 1 ? 2 : GaugeRecord::MaxValues;
    m_columns = columns;
    m_columnCount = int(columns.size());
    endResetModel();
    return m_columnCount > 0;
}

QList<int> RecordsModel::singleDecimals() const
{
    if (m_layout != 1 || !hasColumns())
        return {};
    return {m_columns[1].decimals, m_columns[2].decimals};
}

QList<int> RecordsModel::multiDecimals() const
{
    QList<int> out;
    if (m_layout != 2 || !hasColumns())
        return out;
    for (int c = 1; c <= 6; ++c)
        out << m_columns[c].decimals;
    return out;
}

int RecordsModel::valueIndex(int column) const
{
    return column >= 0 && column < m_columnCount ? m_columns[column].valueIndex : -1;
}

int RecordsModel::decimals(int column) const
{
    return column >= 0 && column < m_columnCount ? m_columns[column].decimals : 0;
}

QString RecordsModel::unitName(int column) const
{
    return column >= 0 && column < m_columnCount ? m_columns[column].unit : QString();
}

int RecordsModel::operationColumn() const
{
    return m_columnCount - 1;
}

void RecordsModel::languageSwitched()
{
    if (m_columnCount > 0) {
        emit headerDataChanged(Qt::Horizontal, 0, m_columnCount - 1);
        if (rows() > 0)
            emit dataChanged(index(0, 0), index(rows() - 1, m_columnCount - 1), {Qt::DisplayRole});
    }
    emit languageChanged();
}

void RecordsModel::setLayersShown(int layers)
{
    if (layers < 1 || layers > 3 || layers == m_layersShown)
        return;
    m_layersShown = layers;
    emit layersShownChanged(layers);
}

bool RecordsModel::isColumnShown(int column) const
{
    if (m_layout != 2)
        return true;
    const int value = valueIndex(column);
    if (value < 0)
        return true;
    const int layer = value % 3 + 1;
    return layer <= m_layersShown;
}

QList<int> RecordsModel::exportedColumns() const
{
    QList<int> columns;
    for (int c = 0; c < m_columnCount - 1; ++c)
        if (isColumnShown(c))
            columns << c;
    return columns;
}

int RecordsModel::openRows(int n)
{
    const int first = rows();
    beginInsertRows(QModelIndex(), first, first + n - 1);
    const qsizetype total = qsizetype(first) + n;
    m_values.resize(total * m_stride);
    m_flags.resize(total);
    if (m_layout == 2)
        m_names.resize(total);
    m_batchOf.resize(total);
    m_keys.resize(total);
    m_numbers.resize(total);
    return first;
}

int RecordsModel::beginBatch(int n, RecordOrigin origin, qint64 arrivedMs)
{
    const int first = openRows(n);
    const quint32 batch = quint32(m_batches.size());
    m_batches.append(Batch{origin, arrivedMs});
    std::fill(m_batchOf.begin() + first, m_batchOf.end(), batch);
    return first;
}

void RecordsModel::setRow(int row, const GaugeRecord &record)
{
    std::copy_n(record.values.begin(), m_stride, m_values.begin() + qsizetype(row) * m_stride);
    m_flags[row] = record.outOfRange;
    if (m_layout == 2)
        m_names[row] = record.name;
    m_numbers[row] = 0;
}

int RecordsModel::append(const QVector<Record> &records)
{
    if (records.isEmpty() || !hasColumns())
        return 0;
    const int n = int(qMin<qsizetype>(records.size(), INT_MAX - rows()));
    const int first = openRows(n);
    for (int i = 0; i < n; ++i) {
        const Record &r = records.at(i);
        setRow(first + i, r);
        m_numbers[first + i] = r.number;
        if (m_batches.isEmpty() || m_batches.last().origin != r.origin || m_batches.last().arrivedMs != r.arrivedMs)
            m_batches.append(Batch{r.origin, r.arrivedMs});
        m_batchOf[first + i] = quint32(m_batches.size() - 1);
    }
    endInsertRows();
    return n;
}

int RecordsModel::append(const QVector<GaugeRecord> &records, RecordOrigin origin, qint64 arrivedMs)
{
    if (records.isEmpty() || !hasColumns())
        return 0;
    const int n = int(qMin<qsizetype>(records.size(), INT_MAX - rows()));
    const int first = beginBatch(n, origin, arrivedMs);
    for (int i = 0; i < n; ++i)
        setRow(first + i, records.at(i));
    endInsertRows();
    return n;
}

int RecordsModel::appendSingleLayerImage(const QByteArray &values, qint64 count, RecordOrigin origin,
                                         qint64 arrivedMs)
{
    if (m_layout != 1 || !hasColumns())
        return 0;
    const qint64 complete = qBound<qint64>(0, count, values.size() / FieldDecoder::SingleRecordSize);
    const int n = int(qMin<qint64>(complete, INT_MAX - rows()));
    if (n == 0)
        return 0;
    const int first = beginBatch(n, origin, arrivedMs);
    GaugeRecords::decodeSingleLayerInto(values.constData(), n, m_values.data() + qsizetype(first) * m_stride,
                                        m_flags.data() + first);
    for (int i = 0; i < n; ++i)
        m_numbers[first + i] = quint32(i + 1);
    endInsertRows();
    return n;
}

int RecordsModel::appendMultiLayerImage(const QByteArray &values, const QByteArray &names, qint64 count,
                                        RecordOrigin origin, qint64 arrivedMs)
{
    if (m_layout != 2 || !hasColumns())
        return 0;
    const qint64 complete = qMin(qBound<qint64>(0, count, values.size() / FieldDecoder::MultiRecordSize),
                                 names.size() / FieldDecoder::NameSlotSize);
    const int n = int(qMin<qint64>(complete, INT_MAX - rows()));
    if (n == 0)
        return 0;
    const int first = beginBatch(n, origin, arrivedMs);
    GaugeRecords::decodeMultiLayerInto(values.constData(), n, m_values.data() + qsizetype(first) * m_stride,
                                       m_flags.data() + first);
    for (int i = 0; i < n; ++i)
        m_names[first + i] = FieldDecoder::decodeRecordName(
            names.mid(qsizetype(i) * FieldDecoder::NameSlotSize, FieldDecoder::NameSlotSize));
    for (int i = 0; i < n; ++i)
        m_numbers[first + i] = quint32(i + 1);
    endInsertRows();
    return n;
}

Record RecordsModel::record(int row) const
{
    Record r;
    std::copy_n(m_values.begin() + qsizetype(row) * m_stride, m_stride, r.values.begin());
    r.outOfRange = m_flags[row];
    r.name = name(row);
    const Batch &batch = m_batches[m_batchOf[row]];
    r.origin = batch.origin;
    r.arrivedMs = batch.arrivedMs;
    r.number = m_numbers[row];
    return r;
}

bool RecordsModel::rename(int row, const QString &name)
{
    if (m_layout != 2 || row < 0 || row >= rows())
        return false;
    if (m_names[row] == name)
        return true;
    const QString before = std::exchange(m_names[row], name);
    const QModelIndex cell = index(row, 0);
    emit dataChanged(cell, cell, {Qt::DisplayRole, Qt::EditRole});
    emit renamed(row, before, name);
    return true;
}

RecordsModel::DetachedRows RecordsModel::takeRows(int row, int count)
{
    DetachedRows out;
    if (row < 0 || count <= 0 || qsizetype(row) + count > rows())
        return out;
    out.m_layout = m_layout;
    if (row == 0 && count == rows()) {
        // All of them: the columns change hands whole, and the model starts afresh.
        beginResetModel();
        out.values = std::move(m_values);
        out.flags = std::move(m_flags);
        out.names = std::move(m_names);
        out.batchOf = std::move(m_batchOf);
        out.keys = std::move(m_keys);
        out.numbers = std::move(m_numbers);
        out.batches = std::move(m_batches);
        m_values = Column<float>();
        m_flags = Column<quint8>();
        m_names = {};
        m_batchOf = Column<quint32>();
        m_keys = Column<qint64>();
        m_numbers = Column<quint32>();
        m_batches = {};
        ++m_generation;
        endResetModel();
        return out;
    }
    const qsizetype v0 = qsizetype(row) * m_stride, v1 = qsizetype(row + count) * m_stride;
    out.values.assign(m_values.begin() + v0, m_values.begin() + v1);
    out.flags.assign(m_flags.begin() + row, m_flags.begin() + row + count);
    out.keys.assign(m_keys.begin() + row, m_keys.begin() + row + count);
    out.numbers.assign(m_numbers.begin() + row, m_numbers.begin() + row + count);
    if (m_layout == 2)
        out.names = m_names.mid(row, count);
    // Only the batches these rows use travel with them, renumbered.
    QHash<quint32, quint32> renumbered;
    out.batchOf.resize(count);
    for (int i = 0; i < count; ++i) {
        const quint32 old = m_batchOf[row + i];
        auto it = renumbered.find(old);
        if (it == renumbered.end()) {
            it = renumbered.insert(old, quint32(out.batches.size()));
            out.batches.append(m_batches[old]);
        }
        out.batchOf[i] = *it;
    }
    removeRows(row, count);
    return out;
}

int RecordsModel::insertRows(int row, DetachedRows detached)
{
    const int n = detached.count();
    if (n == 0 || !hasColumns() || detached.m_layout != m_layout || row < 0 || row > rows()
        || n > INT_MAX - rows())
        return 0;
    if (rows() == 0) {
        beginInsertRows(QModelIndex(), 0, n - 1);
        m_values = std::move(detached.values);
        m_flags = std::move(detached.flags);
        m_names = std::move(detached.names);
        m_batchOf = std::move(detached.batchOf);
        m_keys = std::move(detached.keys);
        m_numbers = std::move(detached.numbers);
        m_batches = std::move(detached.batches);
        endInsertRows();
        return n;
    }
    beginInsertRows(QModelIndex(), row, row + n - 1);
    const quint32 offset = quint32(m_batches.size());
    m_batches.append(detached.batches);
    for (quint32 &b : detached.batchOf)
        b += offset;
    m_values.insert(m_values.begin() + qsizetype(row) * m_stride, detached.values.begin(), detached.values.end());
    m_flags.insert(m_flags.begin() + row, detached.flags.begin(), detached.flags.end());
    if (m_layout == 2) {
        m_names.insert(row, n, QString());
        std::move(detached.names.begin(), detached.names.end(), m_names.begin() + row);
    }
    m_batchOf.insert(m_batchOf.begin() + row, detached.batchOf.begin(), detached.batchOf.end());
    m_keys.insert(m_keys.begin() + row, detached.keys.begin(), detached.keys.end());
    m_numbers.insert(m_numbers.begin() + row, detached.numbers.begin(), detached.numbers.end());
    if (row < rows() - n)
        ++m_generation;
    endInsertRows();
    return n;
}

void RecordsModel::clear()
{
    // Released, not kept: a cleared million-record table gives its memory back.
    takeRows(0, rows());
}

std::vector<qint64> RecordsModel::keys(int first, int count) const
{
    if (first < 0 || count <= 0 || qsizetype(first) + count > rows())
        return {};
    return std::vector<qint64>(m_keys.begin() + first, m_keys.begin() + first + count);
}

qint64 RecordsModel::key(int row) const
{
    return row >= 0 && row < rows() ? m_keys[size_t(row)] : 0;
}

void RecordsModel::setKeys(int first, const std::vector<qint64> &keys)
{
    if (first < 0 || qsizetype(first) + qsizetype(keys.size()) > rows())
        return;
    std::copy(keys.begin(), keys.end(), m_keys.begin() + first);
}

QString RecordsModel::text(int row, int column) const
{
    if (row < 0 || row >= rows() || column < 0 || column >= m_columnCount)
        return QString();
    const int value = m_columns[column].valueIndex;
    if (value < 0) {
        if (column != 0)
            return QString();
        if (m_layout == 2)
            return m_names[row];
        return m_numbers[row] ? QString::number(m_numbers[row]) : QString();
    }
    if (isOutOfRange(row, value))
        return outOfRangeWord();
    return formatValue(double(this->value(row, value)), m_columns[column].decimals);
}

int RecordsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows();
}

int RecordsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columnCount;
}

QVariant RecordsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rows() || index.column() >= m_columnCount)
        return QVariant();
    const int column = index.column();
    const int row = index.row();
    const int value = m_columns[column].valueIndex;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column == operationColumn())
            return QVariant();
        return text(index.row(), column);
    case Qt::TextAlignmentRole:
        return QVariant(Qt::AlignCenter);
    case ValueRole:
        if (value < 0 || isOutOfRange(row, value))
            return QVariant();
        return double(this->value(row, value));
    case OutOfRangeRole:
        return value >= 0 && isOutOfRange(row, value);
    case OriginRole:
        return int(m_batches[m_batchOf[row]].origin);
    case ArrivalRole:
        return m_batches[m_batchOf[row]].arrivedMs;
    default:
        return QVariant();
    }
}

QString RecordsModel::headerText(int column) const
{
    const QStringList words = m_layout == 1 ? singleHeaderWords() : multiHeaderWords();
    if (column < 0 || column >= words.size())
        return QString();
    return words.at(column) + (m_columns[column].valueIndex >= 0 ? unitSuffix(m_columns[column].unit) : QString());
}

QVariant RecordsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= 0 && section < m_columnCount && role == Qt::DisplayRole)
        return headerText(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags RecordsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_layout == 2 && index.column() == 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool RecordsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != 0)
        return false;
    return rename(index.row(), value.toString());
}

bool RecordsModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || qsizetype(row) + count > rows())
        return false;
    beginRemoveRows(QModelIndex(), row, row + count - 1);
    m_values.erase(m_values.begin() + qsizetype(row) * m_stride, m_values.begin() + qsizetype(row + count) * m_stride);
    m_flags.erase(m_flags.begin() + row, m_flags.begin() + row + count);
    if (m_layout == 2)
        m_names.remove(row, count);
    m_batchOf.erase(m_batchOf.begin() + row, m_batchOf.begin() + row + count);
    m_keys.erase(m_keys.begin() + row, m_keys.begin() + row + count);
    m_numbers.erase(m_numbers.begin() + row, m_numbers.begin() + row + count);
    ++m_generation;
    endRemoveRows();
    return true;
}
