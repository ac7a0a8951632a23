#include "assetspage/AssetSummaryModel.h"

#include "assetspage/JudgementWords.h"

#include <QColor>
#include <QDateTime>
#include <QLocale>

#include <cmath>

AssetSummaryModel::AssetSummaryModel(const JudgementBook *book, QObject *parent)
    : QAbstractTableModel(parent), m_book(book)
{
}

void AssetSummaryModel::setNumbers(const PlaceNumbers &numbers)
{
    beginResetModel();
    m_numbers = numbers;
    endResetModel();
}

void AssetSummaryModel::setFilter(const JudgementFilter &filter)
{
    m_filter = filter;
    reload();
}

void AssetSummaryModel::reload()
{
    beginResetModel();
    m_rows = m_book ? m_book->filtered(m_filter) : QVector<int>();
    endResetModel();
}

const CmlJudgement *AssetSummaryModel::judgement(int row) const
{
    if (row < 0 || row >= m_rows.size())
        return nullptr;
    const int item = m_rows.at(row);
    return m_book && item >= 0 && item < m_book->items().size() ? &m_book->items().at(item) : nullptr;
}

qint64 AssetSummaryModel::cmlId(int row) const
{
    const CmlJudgement *j = judgement(row);
    return j ? j->cml.id : 0;
}

int AssetSummaryModel::rowOf(qint64 cml) const
{
    const int item = m_book ? m_book->indexOf(cml) : -1;
    return item < 0 ? -1 : int(m_rows.indexOf(item));
}

// The records table's band colours (red: under the minimum; amber: the warning band).
QColor AssetSummaryModel::red()
{
    return QColor(0xC6, 0x28, 0x28);
}

QColor AssetSummaryModel::amber()
{
    return QColor(0xF9, 0xA8, 0x25);
}

int AssetSummaryModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int AssetSummaryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AssetSummaryModel::data(const QModelIndex &index, int role) const
{
    const CmlJudgement *j = index.isValid() ? judgement(index.row()) : nullptr;
    if (!j)
        return {};
    const CmlFigures &f = j->figures;
    switch (role) {
    case CmlRole:
        return j->cml.id;
    case Qt::BackgroundRole:
        if (f.underMinimum)
            return red();
        if (f.lessLifeThanInterval)
            return amber();
        return {};
    case Qt::ForegroundRole:
        if (f.underMinimum)
            return QColor(Qt::white);
        if (f.lessLifeThanInterval)
            return QColor(0x20, 0x20, 0x20);
        return {};
    case Qt::TextAlignmentRole:
        return index.column() >= Newest ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::DisplayRole:
        break;
    default:
        return {};
    }
    // The newest counted reading; without one, the newest there is.
    const int newest = f.actual >= 0 ? f.actual : int(j->series.readings.size()) - 1;
    const SeriesReading *reading = newest >= 0 ? &j->series.readings.at(newest) : nullptr;
    auto date = [](qint64 ms) {
        return ms > 0 ? QLocale().toString(QDateTime::fromMSecsSinceEpoch(ms).date(), QLocale::ShortFormat) : QString();
    };
    switch (index.column()) {
    case AssetPath:
        return j->assetPath;
    case Tag:
        return j->cml.tag;
    case Newest:
        return reading && !std::isnan(reading->thickness) ? m_numbers.text(reading->thickness, j->unit) + QLatin1Char(' ') + j->unit
                                                          : QString();
    case NewestDate:
        return reading ? date(reading->dateMs) : QString();
    case Required:
        return std::isnan(j->requirement.required)
                   ? QString()
                   : m_numbers.text(j->requirement.required, j->requirement.unit) + QLatin1Char(' ') + j->requirement.unit;
    case Governing:
        return std::isnan(f.governing) ? QString()
                                       : tr("%1 %2/year").arg(m_numbers.rateText(f.governing, j->unit), j->unit);
    case RemainingLife:
        return f.underMinimum ? QStringLiteral("0") : JudgementWords::years(f.remainingYears);
    case NextDate:
        return f.dueNow ? tr("due now") : date(f.nextMs);
    case Marks: {
        const int marked = f.markedReadings();
        return marked > 0 ? QString::number(marked) : QString();
    }
    }
    return {};
}

QVariant AssetSummaryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case AssetPath:
        return tr("Asset");
    case Tag:
        return tr("CML");
    case Newest:
        return tr("Newest");
    case NewestDate:
        return tr("Taken");
    case Required:
        return tr("Required");
    case Governing:
        return tr("Governing rate");
    case RemainingLife:
        return tr("Remaining life");
    case NextDate:
        return tr("Next inspection");
    case Marks:
        return tr("Marks");
    }
    return {};
}
