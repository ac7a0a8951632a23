#include "export/CalcOffice.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>
#include <QtGlobal>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
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
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableRows.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/bootstrap.hxx>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

using namespace css;
using rtl::OUString;
using uno::Any;
using uno::Reference;
using uno::Sequence;
using uno::UNO_QUERY;
using uno::UNO_QUERY_THROW;

namespace {

const char *const kDefaultProgram = "/usr/lib/libreoffice/program/soffice";
const char *const kFundamentalRc = "file:///usr/lib/libreoffice/program/fundamentalrc";
// BIFF8 limits: a cell beyond them would be dropped silently when the .xls is written.
const int kMaxRows = 65536;
const int kMaxColumns = 256;

QString &programOverride()
{
    static QString path;
    return path;
}

OUString toOu(const QString &s)
{
    return OUString(reinterpret_cast<const sal_Unicode *>(s.utf16()), s.size());
}

QString fromOu(const OUString &s)
{
    return QString(reinterpret_cast<const QChar *>(s.getStr()), s.getLength());
}

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

// The local UNO context is made once per process; making it again is not supported.
Reference<uno::XComponentContext> localContext()
{
    static Reference<uno::XComponentContext> context = []() -> Reference<uno::XComponentContext> {
        try {
            rtl::Bootstrap::set("URE_BOOTSTRAP", OUString::createFromAscii(kFundamentalRc));
            return cppu::defaultBootstrap_InitialComponentContext();
        } catch (const uno::Exception &e) {
            qDebug("office bootstrap failed: %s", qPrintable(fromOu(e.Message)));
            return {};
        }
    }();
    return context;
}

// A rectangle of sheet cells, 1-based and inclusive.
struct Block
{
    int top, left, bottom, right;
};

// Cells sorted by (row, column) to rectangles: runs of neighbouring cells in a row, then
// runs of rows whose runs span the same columns. keep(i) picks the cells that take part.
template<typename Keep>
QList<Block> blocksOf(const QList<CalcOffice::Cell> &cells, Keep keep)
{
    QList<Block> rowRuns;
    const CalcOffice::Cell *previous = nullptr;
    for (int i = 0; i < cells.size(); ++i) {
        if (!keep(i))
            continue;
        const CalcOffice::Cell &c = cells[i];
        if (previous && previous->row == c.row && previous->column + 1 == c.column)
            rowRuns.last().right = c.column;
        else
            rowRuns.append({c.row, c.column, c.row, c.column});
        previous = &c;
    }
    // A rectangle grows downwards while the next row has a run over exactly its columns.
    QList<Block> blocks;
    QHash<QPair<int, int>, int> growing; // (left, right) -> rectangle ending in the previous row
    QHash<QPair<int, int>, int> thisRow;
    int currentRow = -1;
    for (const Block &run : rowRuns) {
        if (run.top != currentRow) {
            growing = run.top == currentRow + 1 ? thisRow : QHash<QPair<int, int>, int>();
            thisRow.clear();
            currentRow = run.top;
        }
        const auto key = qMakePair(run.left, run.right);
        const auto it = growing.constFind(key);
        if (it != growing.constEnd()) {
            blocks[*it].bottom = run.top;
            thisRow.insert(key, *it);
        } else {
            blocks.append(run);
            thisRow.insert(key, blocks.size() - 1);
        }
    }
    return blocks;
}

} // namespace

namespace {
qint64 lastStart = 0; // of the last office this process connected to
} // namespace

