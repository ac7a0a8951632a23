#include "export/ExcelEngine.h"

#include "export/CellBlocks.h"
#include "interaction/UserInteraction.h"

#include <QFile>
#include <QFileInfo>

#ifdef PALVARIN_HAVE_CALC
#include "export/CalcDocument.h"
#include "export/OfficeProcess.h"
#endif

namespace {
// Connecting covers the office's start-up (about 1.5 s, much longer on a loaded machine).
const int kConnectTimeoutMs = 45000;
} // namespace

struct ExcelEngine::Impl
{
    QString templatePath;
    QString program;
    qint64 lastStartMs = 0;
#ifdef PALVARIN_HAVE_CALC
    std::unique_ptr<OfficeProcess> warm; // started by prepare(), not yet taken by write()

    bool writeWith(OfficeProcess &office, const SheetCells &cells, const QString &path, ProgressHandle *progress)
    {
        // A copy of the template, so the template itself is never touched; writable even when
        // the template is not, since the office saves over it.
        const bool fromTemplate = !templatePath.isEmpty() && QFileInfo(templatePath).isFile();
        if (fromTemplate) {
            if (!QFile::copy(templatePath, path))
                return false;
            QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
        CalcDocument document(office);
        if (!document.open(fromTemplate ? path : QString()))
            return false;
        for (int first = 0; first < cells.rowCount(); first += kBandRows) {
            const int last = qMin(first + kBandRows, cells.rowCount()) - 1;
            if (!document.writeBand(0, cells, cells.band(first, last)))
                return false;
            // Sheet row r holds table row r - 1: after it, r table rows are written.
            for (int r = qMax(first, 1); progress && r <= last; ++r) {
                progress->setValue(r);
                if (progress->wasCanceled())
                    return false;
            }
        }
        return document.storeAsXls(path);
    }
#endif
};

ExcelEngine::ExcelEngine(const QString &templatePath, const QString &officeProgram) : d(std::make_unique<Impl>())
{
    d->templatePath = templatePath;
    d->program = officeProgram;
}

ExcelEngine::~ExcelEngine() = default; // an office still held ends with it

void ExcelEngine::prepare()
{
#ifdef PALVARIN_HAVE_CALC
    if (d->warm)
        return;
    auto office = std::make_unique<OfficeProcess>(d->program);
    if (office->launch())
        d->warm = std::move(office);
#endif
}

void ExcelEngine::release()
{
#ifdef PALVARIN_HAVE_CALC
    d->warm.reset();
#endif
}

qint64 ExcelEngine::lastStartMs() const
{
    return d->lastStartMs;
}

bool ExcelEngine::write(const WorkbookTable &table, const QString &path, ProgressHandle *progress)
{
    const SheetCells cells(table);
    const QString problem = cells.problem();
    if (!problem.isEmpty()) {
        qWarning("export refused: %s", qPrintable(problem));
        return false;
    }
    if (path.isEmpty() || QFileInfo::exists(path))
        return false;
    d->lastStartMs = 0;
#ifdef PALVARIN_HAVE_CALC
    std::unique_ptr<OfficeProcess> office = std::move(d->warm);
    if (!office)
        office = std::make_unique<OfficeProcess>(d->program);
    if (!office->launch() || !office->connect(kConnectTimeoutMs))
        return false; // the office ends as it goes out of scope
    d->lastStartMs = office->startMs();
    if (progress && progress->wasCanceled())
        return false;
    // The document is closed before its office ends.
    return d->writeWith(*office, cells, path, progress);
#else
    Q_UNUSED(progress)
    return false;
#endif
}
