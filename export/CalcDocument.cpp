#include "export/CalcDocument.h"

#include "export/CellBlocks.h"
#include "export/OfficeUno.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QPair>
#include <QUrl>
#include <QVector>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetCellRangeContainer.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/table/CellHoriJustify.hpp>
#include <com/sun/star/table/CellRangeAddress.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

using namespace css;
using OfficeUno::fromOu;
using OfficeUno::toOu;
using rtl::OUString;
using uno::Any;
using uno::Reference;
using uno::Sequence;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

OUString fileUrl(const QString &path)
{
    return toOu(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded));
}

beans::PropertyValue property(const char *name, const Any &value)
{
    beans::PropertyValue p;
    p.Name = OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

Any valueOf(const WorkbookCell &cell)
{
    if (cell.kind == WorkbookCell::Kind::Number)
        return Any(cell.number);
    return Any(toOu(cell.text));
}

} // namespace

struct CalcDocument::Impl
{
    Impl(OfficeProcess &office, int callTimeoutMs) : office(office), callTimeoutMs(callTimeoutMs) {}

    OfficeProcess &office;
    const int callTimeoutMs;
    Reference<lang::XComponent> document;
    QStringList filesTouched; // absolute paths whose lock files close() removes
    QHash<int, sal_Int32> formatKeys; // decimals -> number format of the document
    bool heightsHeld = false;
    QVector<QPair<int, int>> rowsToFit; // (sheet, row)

    Reference<sheet::XSpreadsheet> sheet(int index) const
    {
        Reference<sheet::XSpreadsheetDocument> doc(document, UNO_QUERY_THROW);
        Reference<container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
        if (index < 0 || index >= sheets->getCount())
            return {};
        return Reference<sheet::XSpreadsheet>(sheets->getByIndex(index), UNO_QUERY_THROW);
    }

    sal_Int32 numberFormat(int decimals)
    {
        const auto known = formatKeys.constFind(decimals);
        if (known != formatKeys.constEnd())
            return *known;
        Reference<util::XNumberFormatsSupplier> supplier(document, UNO_QUERY_THROW);
        Reference<util::XNumberFormats> formats = supplier->getNumberFormats();
        // The document's own locale (a fixed one would be written as a [$-409] prefix), and the
        // code generated in it, so the decimal separator is the one that locale reads.
        const lang::Locale locale;
        const OUString code = formats->generateFormat(0, locale, false, false, sal_Int16(decimals), 1);
        sal_Int32 key = formats->queryKey(code, locale, false);
        if (key == -1)
            key = formats->addNew(code, locale);
        formatKeys.insert(decimals, key);
        return key;
    }

    // One property on many rectangles of a sheet in a single call.
    void setOnRects(int sheetIndex, const QVector<CellRect> &rects, const char *name, const Any &value)
    {
        if (rects.isEmpty())
            return;
        Reference<lang::XMultiServiceFactory> factory(document, UNO_QUERY_THROW);
        Reference<sheet::XSheetCellRangeContainer> ranges(
            factory->createInstance("com.sun.star.sheet.SheetCellRanges"), UNO_QUERY_THROW);
        Sequence<table::CellRangeAddress> addresses(rects.size());
        table::CellRangeAddress *a = addresses.getArray();
        for (int i = 0; i < rects.size(); ++i)
            a[i] = table::CellRangeAddress(sal_Int16(sheetIndex), rects[i].left, rects[i].top, rects[i].right,
                                           rects[i].bottom);
        ranges->addRangeAddresses(addresses, false);
        Reference<beans::XPropertySet>(ranges, UNO_QUERY_THROW)
            ->setPropertyValue(OUString::createFromAscii(name), value);
    }

    // Fitting every row's height to its new contents costs more than writing them: it is held
    // while bands are written, and only the rows with line breaks are fitted before saving.
    void holdHeights()
    {
        if (heightsHeld)
            return;
        Reference<beans::XPropertySet>(document, UNO_QUERY_THROW)->setPropertyValue("IsAdjustHeightEnabled", Any(false));
        heightsHeld = true;
    }

