#pragma once

// A pseudo catalogue for tests: every message of a Qt Linguist catalogue (.ts) translated as
// its own source between full-width brackets, "［Read Records］", compiled with lrelease. A
// window shown in it reveals every text that does not come from the catalogue.
#include <QFile>
#include <QList>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace PseudoCatalogue {

inline QString marked(const QString &source)
{
    return QStringLiteral("\uFF3B") + source + QStringLiteral("\uFF3D");
}

// What is left of `text` once every marked part is taken out: no letters in it means the whole
// text came through the catalogue.
inline QString unmarked(const QString &text)
{
    QString rest;
    int depth = 0;
    for (const QChar c : text) {
        if (c == QChar(0xFF3B))
            ++depth;
        else if (c == QChar(0xFF3D) && depth > 0)
            --depth;
        else if (depth == 0 && c.isLetter())
            rest += c;
    }
    return rest;
}

// Reads `tsPath` and writes the pseudo catalogue compiled to `qmPath`; empty on success,
// else what went wrong.
inline QString build(const QString &tsPath, const QString &qmPath, const QString &lrelease)
{
    QFile in(tsPath);
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read ") + tsPath;
    struct Message
    {
        QString context, source;
    };
    QList<Message> messages;
    QXmlStreamReader reader(&in);
    QString context;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == QLatin1String("name"))
            context = reader.readElementText();
        else if (reader.name() == QLatin1String("source"))
            messages.append({context, reader.readElementText()});
    }
    if (reader.hasError())
        return reader.errorString();
    if (messages.isEmpty())
        return QStringLiteral("no messages in ") + tsPath;

    const QString pseudoTs = qmPath.left(qmPath.size() - 3) + QStringLiteral(".ts");
    QSaveFile out(pseudoTs);
    if (!out.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write ") + pseudoTs;
    QXmlStreamWriter writer(&out);
    writer.setAutoFormatting(true);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("TS"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("2.1"));
    for (const Message &m : std::as_const(messages)) {
        writer.writeStartElement(QStringLiteral("context"));
        writer.writeTextElement(QStringLiteral("name"), m.context);
        writer.writeStartElement(QStringLiteral("message"));
        writer.writeTextElement(QStringLiteral("source"), m.source);
        writer.writeTextElement(QStringLiteral("translation"), marked(m.source));
        writer.writeEndElement();
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndDocument();
    if (!out.commit())
        return QStringLiteral("cannot write ") + pseudoTs;

    QProcess compile;
    compile.start(lrelease, {QStringLiteral("-silent"), pseudoTs, QStringLiteral("-qm"), qmPath});
    if (!compile.waitForFinished(60000) || compile.exitStatus() != QProcess::NormalExit || compile.exitCode() != 0)
        return QStringLiteral("lrelease failed: ") + QString::fromLocal8Bit(compile.readAllStandardError());
    return QFile::exists(qmPath) ? QString() : QStringLiteral("lrelease wrote nothing");
}

} // namespace PseudoCatalogue
