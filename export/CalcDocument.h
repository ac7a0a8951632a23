#pragma once

#include <QString>
#include <memory>

struct CellBand;
class OfficeProcess;
class SheetCells;

// One spreadsheet document in a connected office. Sheets are 0-based. Writing happens in
// bands of rows (see CellBand), a few office calls per band; row heights are fitted once,
// when the document is stored.
class CalcDocument
{
public:
    // How long one call of this class may wait for the office before the office is stopped
    // and the call fails.
    static constexpr int kCallTimeoutMs = 120000;

    // The office must stay connected, and outlive this object.
    explicit CalcDocument(OfficeProcess &office, int callTimeoutMs = kCallTimeoutMs);
    ~CalcDocument(); // closes the document
    CalcDocument(const CalcDocument &) = delete;
    CalcDocument &operator=(const CalcDocument &) = delete;

    // Loads a workbook file; an empty path, or an empty file, gives a new empty workbook.
    bool open(const QString &path);
    bool isOpen() const;
    int sheetCount() const;
    bool appendSheet(const QString &name);

    // Writes the band's cells of `cells` into a sheet: values, centring and number formats.
    bool writeBand(int sheet, const SheetCells &cells, const CellBand &band);
    // Every cell of `cells`, one office call per cell operation (centring, value): the
    // baseline the bands are measured against. No number formats. The time limit holds
    // per sheet row.
    bool writeCellsOneByOne(int sheet, const SheetCells &cells);

    // Saves in the Excel 97-2003 format at `path` (replacing a file there).
    bool storeAsXls(const QString &path);
    // Closes without saving, and removes the lock files beside the files it opened or saved.
    bool close();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
