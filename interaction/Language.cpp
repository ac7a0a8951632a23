#include "interaction/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>

namespace {
const QString prefix = QStringLiteral("Palvarin_");
}

Language &Language::instance()
{
    static Language language;
    return language;
}

Language::Language()
{
    // The program speaks Chinese until told otherwise, as its users expect.
    if (load(m_catalogue, QStringLiteral("zh"), m_searchPath)) {
        QCoreApplication::installTranslator(&m_catalogue);
        m_code = QStringLiteral("zh");
    }
}

bool Language::load(QTranslator &translator, const QString &code, const QStringList &searchPath)
{
    for (const QString &directory : searchPath) {
        if (translator.load(prefix + code, directory))
            return true;
    }
    return false;
}

bool Language::set(const QString &code, const QStringList &searchPath)
{
    const bool english = code == QLatin1String("en");
    // English is the source language; a catalogue named for it (a deployment's corrections)
    // is still used when present.
    QTranslator next;
    const bool found = load(next, code, searchPath);
    if (!found && !english)
        return false;
    QCoreApplication::removeTranslator(&m_catalogue);
    QCoreApplication::removeTranslator(&m_qtCatalogue);
    if (found) {
        load(m_catalogue, code, searchPath);
        QCoreApplication::installTranslator(&m_catalogue);
    }
    if (!english
        && m_qtCatalogue.load(QLocale(code), QStringLiteral("qtbase"), QStringLiteral("_"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_qtCatalogue);
    m_code = code;
    emit changed(code);
    return true;
}

QString Language::translate(const QString &code, const char *context, const char *source) const
{
    std::unique_ptr<QTranslator> &translator = m_others[code];
    if (!translator) {
        translator = std::make_unique<QTranslator>();
        load(*translator, code, m_searchPath); // not found: it stays empty and the source text is used
    }
    const QString text = translator->translate(context, source);
    return text.isEmpty() ? QString::fromUtf8(source) : text;
}

QStringList Language::available(const QStringList &searchPath)
{
    QStringList codes{QStringLiteral("en")};
    for (const QString &directory : searchPath) {
        const QDir dir(directory.isEmpty() ? QStringLiteral(".") : directory);
        for (const QString &file : dir.entryList({prefix + QStringLiteral("*.qm")}, QDir::Files)) {
            const QString code = file.mid(prefix.size(), file.size() - prefix.size() - 3);
            if (!codes.contains(code))
                codes << code;
        }
    }
    return codes;
}

QString Language::nativeName(const QString &code, const QStringList &searchPath)
{
    //: The name of this catalogue's language, written in that language (Deutsch, Français, ...).
    static const char *const ownName = QT_TRANSLATE_NOOP("Language", "English");
    if (code == QLatin1String("en"))
        return QString::fromLatin1(ownName);
    QTranslator catalogue;
    if (load(catalogue, code, searchPath)) {
        const QString name = catalogue.translate("Language", ownName);
        if (!name.isEmpty())
            return name;
    }
    const QString locale = QLocale(code).nativeLanguageName();
    return locale.isEmpty() ? code : locale;
}
