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

TextFileRead LoadTextFile(const QString& path, int charset, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString())};
    const auto tooLarge = [&] {
        return TextFileRead{{},
                            QStringLiteral("The file \"%1\" is too large to view: the viewer takes files "
                                           "of up to %2 MB.")
                                .arg(path)
                                .arg(maxBytes / (1024 * 1024))};
    };
    // A device or pipe has no size to ask: no more than one byte over the limit is read.
    if (!file.isSequential() && file.size() > maxBytes)
        return tooLarge();
    const QByteArray bytes = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return {{}, QStringLiteral("Read error in file \"%1\". %2").arg(path, file.errorString())};
    if (bytes.size() > maxBytes)
        return tooLarge();

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
