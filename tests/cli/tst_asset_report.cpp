// The asset report written by palvarin-cli from a small survey file (two circuits, a CML under
// its minimum, one with a pressure design, one with less life than the interval), read back by
// independent readers: pdftotext and pdftoppm for the PDF, Python's csv module for the table.
// The expected figures are worked out here from the readings, not taken from the program.
#include "analysis/RequiredThickness.h"
#include "store/Places.h"
#include "store/SurveyStore.h"

#include <QDateTime>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cmath>

namespace {

struct Result
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

const QString cli = QStringLiteral(PALVARIN_CLI);
constexpr double msPerYear = 365.2425 * 86400000.0;

// Early in the day: half of four years from one is mid-afternoon, not on a day's edge.
qint64 morningUtc(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(3, 0), QTimeZone::utc()).toMSecsSinceEpoch();
}

QString day(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()).toString(QStringLiteral("yyyy-MM-dd"));
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

// One CML's readings and what it should come to, worked out by hand.
struct Expected
{
    QString group;
    QString tag;
    QVector<qint64> dates;
    QVector<float> thickness;
    double required = 0;

    double years(int from, int to) const { return (dates[to] - dates[from]) / msPerYear; }
    double t(int i) const { return double(thickness[i]); }
    double longTerm() const { return (t(0) - t(dates.size() - 1)) / years(0, dates.size() - 1); }
    double shortTerm() const
    {
        const int n = int(dates.size());
        return (t(n - 2) - t(n - 1)) / years(n - 2, n - 1);
    }
    double governing() const { return std::max(longTerm(), shortTerm()); }
    double remaining() const { return std::max(0.0, (t(dates.size() - 1) - required) / governing()); }
    // Least squares of thickness on years with its 95 % interval (Student's t at n - 2 = 1
    // degree of freedom, from the tables): rate, low, high. Empty below three readings.
    QVector<double> regression() const
    {
        const int n = int(dates.size());
        if (n < 3)
            return {};
        QVector<double> tau;
        for (qint64 d : dates)
            tau << d / msPerYear;
        double mt = 0, my = 0;
        for (int i = 0; i < n; ++i) {
            mt += tau[i] / n;
            my += t(i) / n;
        }
        double sxx = 0, sxy = 0;
        for (int i = 0; i < n; ++i) {
            sxx += (tau[i] - mt) * (tau[i] - mt);
            sxy += (tau[i] - mt) * (t(i) - my);
        }
        const double slope = sxy / sxx;
        double sse = 0;
        for (int i = 0; i < n; ++i) {
            const double r = t(i) - (my + slope * (tau[i] - mt));
            sse += r * r;
        }
        const double half = 12.706204736 * std::sqrt(sse / (n - 2)) / std::sqrt(sxx);
        return {-slope, -slope - half, -slope + half};
    }
};

} // namespace

class AssetReport : public QObject
{
    Q_OBJECT

