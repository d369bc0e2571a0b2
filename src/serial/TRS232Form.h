#pragma once

#include "serial/FrameCodec.h"
#include "serial/FrameTrace.h"
#include "serial/TCommPortDriver.h"

#include <QByteArray>
#include <QObject>
#include <array>
#include <span>

// The hidden owner of the serial port and the framing in both directions.
// Outbound, SendFrame wraps a payload and writes it; inbound, SerialReceiveData
// rebuilds frames from the chunks the port delivers and emits ReplyReceived for
// each one whose checksum holds, while FrameBuffer still holds it.
//
// In barcode entry mode the line carries a scanner's text lines instead of
// frames; each chunk's first line is handed on through BarcodeLine.
class TRS232Form : public QObject {
    Q_OBJECT
  public:
    static constexpr size_t BarcodeLineLength = 49;

    explicit TRS232Form(QObject* parent = nullptr);

    [[nodiscard]] TCommPortDriver& Serial() { return m_serial; }
    [[nodiscard]] const TCommPortDriver& Serial() const { return m_serial; }

    // 0 when the frame went to the port (or the port is closed, where nothing is
    // written); non-zero when the payload cannot fit an outbound frame, in which
    // case nothing is written.
    int SendFrame(std::span<const uint8_t> payload);
    int SendFrame(std::initializer_list<uint8_t> payload);

    void SerialReceiveData(TCommPortDriver* sender, std::span<const uint8_t> data);
    void ResetFrame() { m_receiver.ResetFrame(); }
    [[nodiscard]] const std::array<uint8_t, Frame::MaxInbound>& FrameBuffer() const {
        return m_receiver.FrameBuffer();
    }
    [[nodiscard]] int FrameLength() const { return m_receiver.FrameLength(); }
    // The frame being handled without its checksum: reply code first.
    [[nodiscard]] std::span<const uint8_t> Payload() const { return m_receiver.Payload(); }

    void ChangeSpeed(TComPortBaudRate v);
    void ChangePort(TComPortNumber v);

    // Off until started; every frame sent or received is written while on.
    [[nodiscard]] FrameTrace& Trace() { return m_trace; }

    void SetBarcodeEntry(bool on) { m_barcodeEntry = on; }
    [[nodiscard]] bool BarcodeEntry() const { return m_barcodeEntry; }

  signals:
    void ReplyReceived(quint8 code);
    // Up to BarcodeLineLength bytes of a scanned line, without its line end.
    void BarcodeLine(const QByteArray& line);

  private:
    void BarcodeLineStep(std::span<const uint8_t> data);

    TCommPortDriver m_serial;
    void TraceReceived(const char* direction);

    FrameReceiver m_receiver;
    FrameTrace m_trace;
    bool m_barcodeEntry = false;
};