struct CalcOffice::Impl
{
    QProcess process;
    QElapsedTimer sinceLaunch;
    std::unique_ptr<QTemporaryDir> profile;
    QString pipeName;
    Reference<frame::XDesktop2> desktop;
    Reference<lang::XComponent> document;
    QString documentPath;
    QString storedPath; // where the document was last saved as .xls
    QStringList documentsOpened;
    // Cell ranges of a rectangle and the blocks' cell-by-cell baseline both need the sheet.
    Reference<sheet::XSpreadsheet> sheet(int index) const
    {
        Reference<sheet::XSpreadsheetDocument> doc(document, UNO_QUERY);
        if (!doc.is())
            return {};
        Reference<container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY);
        if (!sheets.is() || index < 1 || index > sheets->getCount())
            return {};
        return Reference<sheet::XSpreadsheet>(sheets->getByIndex(index - 1), UNO_QUERY);
    }
    sal_Int32 numberFormat(int decimals)
    {
        Reference<util::XNumberFormatsSupplier> supplier(document, UNO_QUERY_THROW);
        Reference<util::XNumberFormats> formats = supplier->getNumberFormats();
        // The document's own locale (a fixed one would be written as a [$-409] prefix), and the
        // code generated in it, so the decimal separator is the one that locale reads.
        const lang::Locale locale;
        const OUString code = formats->generateFormat(0, locale, false, false, sal_Int16(decimals), 1);
        sal_Int32 key = formats->queryKey(code, locale, false);
        if (key == -1)
            key = formats->addNew(code, locale);
        return key;
    }
    void setOnRanges(int sheetIndex, const QList<Block> &blocks, const char *name, const Any &value)
    {
        if (blocks.isEmpty())
            return;
        Reference<lang::XMultiServiceFactory> factory(document, UNO_QUERY_THROW);
        Reference<sheet::XSheetCellRangeContainer> ranges(
            factory->createInstance("com.sun.star.sheet.SheetCellRanges"), UNO_QUERY_THROW);
        Sequence<table::CellRangeAddress> addresses(blocks.size());
        table::CellRangeAddress *a = addresses.getArray();
        for (int i = 0; i < blocks.size(); ++i)
            a[i] = table::CellRangeAddress(sal_Int16(sheetIndex - 1), blocks[i].left - 1, blocks[i].top - 1,
                                           blocks[i].right - 1, blocks[i].bottom - 1);
        ranges->addRangeAddresses(addresses, false);
        Reference<beans::XPropertySet>(ranges, UNO_QUERY_THROW)->setPropertyValue(OUString::createFromAscii(name), value);
    }
};

CalcOffice::CalcOffice() : d(std::make_unique<Impl>()) {}

CalcOffice::~CalcOffice()
{
    shutdown();
}

QString CalcOffice::programPath()
{
    const QString fromEnvironment = qEnvironmentVariable("PALVARIN_SOFFICE");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (!programOverride().isEmpty())
        return programOverride();
    return QString::fromLatin1(kDefaultProgram);
}

void CalcOffice::setProgramPath(const QString &path)
{
    programOverride() = path;
}

QString CalcOffice::processTag()
{
    return QStringLiteral("palvarin_office_%1_").arg(QCoreApplication::applicationPid());
}

int CalcOffice::removeStaleProfiles()
{
    int removed = 0;
    const QString prefix = QStringLiteral("palvarin_office_");
    const QFileInfoList entries = QDir(QDir::tempPath())
                                      .entryInfoList({prefix + QLatin1Char('*')}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        // palvarin_office_<pid>_<n>_<random>: only folders of processes that are gone.
        bool ok = false;
        const qint64 pid = entry.fileName().mid(prefix.size()).section(QLatin1Char('_'), 0, 0).toLongLong(&ok);
        if (!ok || pid <= 0 || pid == QCoreApplication::applicationPid()
            || QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)) || !entry.isWritable())
            continue;
        if (QDir(entry.absoluteFilePath()).removeRecursively())
            ++removed;
    }
    return removed;
}

