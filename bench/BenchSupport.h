#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

// Helpers shared by the benchmarks.

// A receipt's worth of journal records, as the register sends them: the
// opening, a PLU sold twice, a sale by department, a subtotal, a discount and
// the payment.
inline std::vector<QByteArray> SampleReceiptRecords() {
    const auto hex = [](const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); };
    std::vector<QByteArray> r;
    r.push_back(hex("40 05 00 00 01 23"));
    QByteArray plu(46, '\0');
    const char head[] = "\x42\x01\x2C"
                        "MILK 1L";
    plu.replace(0, sizeof head - 1, QByteArray(head, sizeof head - 1));
    plu[17] = 0x01, plu[18] = char(0x99), plu[19] = 0x42, plu[41 + 2] = 0x10, plu[45] = 'N';
    const char barcode[] = "8600001234567";
    plu.replace(21, sizeof barcode - 1, QByteArray(barcode, sizeof barcode - 1));
    r.push_back(plu);
    r.push_back(plu);
    r.push_back(hex("41 03 00 00 00 01 23 45 00 01 00 00 4E"));
    r.push_back(hex("45 01 00 00 00 00 00 50 10 00 43"));
    r.push_back(hex("4C 00 00 00 12 34 56"));
    r.push_back(hex("4F 00 00 00 00 25 50 00 00 00 42 00 03 01 05 09 0E 03 D4 07"));
    return r;
}

// The longest time between two turns of the event loop while it watches: the
// serial port is read on the same thread, every 50 ms at the latest.
class GapWatch : public QObject {
  public:
    GapWatch() {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            m_longestNs = qMax(m_longestNs, m_clock.nsecsElapsed());
            m_clock.start();
        });
    }
    void Start() {
        m_longestNs = 0;
        m_clock.start();
        m_timer.start();
    }
    double StopMs() {
        m_timer.stop();
        return double(qMax(m_longestNs, m_clock.nsecsElapsed())) / 1e6;
    }

  private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longestNs = 0;
};

// The pages of a PDF file the program wrote, or -1 when it cannot be read.
inline int PdfPages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray pdf = file.readAll();
    return int(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r"));
}

// Benchmarks run where there is no display, as the tests do.
inline void UseOffscreenWithoutDisplay() {
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
