#include "viewer/TextFile.h"

#include "common/Captions.h"
#include "common/SafeFile.h"
#include "protocol/RegisterCharset.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <optional>

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
    const WriteTarget target = ResolveWriteTarget(path);
    if (!target.Ok())
        return QStringLiteral("Cannot create file \"%1\". %2").arg(path, target.Refusal);
    QSaveFile file(target.Path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString());
    return {};
}

const Caption NotARegularFile{
    "The file \"%1\" cannot be viewed: it is not a regular file (a pipe, a device or a "
    "folder).",
    "Datoteka \"%1\" ne može da se prikaže: nije obična datoteka (cev, uređaj ili "
    "fascikla)."};
const Caption TooLargeToView{"The file \"%1\" is too large to view: the viewer takes files of up to %2 MB.",
                             "Datoteka \"%1\" je prevelika za pregled: pregledač prima datoteke do %2 MB."};

namespace {

// Pieces of a file are read and decoded a piece at a time, so that the window
// runs its events between them however large the file.
constexpr qsizetype PieceBytes = 512 * 1024;

// Appends a piece of text with every line break as '\n': CR LF, LF or a lone
// CR. A CR at the end of a piece may be the first half of a CR LF.
void AppendLineBroken(QString& text, QStringView piece, bool& pendingCr) {
    qsizetype i = 0;
    if (pendingCr && !piece.isEmpty() && piece[0] == QLatin1Char('\n'))
        i = 1;
    pendingCr = false;
    while (i < piece.size()) {
        qsizetype cr = piece.indexOf(QLatin1Char('\r'), i);
        if (cr < 0)
            cr = piece.size();
        text += piece.sliced(i, cr - i);
        if (cr == piece.size())
            break;
        text += QLatin1Char('\n');
        if (cr + 1 == piece.size())
            pendingCr = true;
        i = (cr + 1 < piece.size() && piece[cr + 1] == QLatin1Char('\n')) ? cr + 2 : cr + 1;
    }
}

// The end of a UTF-8 piece that starts at from, moved back so that no
// character is split between two pieces.
qsizetype Utf8PieceEnd(const QByteArray& bytes, qsizetype from) {
    qsizetype end = qMin(from + PieceBytes, bytes.size());
    for (int back = 0; back < 3 && end < bytes.size() && end > from + 1 && (uchar(bytes[end]) & 0xC0) == 0x80;
         ++back)
        --end;
    return end;
}

// Reading is the first half of the work, decoding the second.
bool Step(const PieceStep& step, qint64 done, qint64 size) {
    return !step || step(done, 2 * size);
}

// The text of the bytes when they are valid UTF-8, with line breaks as '\n';
// nothing when they are not, or when step stopped the work (stopped is set).
std::optional<QString> DecodeUtf8(const QByteArray& bytes, const PieceStep& step, bool& stopped) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text;
    text.reserve(bytes.size());
    bool pendingCr = false;
    for (qsizetype from = 0; from < bytes.size();) {
        const qsizetype end = Utf8PieceEnd(bytes, from);
        const QString piece = utf8.decode(QByteArrayView(bytes).sliced(from, end - from));
        if (utf8.hasError())
            return std::nullopt;
        AppendLineBroken(text, piece, pendingCr);
        from = end;
        if (!Step(step, bytes.size() + from, bytes.size())) {
            stopped = true;
            return std::nullopt;
        }
    }
    return text;
}

std::optional<QString> DecodeCodePage(const QByteArray& bytes, int charset, const PieceStep& step) {
    QString text;
    text.reserve(bytes.size());
    bool pendingCr = false;
    // One byte is one character: pieces may end anywhere.
    for (qsizetype from = 0; from < bytes.size(); from += PieceBytes) {
        AppendLineBroken(
            text,
            FromCodePage(QByteArrayView(bytes).sliced(from, qMin(PieceBytes, bytes.size() - from)), charset),
            pendingCr);
        if (!Step(step, bytes.size() + from, bytes.size()))
            return std::nullopt;
    }
    return text;
}

TextFileRead TooLarge(const QString& path, qint64 maxBytes) {
    return {{}, TooLargeToView.Text().arg(path).arg(maxBytes / (1024 * 1024))};
}

} // namespace

TextFileRead LoadTextFile(const QString& path, int charset, qint64 maxBytes, const PieceStep& step) {
    const TextFileRead stopped{{}, {}, true};
    // A pipe would hold the open until somebody writes to it, a device may
    // never end: only regular files are read.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return {{}, NotARegularFile.Text().arg(path)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString())};
    if (file.isSequential() || file.size() > maxBytes)
        return TooLarge(path, maxBytes);
    QByteArray bytes;
    bytes.reserve(file.size());
    while (!file.atEnd() && bytes.size() <= maxBytes) {
        const QByteArray piece = file.read(PieceBytes);
        if (piece.isEmpty())
            break;
        bytes += piece;
        if (!Step(step, bytes.size(), file.size()))
            return stopped;
    }
    if (file.error() != QFileDevice::NoError)
        return {{}, QStringLiteral("Read error in file \"%1\". %2").arg(path, file.errorString())};
    if (bytes.size() > maxBytes)
        return TooLarge(path, maxBytes);

    bool utf8Stopped = false;
    std::optional<QString> text = DecodeUtf8(bytes, step, utf8Stopped);
    if (!text && !utf8Stopped)
        text = DecodeCodePage(bytes, charset, step);
    if (!text)
        return stopped;
    if (text->startsWith(QChar(0xFEFF)))
        text->remove(0, 1);
    if (text->endsWith(QLatin1Char('\n')))
        text->chop(1);
    return {*text, {}};
}
