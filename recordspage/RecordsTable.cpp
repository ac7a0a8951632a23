#include "recordspage/RecordsTable.h"

#include "recordspage/DeleteButtonDelegate.h"
#include "protocol/FieldDecoder.h"

#include <QHeaderView>
#include <QTableWidget>

namespace {

QTableWidgetItem *centredItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignCenter);
    return item;
}

// Suspends painting of the table while many cells change; restores the previous state.
class UpdatesSuspended
{
public:
    explicit UpdatesSuspended(QWidget *w)
        : m_widget(w)
        , m_wasEnabled(w->updatesEnabled())
    {
        m_widget->setUpdatesEnabled(false);
    }
    ~UpdatesSuspended() { m_widget->setUpdatesEnabled(m_wasEnabled); }
    UpdatesSuspended(const UpdatesSuspended &) = delete;
    UpdatesSuspended &operator=(const UpdatesSuspended &) = delete;

private:
    QWidget *m_widget;
    bool m_wasEnabled;
};

// A unit position usable for the table: inside unitTable, and an entry of exactly 3 fields.
bool unitUsable(int unitNo, const QList<QVariantList> &unitTable)
{
    return unitNo >= 0 && unitNo < unitTable.size() && unitTable.at(unitNo).size() == 3;
}

} // namespace

RecordsTable::RecordsTable(QTableWidget *table, QObject *parent)
    : QObject(parent)
    , m_table(table)
    , m_delegate(new DeleteButtonDelegate(table))
{
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->setItemDelegate(m_delegate);
    connect(m_delegate, &DeleteButtonDelegate::deleteClicked, this, &RecordsTable::deleteRowAt);
}

QString RecordsTable::outOfRangeWord(bool chinese)
{
    return FieldDecoder::outOfRangeWord(chinese);
}

QString RecordsTable::deleteWord(bool chinese)
{
    return DeleteButtonDelegate::label(chinese);
}

QStringList RecordsTable::singleHeaderWords(bool chinese)
{
    if (chinese)
        return {QStringLiteral("厚度"), QStringLiteral("声速"), QStringLiteral("操作")};
    return {QStringLiteral("Thickness"), QStringLiteral("Sound Velocity"), QStringLiteral("Operation")};
}

QStringList RecordsTable::multiHeaderWords(bool chinese)
{
    if (chinese)
        return {QStringLiteral("名称"),      QStringLiteral("第1层厚度"), QStringLiteral("第2层厚度"),
                QStringLiteral("第3层厚度"), QStringLiteral("第1层声速"), QStringLiteral("第2层声速"),
                QStringLiteral("第3层声速"), QStringLiteral("操作")};
    return {QStringLiteral("Test Name"),          QStringLiteral("1st Layer Thickness"),
            QStringLiteral("2st Layer Thickness"), QStringLiteral("3st Layer Thickness"),
            QStringLiteral("1st Sound Velocity"),  QStringLiteral("2st Sound Velocity"),
            QStringLiteral("3st Sound Velocity"),  QStringLiteral("Operation")};
}

QString RecordsTable::unitSuffix(const QString &unitName)
{
    if (unitName.isEmpty())
        return QString();
    return QStringLiteral("\n(") + unitName + QStringLiteral(")");
}

QString RecordsTable::formatValue(float value, int decimals)
{
    return QString::number(double(value), 'f', decimals);
}

bool RecordsTable::buildHeaders(int layout, const QList<int> &unitNumbers, const QList<QVariantList> &unitTable,
                                bool chinese)
{
    QStringList labels;
    int operationColumn = -1;
    if (layout == 1) {
        m_singleDecimals.clear();
        // Entry 1 names the thickness unit (column 0), entry 0 the velocity unit (column 1).
        if (unitNumbers.size() >= 2 && unitUsable(unitNumbers.at(0), unitTable)
            && unitUsable(unitNumbers.at(1), unitTable)) {
            const QVariantList &thick = unitTable.at(unitNumbers.at(1));
            const QVariantList &velo = unitTable.at(unitNumbers.at(0));
            m_singleDecimals << thick.at(2).toInt() << velo.at(2).toInt();
            const QStringList words = singleHeaderWords(chinese);
            labels << words.at(0) + unitSuffix(thick.at(1).toString())
                   << words.at(1) + unitSuffix(velo.at(1).toString()) << words.at(2);
            operationColumn = SingleColumnCount - 1;
        }
    } else if (layout == 2) {
        m_multiDecimals.clear();
        bool ok = unitNumbers.size() >= 6;
        for (int i = 0; ok && i < 6; ++i)
            ok = unitUsable(unitNumbers.at(i), unitTable);
        if (ok) {
            const QStringList words = multiHeaderWords(chinese);
            labels << words.at(0);
            for (int i = 0; i < 6; ++i) {
                const QVariantList &unit = unitTable.at(unitNumbers.at(i));
                m_multiDecimals << unit.at(2).toInt();
                labels << words.at(i + 1) + unitSuffix(unit.at(1).toString());
            }
            labels << words.at(7);
            operationColumn = MultiColumnCount - 1;
        }
    } else {
        return false;
    }

    m_table->setColumnCount(int(labels.size()));
    m_table->setHorizontalHeaderLabels(labels);
    // Columns keep their hidden flag across a count change: after a multi-layer gauge showed
    // one layer, the single-layer table would otherwise lose its Operation column.
    if (layout == 1)
        for (int c = 0; c < m_table->columnCount(); ++c)
            m_table->setColumnHidden(c, false);
    m_delegate->setOperationColumn(operationColumn);
    m_delegate->setChinese(chinese);
    return !labels.isEmpty();
}

