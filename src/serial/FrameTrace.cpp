#include "serial/FrameTrace.h"

#include <cerrno>
#include <cstring>

#include "common/SafeFile.h"
#include "serial/FrameCodec.h"

#include <utility>

QByteArray StuffedFrame(std::span<const uint8_t> bodyAndChecksum) {
    QByteArray wire;
    wire.reserve(qsizetype(bodyAndChecksum.size() * 2 + 2));
    wire += char(Frame::Start);
    for (uint8_t b : bodyAndChecksum) {
        if (b == Frame::Escape || b == Frame::Start || b == Frame::End) {
            wire += char(Frame::Escape);
            wire += char(b ^ Frame::EscapeXor);
        } else {
            wire += char(b);
        }
    }
    wire += char(Frame::End);
    return wire;
}

QByteArray FrameTraceLine(const QDateTime& at, const char* direction, const QByteArray& wire,
                          std::optional<uint8_t> code) {
    QByteArray line = at.toString(Qt::ISODateWithMs).toLatin1();
    line += ' ';
    line += direction;
    line += ' ';
    line += wire.toHex(' ').toUpper();
    if (code) {
        line += " code ";
        line += QByteArray(1, char(*code)).toHex().toUpper();
        if (*code >= 0x20 && *code < 0x7F) {
            line += " '";
            line += char(*code);
            line += '\'';
        }
    }
    line += '\n';
    return line;
}

bool FrameTrace::Start(const QString& path, QString* error) {
    // A FIFO would hold the open until someone reads it; a device is no trace.
    const WriteTarget target = ResolveWriteTarget(path);
    if (!target.Ok()) {
        if (error)
            *error = target.Refusal;
        return false;
    }
    auto file = std::make_unique<QFile>(target.Path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        if (error)
            *error = file->errorString();
        return false;
    }
    m_file = std::move(file);
    return true;
}

void FrameTrace::Stop() {
    m_file.reset();
}

void FrameTrace::Write(const char* direction, const QByteArray& wire, std::optional<uint8_t> code) {
    if (!m_file)
        return;
    const QByteArray line = FrameTraceLine(QDateTime::currentDateTime(), direction, wire, code);
    // Flushed per line: the trace is read when something went wrong, often
    // while the program still runs or after it was killed.
    errno = 0;
    if (m_file->write(line) == line.size() && m_file->flush())
        return;
    // QFile says "Unknown error" for a failed buffered write; errno has the reason.
    const int error = errno;
    const QString file = m_file->fileName();
    const QString reason = error != 0 ? QString::fromLocal8Bit(std::strerror(error)) : m_file->errorString();
    m_file.reset();
    if (OnFailed)
        OnFailed(file, reason);
}