bool CalcOffice::launch()
{
    if (d->process.state() != QProcess::NotRunning)
        return true;
    const QString program = programPath();
    if (!QFileInfo(program).isExecutable())
        return false;
    static const int stale = removeStaleProfiles(); // once per run
    Q_UNUSED(stale)
    static int counter = 0;
    d->pipeName = processTag() + QString::number(++counter);
    // A private profile: with the user's, the request would reach a LibreOffice the user has
    // open, and terminating would close it.
    d->profile = std::make_unique<QTemporaryDir>(QDir::tempPath() + QLatin1String("/") + d->pipeName + QLatin1String("_XXXXXX"));
    if (!d->profile->isValid())
        return false;
    const QStringList args{
        QStringLiteral("--headless"), QStringLiteral("--invisible"), QStringLiteral("--norestore"),
        QStringLiteral("--nologo"), QStringLiteral("--nodefault"), QStringLiteral("--nolockcheck"),
        QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(d->profile->path()).toString(QUrl::FullyEncoded),
        QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext").arg(d->pipeName)};
    d->process.setProgram(program);
    d->process.setArguments(args);
    d->process.setStandardOutputFile(QProcess::nullDevice());
    d->process.setStandardErrorFile(QProcess::nullDevice());
    // Own process group, so that a kill reaches soffice.bin behind the launcher too; and the
    // launcher (which takes soffice.bin with it) is told to end if this program dies first,
    // so a crash or a kill never leaves an office running.
    const pid_t parent = ::getpid();
    d->process.setChildProcessModifier([parent] {
        ::setsid();
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::raise(SIGTERM);
    });
    d->sinceLaunch.start();
    d->process.start();
    if (!d->process.waitForStarted(5000)) {
        d->profile.reset();
        return false;
    }
    return true;
}

bool CalcOffice::connect(int timeoutMs)
{
    if (d->desktop.is())
        return true;
    if (d->process.state() == QProcess::NotRunning)
        return false;
    const Reference<uno::XComponentContext> local = localContext();
    if (!local.is())
        return false;
    const OUString url = toOu(QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(d->pipeName));
    QDeadlineTimer deadline(timeoutMs);
    Reference<bridge::XUnoUrlResolver> resolver;
    try {
        resolver = bridge::UnoUrlResolver::create(local);
    } catch (const uno::Exception &) {
        return false;
    }
    for (;;) {
        try {
            Reference<uno::XComponentContext> remote(resolver->resolve(url), UNO_QUERY_THROW);
            d->desktop = frame::Desktop::create(remote);
            lastStart = d->sinceLaunch.elapsed();
            return true;
        } catch (const uno::Exception &) {
            // not listening yet
        }
        // Doubles as the 50 ms pause between attempts; a child that ended will never answer.
        if (d->process.waitForFinished(50) || d->process.state() == QProcess::NotRunning || deadline.hasExpired())
            return false;
    }
}

qint64 CalcOffice::lastStartMs()
{
    return lastStart;
}

bool CalcOffice::isConnected() const
{
    return d->desktop.is();
}

bool CalcOffice::openDocument(const QString &path)
{
    if (!d->desktop.is() || d->document.is())
        return false;
    try {
        Reference<frame::XComponentLoader> loader(d->desktop, UNO_QUERY_THROW);
        Sequence<beans::PropertyValue> args(1);
        args.getArray()[0] = property("Hidden", Any(true));
        // An empty file is an empty workbook: a new one spares the type detection.
        const bool empty = QFileInfo(path).size() == 0;
        Reference<lang::XComponent> doc = loader->loadComponentFromURL(
            empty ? OUString("private:factory/scalc") : fileUrl(path), "_blank", 0, args);
        if (!doc.is())
            return false;
        d->documentsOpened << QFileInfo(path).absoluteFilePath();
        if (!Reference<sheet::XSpreadsheetDocument>(doc, UNO_QUERY).is()) {
            Reference<util::XCloseable>(doc, UNO_QUERY_THROW)->close(true);
            return false;
        }
        d->document = doc;
        d->documentPath = QFileInfo(path).absoluteFilePath();
        return true;
    } catch (const uno::Exception &e) {
        qDebug("office could not open %s: %s", qPrintable(path), qPrintable(fromOu(e.Message)));
        return false;
    }
}

bool CalcOffice::hasDocument() const
{
    return d->document.is();
}

int CalcOffice::sheetCount() const
{
    try {
        Reference<sheet::XSpreadsheetDocument> doc(d->document, UNO_QUERY);
        if (!doc.is())
            return 0;
        Reference<container::XIndexAccess> sheets(doc->getSheets(), UNO_QUERY_THROW);
        return sheets->getCount();
    } catch (const uno::Exception &) {
        return 0;
    }
}

bool CalcOffice::appendSheet(const QString &name)
{
    try {
        Reference<sheet::XSpreadsheetDocument> doc(d->document, UNO_QUERY_THROW);
        doc->getSheets()->insertNewByName(toOu(name), sal_Int16(sheetCount()));
        return true;
    } catch (const uno::Exception &) {
        return false;
    }
}

bool CalcOffice::parseNumber(const QString &text, double *value, int *decimals)
{
    // Only the plain form the records table writes ("-12.50", "5920"): leading zeros, signs,
    // exponents and blanks stay text, so names such as "007" are not turned into 7.
    const int n = text.size();
    int i = 0;
    if (i < n && text[i] == QLatin1Char('-'))
        ++i;
    const int intStart = i;
    while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'))
        ++i;
    const int intDigits = i - intStart;
    if (intDigits == 0 || (intDigits > 1 && text[intStart] == QLatin1Char('0')))
        return false;
    int fraction = 0;
    if (i < n && text[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9')) {
            ++i;
            ++fraction;
        }
        if (fraction == 0)
            return false;
    }
    // More digits than a double holds would not round-trip: keep such a text as it is.
    if (i != n || intDigits + fraction > 15)
        return false;
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok)
        return false;
    *value = v;
    *decimals = fraction;
    return true;
}