    QTemporaryDir tmp;
    QString storePath;
    QVector<Expected> cmls; // worst first
    DesignInputs pipe;

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("TZ"), QStringLiteral("UTC"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), tmp.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), tmp.filePath(QStringLiteral("run")));
        return env;
    }

    Result run(const QString &program, const QStringList &args, const QByteArray &input = QByteArray())
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(program, args);
        if (!p.waitForStarted(10000))
            return {};
        if (!input.isEmpty())
            p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished(5000);
            return {};
        }
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                p.readAllStandardError()};
    }

    // The CSV rows as Python's csv module reads them.
    QVector<QStringList> csvRows(const QByteArray &csv)
    {
        const Result python = run(QStringLiteral("python3"),
                                  {QStringLiteral("-c"),
                                   QStringLiteral("import csv, json, sys\n"
                                                  "rows = list(csv.reader(sys.stdin.buffer.read().decode('utf-8')"
                                                  ".splitlines(True)))\n"
                                                  "json.dump(rows, sys.stdout)\n")},
                                  csv);
        QVector<QStringList> rows;
        for (const QJsonValue &row : QJsonDocument::fromJson(python.out).array()) {
            QStringList cells;
            for (const QJsonValue &cell : row.toArray())
                cells << cell.toString();
            rows << cells;
        }
        return rows;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        storePath = tmp.filePath(QStringLiteral("surveys.sqlite"));
        const QString c1 = QStringLiteral("Site/Unit/P-1/C-1");
        const QString c2 = QStringLiteral("Site/Unit/P-1/C-2");
        const QVector<qint64> three{morningUtc(2020, 1, 1), morningUtc(2022, 1, 1), morningUtc(2024, 1, 1)};
        // ASME B31.3 straight pipe: t = 10·168.3 / (2·(138·1·1 + 10·0.4)) = 5.9261 mm, t_m = t + 1.
        pipe.formula = DesignFormula::PipeB31_3;
        pipe.pressure = 10;
        pipe.diameter = 168.3;
        pipe.stress = 138;
        pipe.joint = 1;
        pipe.weld = 1;
        pipe.coefficientY = 0.4;
        pipe.allowance = 1.0;
        const double pipeRequired = 10 * 168.3 / (2 * (138 + 10 * 0.4)) + 1.0;
        // Worst first: under its minimum; 4 years left (less than the 5-year interval); 6.4 years.
        cmls = {{c2, QStringLiteral("CML-A"), three, {10.0f, 9.5f, 8.8f}, 9.0},
                {c1, QStringLiteral("CML-C"), {three[0], three[2]}, {8.0f, 7.5f}, 7.0},
                {c1, QStringLiteral("CML-B"), three, {9.0f, 8.6f, 8.2f}, pipeRequired}};

        SurveyStore store;
        QVERIFY(store.open(storePath));
        Places places(store);
        QVector<CmlEntry> entries;
        QVector<ReadingEntry> readings;
        for (const Expected &e : std::as_const(cmls)) {
            CmlEntry entry;
            entry.assetPath = e.group;
            entry.cml.tag = e.tag;
            entry.cml.description = QStringLiteral("Elbow, east side");
            if (e.tag != QLatin1String("CML-B"))
                entry.cml.minimum = e.required;
            entries << entry;
            for (int i = 0; i < e.dates.size(); ++i) {
                ReadingEntry r;
                r.assetPath = e.group;
                r.tag = e.tag;
                r.dateMs = e.dates[i];
                r.values[0] = e.thickness[i];
                r.values[1] = 5920;
                r.thicknessUnit = QStringLiteral("mm");
                readings << r;
            }
        }
        // A CML below a circuit (in a part of it) is listed under the circuit; with no reading
        // it has no life, so it comes last.
        CmlEntry leg;
        leg.assetPath = c1 + QStringLiteral("/Leg");
        leg.cml.tag = QStringLiteral("CML-D");
        leg.cml.minimum = 4.5;
        entries << leg;
        QVERIFY(places.importCmls(entries));
        QVERIFY(!places.importReadings(readings).isEmpty());
        const qint64 b = places.cmlByTag(places.assetByPath(c1), QStringLiteral("CML-B"));
        QVERIFY(b);
        QVERIFY(places.setDesign(b, pipe));
    }

    // The PDF: circuits in the order of their worst CML, rows worst first with the figures
    // worked out above, the row colours, the trends, and the appendix's formula and inputs.
    void pdfShowsCircuitsWorstFirstWithFiguresAndAppendix()
    {
        const QString pdf = tmp.filePath(QStringLiteral("asset.pdf"));
        const Result written = run(cli, {QStringLiteral("asset"), QStringLiteral("report"), QStringLiteral("--store"),
                                         storePath, QStringLiteral("-o"), pdf});
        QVERIFY2(written.exitCode == 0, written.err.constData());

        const Result text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        QCOMPARE(text.exitCode, 0);
        const QString all = QString::fromUtf8(text.out);
        const QStringList pages = all.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        for (int n = 1; n <= pages.size(); ++n)
            QVERIFY2(pages[n - 1].contains(QStringLiteral("Page %1 of %2").arg(n).arg(pages.size())), qPrintable(pages[n - 1]));

        // Circuit C-2 (holding the worst CML) before C-1; rows worst first under their circuit.
        const qsizetype trends = all.indexOf(QStringLiteral("Trends of the worst CMLs"));
        const QVector<qsizetype> at{all.indexOf(QStringLiteral("Site/Unit/P-1/C-2: thickness in mm")),
                                    all.indexOf(cmls[0].tag),
                                    all.indexOf(QStringLiteral("Site/Unit/P-1/C-1: thickness in mm")),
                                    all.indexOf(cmls[1].tag),
                                    all.indexOf(cmls[2].tag),
                                    trends};
        for (int i = 0; i < at.size(); ++i)
            QVERIFY2(at[i] >= 0 && (i == 0 || at[i] > at[i - 1]), qPrintable(QStringLiteral("%1: %2").arg(i).arg(all)));

        // Each row's figures between its tag and the next row's.
        for (int i = 0; i < cmls.size(); ++i) {
            const Expected &e = cmls[i];
            const qsizetype from = all.indexOf(e.tag);
            const QString row = all.mid(from, (i + 1 < cmls.size() ? all.indexOf(cmls[i + 1].tag) : trends) - from);
            QStringList figures{fixed(e.t(int(e.dates.size()) - 1), 2), fixed(e.required, 2), fixed(e.longTerm(), 3),
                                fixed(e.shortTerm(), 3), fixed(e.governing(), 3), day(e.dates.last())};
            if (e.remaining() > 0) {
                figures << fixed(e.remaining(), 1)
                        << day(e.dates.last() + qint64(std::min(e.remaining() / 2, 5.0) * msPerYear));
            }
            const QVector<double> fit = e.regression();
            if (!fit.isEmpty())
                figures << fixed(fit[0], 3) << QStringLiteral("%1 – %2").arg(fixed(fit[1], 3), fixed(fit[2], 3));
            for (const QString &figure : std::as_const(figures))
                QVERIFY2(row.contains(figure), qPrintable(e.tag + QStringLiteral(": ") + figure + QStringLiteral("\n") + row));
        }
        // Under the minimum: remaining life 0.0 and due at its newest reading.
        const QString rowA = all.mid(at[1], at[2] - at[1]);
        QVERIFY2(rowA.contains(QStringLiteral(" 0.0 ")), qPrintable(rowA));

        // Thumbnails of all three, titled by path.
        for (const Expected &e : std::as_const(cmls))
            QVERIFY(all.indexOf(e.group + QLatin1Char('/') + e.tag, trends) > trends);

        // The appendix: the formula, each input with its unit, the result; the policy.
        const qsizetype appendix = all.indexOf(QStringLiteral("Appendix"));
        QVERIFY(appendix > trends);
        const QString tail = all.mid(appendix);
        const QString b31 = formulaStandard(DesignFormula::PipeB31_3);
        QVERIFY(!b31.isEmpty());
        for (const QString &expected :
             {QStringLiteral("CML-B (Site/Unit/P-1/C-1)"), b31, formulaExpression(DesignFormula::PipeB31_3),
              QStringLiteral("P = 10 MPa"), QStringLiteral("D = 168.3 mm"), QStringLiteral("S = 138 MPa"),
              QStringLiteral("E = 1,"), QStringLiteral("W = 1,"), QStringLiteral("Y = 0.4,"), QStringLiteral("c = 1 mm"),
              QStringLiteral("t = %1 mm").arg(fixed(cmls[2].required - 1.0, 3)),
              QStringLiteral("Required: %1 mm").arg(fixed(cmls[2].required, 2)), QStringLiteral("5 years")})
            QVERIFY2(tail.contains(expected), qPrintable(expected + QStringLiteral("\n") + tail));
        // Only the CML with a design is in it.
        QVERIFY(!tail.contains(QStringLiteral("CML-A (")));

        // The row colours on the first page: red under the minimum, amber for less life than
        // the interval, none for the third. Sampled just left of each tag, inside its row.
        const Result boxes = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                                               QStringLiteral("-l"), QStringLiteral("1"), pdf,
                                                               QStringLiteral("-")});
        const QString png = tmp.filePath(QStringLiteral("page"));
        QCOMPARE(run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("144"), QStringLiteral("-f"),
                                                  QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                                  QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, png})
                     .exitCode,
                 0);
        const QImage page(png + QStringLiteral(".png"));
        QVERIFY(!page.isNull());
        const QColor expectedFill[] = {QColor(0xF4, 0xB6, 0xB6), QColor(0xFF, 0xE6, 0x99)};
        for (int i = 0; i < cmls.size(); ++i) {
            const QRegularExpression word(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" "
                                                         "yMax=\"([0-9.]+)\">%1</word>")
                                              .arg(cmls[i].tag));
            const QRegularExpressionMatch m = word.match(QString::fromUtf8(boxes.out));
            QVERIFY2(m.hasMatch(), qPrintable(cmls[i].tag));
            const double x = (m.captured(1).toDouble() - 1.5) * 2;
            const double y = (m.captured(2).toDouble() + m.captured(3).toDouble()); // the middle, at 2 px per point
            const QColor seen = page.pixelColor(int(x), int(y));
            const bool asExpected = i < 2 ? qAbs(seen.red() - expectedFill[i].red()) < 8
                                                && qAbs(seen.green() - expectedFill[i].green()) < 8
                                                && qAbs(seen.blue() - expectedFill[i].blue()) < 8
                                          : qMin(seen.red(), qMin(seen.green(), seen.blue())) > 0xF0; // plain
            QVERIFY2(asExpected, qPrintable(cmls[i].tag + QStringLiteral(": ") + seen.name()));
        }
    }

    // Grids: a surveyed one (8 rows of 3, B5 masked, each row's thinnest loss from nominal
    // placed on Gumbel quantiles, the deepest at C3) gets its map, thinnest cell, the expected
    // thinnest wall worked out here by HSE Research Report 016's moments and the formulas in the
    // appendix; one with no readings is said to have none; a report without grids has no section.
    void gridsGetTheirSection()
    {
        const QString gridStore = tmp.filePath(QStringLiteral("grids.sqlite"));
        const QString shell = QStringLiteral("Site/Tank/T-1"), roof = QStringLiteral("Site/Tank/T-2");
        QVector<float> rowMinima; // by row; its loss from nominal 10 on the quantile i / 9
        for (int i : {2, 5, 8, 1, 7, 3, 6, 4})
            rowMinima << float(10.0 - (0.5 + 0.2 * -std::log(-std::log(i / 9.0))));
        {
            SurveyStore store;
            QVERIFY(store.open(gridStore));
            Places places(store);
            CmlEntry a, b;
            a.assetPath = shell;
            a.cml.tag = QStringLiteral("Shell-1");
            a.cml.nominal = 10.0;
            a.cml.minimum = 5.0;
            b.assetPath = roof;
            b.cml.tag = QStringLiteral("Roof-1");
            QVERIFY(places.importCmls({a, b}));
            GridDefinition grid;
            grid.layout = GridLayout(8, 3);
            grid.layout.setMasked({5, 1}, true);
            const qint64 cml = places.cmlByTag(places.assetByPath(shell), a.cml.tag);
            QVERIFY(places.setGrid(cml, grid));
            QVERIFY(places.setGrid(places.cmlByTag(places.assetByPath(roof), b.cml.tag), GridDefinition{GridLayout(2, 2), {}}));
            QVector<ReadingEntry> readings;
            QVector<GridCell> cells;
            for (int row = 1; row <= 8; ++row)
                for (int column = 0; column < 3; ++column)
                    if (!grid.layout.isMasked({row, column})) {
                        ReadingEntry r;
                        r.assetPath = shell;
                        r.tag = a.cml.tag;
                        r.dateMs = morningUtc(2024, 6, 3);
                        r.values[0] = column == 2 ? rowMinima[row - 1] : 9.8f;
                        r.thicknessUnit = QStringLiteral("mm");
                        readings << r;
                        cells << GridCell{row, column};
                    }
            QVERIFY(!places.importReadings(readings).isEmpty());
            const QVector<GridReading> placed = places.gridReadings(cml);
            QCOMPARE(placed.size(), cells.size());
            QVector<QPair<qint64, GridCell>> keyed;
            for (int i = 0; i < placed.size(); ++i)
                keyed << qMakePair(placed[i].key, cells[i]);
            QVERIFY(places.setCells(keyed));
        }
        // Blocks are the whole rows: a = 3 cells, A = 24 cells, T = 8.
        double mean = 0, ss = 0;
        for (float t : std::as_const(rowMinima))
            mean += (10.0 - t) / 8;
        for (float t : std::as_const(rowMinima))
            ss += (10.0 - t - mean) * (10.0 - t - mean);
        const double alpha = std::sqrt(6.0 * ss / 7) / M_PI, lambda = mean - 0.5772 * alpha;
        const double expected = 10.0 - (lambda + alpha * -std::log(-std::log(1.0 - 1.0 / 8)));

        auto reportText = [&](const QString &store, const QStringList &more) {
            const QString pdf = tmp.filePath(QStringLiteral("grid.pdf"));
            const Result written = run(cli, QStringList{QStringLiteral("asset"), QStringLiteral("report"),
                                                        QStringLiteral("--store"), store, QStringLiteral("-o"), pdf}
                                                + more);
            [&] { QVERIFY2(written.exitCode == 0, written.err.constData()); }();
            return QString::fromUtf8(run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}).out).simplified();
        };
        const QString all = reportText(gridStore, {});
        const qsizetype at = all.indexOf(QStringLiteral("Grid Site/Tank/T-1/Shell-1, survey of 2024-06-03"));
        const qsizetype appendix = all.indexOf(QStringLiteral("Appendix"));
        QVERIFY2(at > 0 && appendix > at, qPrintable(all));
        const QString section = all.mid(at, appendix - at);
        for (const QString &expectedText :
             {QStringLiteral("Thickness (mm)"), // the map, drawn as text and lines
              QStringLiteral("Thinnest cell: C3, %1 mm (23 of 23 cells measured).").arg(fixed(rowMinima[2], 2)),
              QStringLiteral("Thinnest wall expected over the area: %1 mm (95 % interval").arg(fixed(expected, 2)),
              QStringLiteral("8 blocks of whole rows of 3 cells (3 cells each) over 24 cells"),
              QStringLiteral("Grid Site/Tank/T-2/Roof-1, no readings"), QStringLiteral("none of its 4 cells")})
            QVERIFY2(section.contains(expectedText), qPrintable(expectedText + QStringLiteral("\n") + section));
        const QString tail = all.mid(appendix);
        for (const QString &expectedText :
             {QStringLiteral("Site/Tank/T-1/Shell-1: thinnest wall over the area"), QStringLiteral("HSE Research Report 016"),
              QStringLiteral("T = 8,"), QStringLiteral("t_min = %1 mm").arg(fixed(expected, 2))})
            QVERIFY2(tail.contains(expectedText), qPrintable(expectedText + QStringLiteral("\n") + tail));

        // Only the asset's own grids; no estimate, no formulas.
        const QString roofOnly = reportText(gridStore, {QStringLiteral("--asset"), roof});
        QVERIFY2(roofOnly.contains(QStringLiteral("Grid Site/Tank/T-2/Roof-1")), qPrintable(roofOnly));
        QVERIFY(!roofOnly.contains(QStringLiteral("Shell-1")));
        QVERIFY(!roofOnly.contains(QStringLiteral("Research Report")));
        const QString plain = reportText(storePath, {});
        QVERIFY(plain.contains(QStringLiteral("Appendix")));
        QVERIFY(!plain.contains(QStringLiteral("Grid ")) && !plain.contains(QStringLiteral("Research Report")));
    }

    // The table for workbooks, as CSV read back: a row per CML worst first, its numbers the
    // figures worked out above, a CML without readings last and empty where it has no figure;
    // --asset keeps the CMLs under that asset.
    void csvTableHoldsTheFigures()
    {
        const Result written = run(cli, {QStringLiteral("asset"), QStringLiteral("report"), QStringLiteral("--store"),
                                         storePath, QStringLiteral("-o"), QStringLiteral("-")});
        QVERIFY2(written.exitCode == 0, written.err.constData());
        const QVector<QStringList> rows = csvRows(written.out);
        QCOMPARE(rows.size(), 1 + cmls.size() + 1);
        const QStringList &h = rows[0];
        auto column = [&](const char *name) {
            const int c = int(h.indexOf(QString::fromUtf8(name)));
            [&] { QVERIFY2(c >= 0, name); }();
            return c;
        };
        const int tag = column("CML"), group = column("Circuit or asset"), required = column("Required"),
                  newest = column("Newest reading"), date = column("Date of the newest"),
                  longTerm = column("Long-term rate (per year)"), shortTerm = column("Short-term rate (per year)"),
                  regression = column("Fitted rate (per year)"), low = column("Fitted rate, 95 % low"),
                  high = column("Fitted rate, 95 % high"), governing = column("Governing rate (per year)"),
                  remaining = column("Remaining life (years)"), next = column("Next inspection");
        if (QTest::currentTestFailed())
            return;
        for (int i = 0; i < cmls.size(); ++i) {
            const Expected &e = cmls[i];
            const QStringList &r = rows[i + 1];
            QCOMPARE(r[tag], e.tag);
            QCOMPARE(r[group], e.group);
            QCOMPARE(r[required], fixed(e.required, 2));
            QCOMPARE(r[newest], fixed(e.t(int(e.dates.size()) - 1), 2));
            QCOMPARE(r[date], day(e.dates.last()));
            QCOMPARE(r[longTerm], fixed(e.longTerm(), 3));
            QCOMPARE(r[shortTerm], fixed(e.shortTerm(), 3));
            QCOMPARE(r[governing], fixed(e.governing(), 3));
            QCOMPARE(r[remaining], fixed(e.remaining(), 1));
            QCOMPARE(r[next], day(e.dates.last() + qint64(std::min(e.remaining() / 2, 5.0) * msPerYear)));
            const QVector<double> fit = e.regression();
            QCOMPARE(r[regression], fit.isEmpty() ? QString() : fixed(fit[0], 3));
            QCOMPARE(r[low], fit.isEmpty() ? QString() : fixed(fit[1], 3));
            QCOMPARE(r[high], fit.isEmpty() ? QString() : fixed(fit[2], 3));
        }
        const QStringList &leg = rows.last();
        QCOMPARE(leg[tag], QStringLiteral("CML-D"));
        QCOMPARE(leg[group], QStringLiteral("Site/Unit/P-1/C-1"));
        QCOMPARE(leg[required], QStringLiteral("4.50"));
        for (int c : {newest, longTerm, shortTerm, regression, governing, remaining, next})
            QVERIFY2(leg[c].isEmpty(), qPrintable(h[c]));

        const QString csv = tmp.filePath(QStringLiteral("c1.csv"));
        const Result one = run(cli, {QStringLiteral("asset"), QStringLiteral("report"), QStringLiteral("--store"), storePath,
                                     QStringLiteral("--asset"), QStringLiteral("Site/Unit/P-1/C-1"), QStringLiteral("-o"), csv});
        QVERIFY2(one.exitCode == 0, one.err.constData());
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QVector<QStringList> under = csvRows(file.readAll());
        QCOMPARE(under.size(), 4);
        QCOMPARE(under[1][tag], cmls[1].tag);
        QCOMPARE(under[2][tag], cmls[2].tag);
        QCOMPARE(under[3][tag], QStringLiteral("CML-D"));
    }

    // The workbook read back with openpyxl (the system Python's, as setup.sh installs it): the
    // rates and lives are number cells holding the figures, the next inspection a date cell.
    void workbookHoldsNumbersAndDates()
    {
        const QString xlsx = tmp.filePath(QStringLiteral("all.xlsx"));
        const Result written = run(cli, {QStringLiteral("asset"), QStringLiteral("report"), QStringLiteral("--store"),
                                         storePath, QStringLiteral("-o"), xlsx});
        QVERIFY2(written.exitCode == 0, written.err.constData());
        const Result python = run(QStringLiteral("/usr/bin/python3"),
                                  {QStringLiteral("-c"),
                                   QStringLiteral("import datetime, json, sys, openpyxl\n"
                                                  "sheet = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
                                                  "rows = [list(r) for r in sheet.iter_rows(values_only=True)]\n"
                                                  "top = next(i for i, r in enumerate(rows) if 'CML' in r)\n"
                                                  "def cell(v):\n"
                                                  "    if isinstance(v, datetime.datetime): return {'date': v.strftime('%Y-%m-%d')}\n"
                                                  "    if isinstance(v, (int, float)): return {'number': v}\n"
                                                  "    return {'text': '' if v is None else str(v)}\n"
                                                  "json.dump([[cell(v) for v in r] for r in rows[top:]], sys.stdout)\n"),
                                   xlsx});
        QVERIFY2(python.exitCode == 0, python.err.constData());
        const QJsonArray rows = QJsonDocument::fromJson(python.out).array();
        QCOMPARE(rows.size(), 1 + cmls.size() + 1);
        QStringList header;
        for (const QJsonValue &c : rows[0].toArray())
            header << c.toObject().value(QStringLiteral("text")).toString();
        const int tag = int(header.indexOf(QStringLiteral("CML"))),
                  governing = int(header.indexOf(QStringLiteral("Governing rate (per year)"))),
                  remaining = int(header.indexOf(QStringLiteral("Remaining life (years)"))),
                  next = int(header.indexOf(QStringLiteral("Next inspection")));
        QVERIFY(tag >= 0 && governing >= 0 && remaining >= 0 && next >= 0);
        for (int i = 0; i < cmls.size(); ++i) {
            const Expected &e = cmls[i];
            const QJsonArray r = rows[i + 1].toArray();
            QCOMPARE(r[tag].toObject().value(QStringLiteral("text")).toString(), e.tag);
            QVERIFY2(r[governing].toObject().contains(QStringLiteral("number")), qPrintable(e.tag));
            QCOMPARE(fixed(r[governing].toObject().value(QStringLiteral("number")).toDouble(), 3), fixed(e.governing(), 3));
            QCOMPARE(fixed(r[remaining].toObject().value(QStringLiteral("number")).toDouble(), 1), fixed(e.remaining(), 1));
            QCOMPARE(r[next].toObject().value(QStringLiteral("date")).toString(),
                     day(e.dates.last() + qint64(std::min(e.remaining() / 2, 5.0) * msPerYear)));
        }
    }
};

QTEST_GUILESS_MAIN(AssetReport)
#include "tst_asset_report.moc"
