#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The text of a PDF file as pdftotext reads it in the order it was drawn,
// one string a page, without
// the page number at each page's foot; empty when the file cannot be read.
inline QStringList PdfPagesText(const QString& path) {
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), QStringLiteral("-enc"),
                                               QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\f'));
    // Whatever follows the last page's form feed is no page.
    if (!pages.isEmpty() && pages.constLast().trimmed().isEmpty())
        pages.removeLast();
    for (qsizetype i = 0; i < pages.size(); ++i) {
        QStringList lines = pages[i].split(QLatin1Char('\n'));
        while (!lines.isEmpty() && lines.constLast().trimmed().isEmpty())
            lines.removeLast();
        if (!lines.isEmpty() && lines.constLast().trimmed() == QString::number(i + 1))
            lines.removeLast();
        pages[i] = lines.join(QLatin1Char('\n'));
    }
    return pages;
}

// Text with every space, tab and line end taken out: what is left of a line
// is the same however a printout wrapped it.
inline QString WithoutSpaces(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (!c.isSpace())
            out += c;
    }
    return out;
}
