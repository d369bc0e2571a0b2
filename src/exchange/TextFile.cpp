#include "exchange/TextFile.h"

#include "protocol/RegisterCharset.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

QStringList TextLines(const QString& text) {
    if (text.isEmpty())
        return {};
    return text.split(QLatin1Char('\n'));
}

QString SaveTextLines(const QString& path, const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toUtf8();
        bytes += "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString());
    return {};
}

TextFileRead LoadTextFile(const QString& path, int charset) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString())};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {{}, QStringLiteral("Read error in file \"%1\". %2").arg(path, file.errorString())};

    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = FromCodePage(bytes, charset);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    // Every line break ends a line: CR LF, LF or a lone CR.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return {text, {}};
}
