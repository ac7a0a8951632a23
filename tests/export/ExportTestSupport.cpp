#include "ExportTestSupport.h"

#ifdef PALVARIN_CALC_AVAILABLE
#include "export/CalcOffice.h"
#endif

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>

namespace ExportTestSupport {

void fillTable(QTableWidget *table, const QStringList &headers, const QList<QStringList> &rows)
{
    table->setColumnCount(headers.size());
    table->setHorizontalHeaderLabels(headers);
    table->setRowCount(rows.size());
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(rows[r][c]);
            item->setTextAlignment(Qt::AlignCenter);
            table->setItem(r, c, item);
        }
        table->setCellWidget(r, headers.size() - 1, new QPushButton(QStringLiteral("Delete")));
    }
}

QJsonObject readWorkbook(const QString &path)
{
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(PALVARIN_READ_XLS), path});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0) {
        qWarning("xlrd reader failed: %s", reader.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

QJsonObject cellAt(const QJsonObject &workbook, int sheet, int row, int column)
{
    const QJsonArray sheets = workbook.value(QStringLiteral("sheets")).toArray();
    if (sheet < 1 || sheet > sheets.size())
        return {};
    for (const QJsonValue &v : sheets[sheet - 1].toObject().value(QStringLiteral("cells")).toArray()) {
        const QJsonObject cell = v.toObject();
        if (cell.value(QStringLiteral("row")).toInt() == row && cell.value(QStringLiteral("column")).toInt() == column)
            return cell;
    }
    return {};
}

int rowHeight(const QJsonObject &workbook, int sheet, int row)
{
    const QJsonArray sheets = workbook.value(QStringLiteral("sheets")).toArray();
    if (sheet < 1 || sheet > sheets.size())
        return -1;
    return sheets[sheet - 1].toObject().value(QStringLiteral("heights")).toObject().value(QString::number(row)).toInt(-1);
}

int cellCount(const QJsonObject &workbook, int sheet)
{
    const QJsonArray sheets = workbook.value(QStringLiteral("sheets")).toArray();
    if (sheet < 1 || sheet > sheets.size())
        return -1;
    return sheets[sheet - 1].toObject().value(QStringLiteral("cells")).toArray().size();
}

int officeProcessesLeft()
{
    int count = 0;
#ifdef PALVARIN_CALC_AVAILABLE
    const QByteArray tag = CalcOffice::processTag().toUtf8();
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(tag)) {
            QFile status(QStringLiteral("/proc/%1/status").arg(pid));
            // A zombie has ended; only its parent has not looked yet.
            if (status.open(QIODevice::ReadOnly) && status.readAll().contains("State:\tZ"))
                continue;
            ++count;
        }
    }
#endif
    return count;
}

QStringList strayFiles(const QString &folder, const QStringList &expected)
{
    QStringList stray;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!expected.contains(name))
            stray << name;
    return stray;
}

} // namespace ExportTestSupport
