#pragma once

#include "protocol/RecordRows.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QStringList>
#include <QVariantList>
#include <QVector>
#include <array>

class QTableWidget;
class DeleteButtonDelegate;

// The records table's logic on top of the page's QTableWidget: headers and decimal places
// from the unit numbers, rows, the painted Delete buttons, the layer display, name editing
// and the language change of the table's own texts.
class RecordsTable : public QObject
{
    Q_OBJECT
public:
    static constexpr int SingleColumnCount = 3;
    static constexpr int MultiColumnCount = 8;

    // Sets up the table (no edit triggers, stretched header sections) and installs the
    // Delete-button delegate. The table must outlive this object.
    explicit RecordsTable(QTableWidget *table, QObject *parent = nullptr);

    QTableWidget *table() const { return m_table; }
    DeleteButtonDelegate *deleteDelegate() const { return m_delegate; }

    static QString outOfRangeWord(bool chinese);
    static QString deleteWord(bool chinese);
    // Bare header words in column order: {Thickness, Sound Velocity, Operation} and
    // {Test Name, six value words, Operation}.
    static QStringList singleHeaderWords(bool chinese);
    static QStringList multiHeaderWords(bool chinese);
    // "\n(" + name + ")", or empty for an empty unit name.
    static QString unitSuffix(const QString &unitName);
    static QString formatValue(float value, int decimals);

    // Column headers and decimals for layout 1 or 2 from the unit numbers (0-based positions
    // in unitTable; each entry is {UnitNo, UnitName, DecimalNumber}). On a failed check the
    // table gets 0 columns and the layout's decimals stay empty. Other layouts change nothing.
    // Returns whether columns were built. Also sets the Delete buttons' language.
    bool buildHeaders(int layout, const QList<int> &unitNumbers, const QList<QVariantList> &unitTable,
                      bool chinese);
    QList<int> singleDecimals() const { return m_singleDecimals; }
    QList<int> multiDecimals() const { return m_multiDecimals; }

    // Append one row and scroll to the bottom. Refused (false) while the layout's decimals
    // are missing.
    bool addSingleLayerRow(float thickness, float velocity, const QString &thicknessText,
                           const QString &velocityText);
    bool addMultiLayerRow(const QString &name, const std::array<float, 6> &values,
                          const std::array<QString, 6> &texts);
    // The same cells for many rows at once, with one scroll to the bottom. Returns the number
    // of rows added (0 when refused).
    int addSingleLayerRows(const QVector<SingleLayerRow> &rows);
    int addMultiLayerRows(const QVector<MultiLayerRow> &rows);

    // The layer selector's text "1", "2" or "3" hides the columns of the layers not shown;
    // anything else, and any layout but 2, changes nothing.
    void applyLayerDisplay(int layout, const QString &text);
    // Opens the name editor of (row, 0); only in layout 2 and only for column 0.
    bool editName(int layout, int row, int column);
    // Out-of-range cells get the word of the new language; the Delete buttons too.
    void relabel(int layout, bool chinese);
    void setChinese(bool chinese);
    bool chinese() const;

    // Removes the row under a viewport position (no-op when there is none).
    void deleteRowAt(const QPoint &viewportPos);
    // Removes every row; columns and headers stay.
    void clearRows();
    int rowCount() const;

private:
    bool singleReady() const;
    bool multiReady() const;
    void fillSingleRow(int row, const SingleLayerRow &data);
    void fillMultiRow(int row, const MultiLayerRow &data);

    QTableWidget *m_table;
    DeleteButtonDelegate *m_delegate;
    QList<int> m_singleDecimals;
    QList<int> m_multiDecimals;
};