    void fitHeights()
    {
        if (!heightsHeld)
            return;
        Reference<beans::XPropertySet>(document, UNO_QUERY_THROW)->setPropertyValue("IsAdjustHeightEnabled", Any(true));
        heightsHeld = false;
        for (const auto &[sheetIndex, row] : std::as_const(rowsToFit)) {
            Reference<table::XColumnRowRange> columnsRows(sheet(sheetIndex), UNO_QUERY_THROW);
            Reference<container::XIndexAccess> rows(columnsRows->getRows(), UNO_QUERY_THROW);
            Reference<beans::XPropertySet>(rows->getByIndex(row), UNO_QUERY_THROW)
                ->setPropertyValue("OptimalHeight", Any(true));
        }
        rowsToFit.clear();
    }
};

CalcDocument::CalcDocument(OfficeProcess &office, int callTimeoutMs)
    : d(std::make_unique<Impl>(office, callTimeoutMs))
{
}

CalcDocument::~CalcDocument()
{
    close();
}

bool CalcDocument::open(const QString &path)
{
    const Reference<frame::XDesktop2> desktop = d->office.d->desktop;
    if (!desktop.is() || d->document.is())
        return false;
    try {
        const OfficeCallDeadline bounded(d->office, d->callTimeoutMs);
        Reference<frame::XComponentLoader> loader(desktop, UNO_QUERY_THROW);
        Sequence<beans::PropertyValue> args(1);
        args.getArray()[0] = property("Hidden", Any(true));
        // An empty file is an empty workbook: a new one spares the type detection.
        const bool fresh = path.isEmpty() || QFileInfo(path).size() == 0;
        if (!path.isEmpty())
            d->filesTouched << QFileInfo(path).absoluteFilePath();
        Reference<lang::XComponent> doc = loader->loadComponentFromURL(
            fresh ? OUString("private:factory/scalc") : fileUrl(path), "_blank", 0, args);
        if (!doc.is())
            return false;
        if (!Reference<sheet::XSpreadsheetDocument>(doc, UNO_QUERY).is()) {
            Reference<util::XCloseable>(doc, UNO_QUERY_THROW)->close(true);
            return false;
        }
        d->document = doc;
        d->formatKeys.clear();
        d->heightsHeld = false;
        d->rowsToFit.clear();
        return true;
    } catch (const uno::Exception &e) {
        qWarning("office could not open %s: %s", qPrintable(path), qPrintable(fromOu(e.Message)));
        return false;
    }
}

bool CalcDocument::isOpen() const
{
    return d->document.is();
}

int CalcDocument::sheetCount() const
{
    if (!d->document.is())
        return 0;
    try {
        const OfficeCallDeadline bounded(d->office, d->callTimeoutMs);
        Reference<sheet::XSpreadsheetDocument> doc(d->document, UNO_QUERY_THROW);
        return Reference<container::XIndexAccess>(doc->getSheets(), UNO_QUERY_THROW)->getCount();
    } catch (const uno::Exception &) {
        return 0;
    }
}

bool CalcDocument::appendSheet(const QString &name)
{
    if (!d->document.is())
        return false;
    try {
        const OfficeCallDeadline bounded(d->office, d->callTimeoutMs);
        Reference<sheet::XSpreadsheetDocument> doc(d->document, UNO_QUERY_THROW);
        doc->getSheets()->insertNewByName(toOu(name), sal_Int16(sheetCount()));
        return true;
    } catch (const uno::Exception &) {
        return false;
    }
}