bool CalcOffice::writeCells(int sheetIndex, const QList<Cell> &cells)
{
    if (!d->document.is())
        return false;
    for (const Cell &c : cells)
        if (c.row < 1 || c.column < 1 || c.row > kMaxRows || c.column > kMaxColumns)
            return false;
    try {
        Reference<sheet::XSpreadsheet> sheet = d->sheet(sheetIndex);
        if (!sheet.is())
            return false;
        Reference<table::XCellRange> range(sheet, UNO_QUERY_THROW);
        // Fitting every row's height to its new contents costs more than writing them; only
        // rows with line breaks (the header) need it, and get it below.
        Reference<beans::XPropertySet> docProps(d->document, UNO_QUERY_THROW);
        docProps->setPropertyValue("IsAdjustHeightEnabled", Any(false));
        struct HeightsBack
        {
            Reference<beans::XPropertySet> props;
            ~HeightsBack()
            {
                try {
                    props->setPropertyValue("IsAdjustHeightEnabled", Any(true));
                } catch (const uno::Exception &) {
                }
            }
        } heightsBack{docProps};
        QSet<int> multiLineRows;

        // Values: one data array per rectangle of written cells.
        const QList<Block> valueBlocks = blocksOf(cells, [&](int i) { return cells[i].hasValue; });
        QList<int> decimalsOf(cells.size(), -1);
        QHash<qint64, int> position;
        for (int i = 0; i < cells.size(); ++i)
            position.insert(qint64(cells[i].row) << 32 | cells[i].column, i);
        for (const Block &b : valueBlocks) {
            Sequence<Sequence<Any>> data(b.bottom - b.top + 1);
            Sequence<Any> *rows = data.getArray();
            for (int r = b.top; r <= b.bottom; ++r) {
                Sequence<Any> &row = rows[r - b.top];
                row.realloc(b.right - b.left + 1);
                Any *out = row.getArray();
                for (int col = b.left; col <= b.right; ++col) {
                    const int index = position.value(qint64(r) << 32 | col);
                    const QVariant &v = cells[index].value;
                    double number = 0;
                    int decimals = 0;
                    if (v.typeId() == QMetaType::QString && parseNumber(v.toString(), &number, &decimals)) {
                        out[col - b.left] <<= number;
                        decimalsOf[index] = decimals;
                    } else if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int
                               || v.typeId() == QMetaType::UInt || v.typeId() == QMetaType::LongLong) {
                        out[col - b.left] <<= v.toDouble();
                    } else {
                        const QString text = v.toString();
                        if (text.contains(QLatin1Char('\n')))
                            multiLineRows.insert(r);
                        out[col - b.left] <<= toOu(text);
                    }
                }
            }
            Reference<sheet::XCellRangeData> target(
                range->getCellRangeByPosition(b.left - 1, b.top - 1, b.right - 1, b.bottom - 1), UNO_QUERY_THROW);
            target->setDataArray(data);
        }

        // Number formats: one call per distinct number of decimals.
        QList<int> distinct;
        for (int dec : decimalsOf)
            if (dec >= 0 && !distinct.contains(dec))
                distinct << dec;
        for (int dec : distinct) {
            const QList<Block> blocks = blocksOf(cells, [&](int i) { return decimalsOf[i] == dec; });
            d->setOnRanges(sheetIndex, blocks, "NumberFormat", Any(d->numberFormat(dec)));
        }

        // Alignment: one call for every centred cell.
        d->setOnRanges(sheetIndex, blocksOf(cells, [&](int i) { return cells[i].centred; }),
                       "HoriJustify", Any(table::CellHoriJustify_CENTER));
        docProps->setPropertyValue("IsAdjustHeightEnabled", Any(true));
        Reference<container::XIndexAccess> rows(Reference<table::XColumnRowRange>(sheet, UNO_QUERY_THROW)->getRows(),
                                                UNO_QUERY_THROW);
        for (int r : multiLineRows)
            Reference<beans::XPropertySet>(rows->getByIndex(r - 1), UNO_QUERY_THROW)
                ->setPropertyValue("OptimalHeight", Any(true));
        return true;
    } catch (const uno::Exception &e) {
        qDebug("office could not write cells: %s", qPrintable(fromOu(e.Message)));
        return false;
    }
}

