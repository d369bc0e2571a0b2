#include "serial/TRS232Form.h"

#include <QtGlobal>
#include <algorithm>

TRS232Form::TRS232Form(QObject* parent) : QObject(parent), m_serial(this) {
    m_serial.setObjectName(QStringLiteral("Serial"));
    m_serial.SetComPort(pnCOM1);
    m_serial.SetComPortSpeed(br19200);
    m_serial.SetPacketMode(pmPass);
    m_serial.SetSpecialb(0);
    m_serial.OnReceiveData = [this](TCommPortDriver* sender, std::span<const uint8_t> data) {
        SerialReceiveData(sender, data);
    };
    m_receiver.SetOnFrame([this](uint8_t code) {
        TraceReceived(TraceDirection::In);
        emit ReplyReceived(code);
    });
    m_receiver.SetOnRejected([this] { TraceReceived(TraceDirection::Bad); });
}

int TRS232Form::SendFrame(std::span<const uint8_t> payload) {
    std::array<uint8_t, Frame::MaxOutbound> frame;
    const size_t n = EncodeFrame(payload, frame);
    if (n == 0) {
        qWarning("SendFrame: a payload of %zu bytes does not fit a frame; nothing sent", payload.size());
        return 1;
    }
    if (m_trace.IsOn() && m_serial.IsOpen()) {
        m_trace.Write(TraceDirection::Out,
                      QByteArray(reinterpret_cast<const char*>(frame.data()), qsizetype(n)),
                      payload.empty() ? std::nullopt : std::optional<uint8_t>(payload[0]));
    }
    m_serial.WriteData({frame.data(), n});
    return 0;
}

void TRS232Form::TraceReceived(const char* direction) {
    if (!m_trace.IsOn())
        return;
    const int length = m_receiver.FrameLength();
    const auto& buffer = m_receiver.FrameBuffer();
    // Two bytes are the checksum; a frame of only those has no code.
    m_trace.Write(direction, StuffedFrame({buffer.data(), size_t(length)}),
                  length > 2 ? std::optional<uint8_t>(buffer[0]) : std::nullopt);
}

int TRS232Form::SendFrame(std::initializer_list<uint8_t> payload) {
    return SendFrame(std::span<const uint8_t>(payload.begin(), payload.size()));
}

void TRS232Form::SerialReceiveData(TCommPortDriver*, std::span<const uint8_t> data) {
    if (!m_serial.IsOpen())
        return;
    if (m_barcodeEntry) {
        BarcodeLineStep(data);
        return;
    }
    m_receiver.Feed(data);
}

void TRS232Form::BarcodeLineStep(std::span<const uint8_t> data) {
    const auto lineEnd =
        std::find_if(data.begin(), data.end(), [](uint8_t b) { return b == 0x0A || b == 0x0D; });
    size_t n = static_cast<size_t>(lineEnd - data.begin());
    n = std::min(n, BarcodeLineLength);
    // The line stops at a zero byte, as a text would.
    const auto zero = std::find(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n), uint8_t{0});
    n = static_cast<size_t>(zero - data.begin());
    emit BarcodeLine(QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(n)));
}

void TRS232Form::ChangeSpeed(TComPortBaudRate v) {
    if (m_serial.IsOpen()) {
        m_serial.ClosePort();
        m_serial.SetComPortSpeed(v);
        m_serial.OpenPort();
    } else {
        m_serial.SetComPortSpeed(v);
    }
}

void TRS232Form::ChangePort(TComPortNumber v) {
    if (m_serial.IsOpen()) {
        m_serial.ClosePort();
        m_serial.SetComPort(v);
        m_serial.OpenPort();
    } else {
        m_serial.SetComPort(v);
    }
}
