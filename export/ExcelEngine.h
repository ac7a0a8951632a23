#pragma once

#include "export/WorkbookTable.h"

#include <QString>
#include <memory>

// Writes a table into an Excel 97-2003 workbook (.xls) through a private headless
// LibreOffice Calc. The workbook starts as a copy of the template when there is one, else
// empty; header texts go to row 1 (their row high enough for the line break), rows from
// row 2, every written cell centred, numbers as number cells showing their decimals.
//
// One office serves one write() and ends with it. prepare() starts it ahead (while a file
// dialog is open); release() ends one that write() did not take. Built without the office
// SDK, write() fails.
class ExcelEngine : public WorkbookWriter
{
public:
    // `officeProgram` empty: the default soffice (PALVARIN_SOFFICE overrides it).
    explicit ExcelEngine(const QString &templatePath = QStringLiteral("./template.xls"),
                         const QString &officeProgram = QString());
    ~ExcelEngine() override;

    void prepare() override;
    void release() override;
    // Fails without starting an office when the table does not fit an .xls sheet, and
    // when `path` exists already.
    bool write(const WorkbookTable &table, const QString &path, ProgressHandle *progress) override;

    // How long the office of the last write() took to start, in ms (launch to connected;
    // counted from prepare() when that started it). 0 when none started.
    qint64 lastStartMs() const;

    // Sheet rows per round of office calls: small enough for Cancel to answer quickly,
    // large enough that the calls per round do not matter.
    static constexpr int kBandRows = 1000;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