bool CalcDocument::writeBand(int sheetIndex, const SheetCells &cells, const CellBand &band)
{
    if (!d->document.is())
        return false;
    try {
        const OfficeCallDeadline bounded(d->office, d->callTimeoutMs);
        const Reference<sheet::XSpreadsheet> sheet = d->sheet(sheetIndex);
        if (!sheet.is())
            return false;
        d->holdHeights();
        const Reference<table::XCellRange> range(sheet, UNO_QUERY_THROW);

        // Values: one data array per rectangle.
        for (const CellRect &rect : band.filled) {
            Sequence<Sequence<Any>> data(rect.bottom - rect.top + 1);
            Sequence<Any> *rows = data.getArray();
            for (int r = rect.top; r <= rect.bottom; ++r) {
                Sequence<Any> &row = rows[r - rect.top];
                row.realloc(rect.right - rect.left + 1);
                Any *out = row.getArray();
                for (int c = rect.left; c <= rect.right; ++c)
                    out[c - rect.left] = valueOf(cells.at(r, c));
            }
            Reference<sheet::XCellRangeData> target(
                range->getCellRangeByPosition(rect.left, rect.top, rect.right, rect.bottom), UNO_QUERY_THROW);
            target->setDataArray(data);
        }
        // Number formats: one call per number of decimals; centring: one call for the band.
        for (const FormatRects &format : band.formats)
            d->setOnRects(sheetIndex, format.rects, "NumberFormat", Any(d->numberFormat(format.decimals)));
        d->setOnRects(sheetIndex, band.filled, "HoriJustify", Any(table::CellHoriJustify_CENTER));
        for (int row : band.lineBreakRows)
            d->rowsToFit.append({sheetIndex, row});
        return true;
    } catch (const uno::Exception &e) {
        qWarning("office could not write cells: %s", qPrintable(fromOu(e.Message)));
        return false;
    }
}

bool CalcDocument::writeCellsOneByOne(int sheetIndex, const SheetCells &cells)
{
    if (!d->document.is())
        return false;
    try {
        const Reference<sheet::XSpreadsheet> sheet = d->sheet(sheetIndex);
        if (!sheet.is())
            return false;
        for (int r = 0; r < cells.rowCount(); ++r) {
            const OfficeCallDeadline bounded(d->office, d->callTimeoutMs);
            for (int c = 0; c < cells.columnCount(); ++c) {
                const WorkbookCell &value = cells.at(r, c);
                if (value.kind == WorkbookCell::Kind::Empty)
                    continue;
                Reference<table::XCell> cell = sheet->getCellByPosition(c, r);
                Reference<beans::XPropertySet>(cell, UNO_QUERY_THROW)
                    ->setPropertyValue("HoriJustify", Any(table::CellHoriJustify_CENTER));
                if (value.kind == WorkbookCell::Kind::Number)
                    cell->setValue(value.number);
                else
                    Reference<text::XText>(cell, UNO_QUERY_THROW)->setString(toOu(value.text));
            }
        }
        return true;
    } catch (const uno::Exception &e) {
        qWarning("office could not write cells: %s", qPrintable(fromOu(e.Message)));
        return false;
    }
}

bool CalcDocument::storeAsXls(const QString &path)
{
    if (!d->document.is() || path.isEmpty())
        return false;
    d->filesTouched << QFileInfo(path).absoluteFilePath();
    try {
        const OfficeCallDeadline bounded(d->office, d->callTimeoutMs);
        d->fitHeights();
        Sequence<beans::PropertyValue> args(2);
        args.getArray()[0] = property("FilterName", Any(OUString("MS Excel 97")));
        args.getArray()[1] = property("Overwrite", Any(true));
        Reference<frame::XStorable>(d->document, UNO_QUERY_THROW)->storeAsURL(fileUrl(path), args);
        return true;
    } catch (const uno::Exception &e) {
        qWarning("office could not save %s: %s", qPrintable(path), qPrintable(fromOu(e.Message)));
        return false;
    }
}

bool CalcDocument::close()
{
    bool ok = true;
    if (d->document.is()) {
        try {
            const OfficeCallDeadline bounded(d->office, d->callTimeoutMs);
            Reference<util::XCloseable>(d->document, UNO_QUERY_THROW)->close(true);
        } catch (const uno::Exception &) {
            ok = false;
        }
        d->document.clear();
    }
    // The office removes its lock files when it closes a document; not when it was killed.
    for (const QString &path : std::as_const(d->filesTouched)) {
        const QFileInfo info(path);
        QFile::remove(info.absolutePath() + QLatin1String("/.~lock.") + info.fileName() + QLatin1Char('#'));
    }
    d->filesTouched.clear();
    return ok;
}