bool CalcOffice::writeCellsOneByOne(int sheetIndex, const QList<Cell> &cells)
{
    if (!d->document.is())
        return false;
    try {
        Reference<sheet::XSpreadsheet> sheet = d->sheet(sheetIndex);
        if (!sheet.is())
            return false;
        for (const Cell &c : cells) {
            Reference<table::XCell> cell = sheet->getCellByPosition(c.column - 1, c.row - 1);
            if (c.centred)
                Reference<beans::XPropertySet>(cell, UNO_QUERY_THROW)
                    ->setPropertyValue("HoriJustify", Any(table::CellHoriJustify_CENTER));
            if (!c.hasValue)
                continue;
            double number = 0;
            int decimals = 0;
            if (parseNumber(c.value.toString(), &number, &decimals))
                cell->setValue(number);
            else
                Reference<text::XText>(cell, UNO_QUERY_THROW)->setString(toOu(c.value.toString()));
        }
        return true;
    } catch (const uno::Exception &) {
        return false;
    }
}

bool CalcOffice::storeAs(const QString &path)
{
    if (!d->document.is())
        return false;
    try {
        Sequence<beans::PropertyValue> args(2);
        args.getArray()[0] = property("FilterName", Any(OUString("MS Excel 97")));
        args.getArray()[1] = property("Overwrite", Any(true));
        Reference<frame::XStorable>(d->document, UNO_QUERY_THROW)->storeAsURL(fileUrl(path), args);
        d->documentPath = QFileInfo(path).absoluteFilePath();
        d->storedPath = d->documentPath;
        d->documentsOpened << d->documentPath;
        return true;
    } catch (const uno::Exception &e) {
        qDebug("office could not save %s: %s", qPrintable(path), qPrintable(fromOu(e.Message)));
        return false;
    }
}

bool CalcOffice::store()
{
    // The document may have been loaded from an empty file, which has no filter of its own:
    // always write the .xls format back.
    return d->document.is() && storeAs(d->documentPath);
}

bool CalcOffice::isModified() const
{
    try {
        Reference<util::XModifiable> m(d->document, UNO_QUERY);
        return m.is() && m->isModified();
    } catch (const uno::Exception &) {
        return false;
    }
}

bool CalcOffice::isStoredAt(const QString &path) const
{
    return d->document.is() && !d->storedPath.isEmpty() && d->storedPath == QFileInfo(path).absoluteFilePath()
        && !isModified();
}

bool CalcOffice::closeDocument()
{
    if (!d->document.is())
        return false;
    bool ok = true;
    try {
        Reference<util::XCloseable>(d->document, UNO_QUERY_THROW)->close(true);
    } catch (const uno::Exception &) {
        ok = false;
    }
    d->document.clear();
    d->storedPath.clear();
    return ok;
}

void CalcOffice::shutdown()
{
    if (d->document.is())
        closeDocument();
    bool asked = false;
    if (d->desktop.is()) {
        try {
            d->desktop->terminate();
        } catch (const uno::Exception &) {
            // the bridge goes down while the office ends
        }
        asked = true;
        d->desktop.clear();
    }
    if (d->process.state() != QProcess::NotRunning) {
        const qint64 pid = d->process.processId();
        // An office that was never connected (started ahead of a cancelled dialog) cannot be
        // asked to end and holds no document: it is stopped at once.
        if (!asked || !d->process.waitForFinished(10000)) {
            if (pid > 0)
                ::kill(-pid_t(pid), SIGKILL);
            d->process.kill();
            d->process.waitForFinished(3000);
        }
        // soffice.bin may outlive its launcher by a moment; the group dies with it.
        if (pid > 0)
            ::kill(-pid_t(pid), SIGKILL);
    }
    for (const QString &path : std::as_const(d->documentsOpened)) {
        const QFileInfo info(path);
        QFile::remove(info.absolutePath() + QLatin1String("/.~lock.") + info.fileName() + QLatin1Char('#'));
    }
    d->documentsOpened.clear();
    d->profile.reset();
}