bool RecordsTable::singleReady() const
{
    return m_singleDecimals.size() >= 2 && m_table->columnCount() >= SingleColumnCount;
}

bool RecordsTable::multiReady() const
{
    return m_multiDecimals.size() >= 6 && m_table->columnCount() >= MultiColumnCount;
}

void RecordsTable::fillSingleRow(int row, const SingleLayerRow &data)
{
    m_table->setItem(row, 0, centredItem(data.thicknessText.isEmpty()
                                             ? formatValue(data.thickness, m_singleDecimals.at(0))
                                             : data.thicknessText));
    m_table->setItem(row, 1, centredItem(data.velocityText.isEmpty()
                                             ? formatValue(data.velocity, m_singleDecimals.at(1))
                                             : data.velocityText));
}

void RecordsTable::fillMultiRow(int row, const MultiLayerRow &data)
{
    m_table->setItem(row, 0, centredItem(data.name));
    for (int c = 1; c <= 6; ++c) {
        const QString &text = data.texts[size_t(c - 1)];
        m_table->setItem(row, c, centredItem(text.isEmpty()
                                                 ? formatValue(data.values[size_t(c - 1)], m_multiDecimals.at(c - 1))
                                                 : text));
    }
}

bool RecordsTable::addSingleLayerRow(float thickness, float velocity, const QString &thicknessText,
                                     const QString &velocityText)
{
    return addSingleLayerRows({SingleLayerRow{thickness, velocity, thicknessText, velocityText}}) == 1;
}

bool RecordsTable::addMultiLayerRow(const QString &name, const std::array<float, 6> &values,
                                    const std::array<QString, 6> &texts)
{
    return addMultiLayerRows({MultiLayerRow{name, values, texts}}) == 1;
}

namespace {

// Appends rows as one batch: one row-count change, no repaint per cell, one scroll.
template <typename Row, typename Fill>
int appendRows(QTableWidget *table, const QVector<Row> &rows, Fill fill)
{
    if (rows.isEmpty())
        return 0;
    const int first = table->rowCount();
    const int n = int(qMin<qsizetype>(rows.size(), INT_MAX - first));
    {
        UpdatesSuspended quiet(table);
        table->setRowCount(first + n);
        for (int i = 0; i < n; ++i)
            fill(first + i, rows.at(i));
    }
    table->scrollToBottom();
    return n;
}

} // namespace

int RecordsTable::addSingleLayerRows(const QVector<SingleLayerRow> &rows)
{
    if (!singleReady())
        return 0;
    return appendRows(m_table, rows, [this](int row, const SingleLayerRow &data) { fillSingleRow(row, data); });
}

int RecordsTable::addMultiLayerRows(const QVector<MultiLayerRow> &rows)
{
    if (!multiReady())
        return 0;
    return appendRows(m_table, rows, [this](int row, const MultiLayerRow &data) { fillMultiRow(row, data); });
}

void RecordsTable::applyLayerDisplay(int layout, const QString &text)
{
    if (layout != 2)
        return;
    bool ok = false;
    const int layers = text.toInt(&ok, 10);
    if (!ok || layers < 1 || layers > 3)
        return;
    m_table->setColumnHidden(2, layers < 2);
    m_table->setColumnHidden(5, layers < 2);
    m_table->setColumnHidden(3, layers < 3);
    m_table->setColumnHidden(6, layers < 3);
}

bool RecordsTable::editName(int layout, int row, int column)
{
    if (layout != 2 || column != 0)
        return false;
    QTableWidgetItem *item = m_table->item(row, 0);
    if (!item)
        return false;
    m_table->editItem(item);
    return true;
}

void RecordsTable::relabel(int layout, bool chinese)
{
    setChinese(chinese);
    int firstColumn = 0;
    int lastColumn = -1;
    if (layout == 1) {
        firstColumn = 0;
        lastColumn = 1;
    } else if (layout == 2) {
        firstColumn = 1;
        lastColumn = 6;
    }
    lastColumn = qMin(lastColumn, m_table->columnCount() - 1);
    const QString english = outOfRangeWord(false);
    const QString chineseWord = outOfRangeWord(true);
    const QString word = outOfRangeWord(chinese);
    UpdatesSuspended quiet(m_table);
    for (int r = 0; r < m_table->rowCount(); ++r) {
        for (int c = firstColumn; c <= lastColumn; ++c) {
            const QTableWidgetItem *item = m_table->item(r, c);
            if (item && (item->text() == english || item->text() == chineseWord))
                m_table->setItem(r, c, centredItem(word));
        }
    }
}

void RecordsTable::setChinese(bool chinese)
{
    m_delegate->setChinese(chinese);
}

bool RecordsTable::chinese() const
{
    return m_delegate->chinese();
}

void RecordsTable::deleteRowAt(const QPoint &viewportPos)
{
    const int row = m_table->indexAt(viewportPos).row();
    if (row != -1)
        m_table->removeRow(row);
}

void RecordsTable::clearRows()
{
    m_table->setRowCount(0);
}

int RecordsTable::rowCount() const
{
    return m_table->rowCount();
}
