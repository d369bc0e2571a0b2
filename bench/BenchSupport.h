#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

// Helpers shared by the benchmarks.

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
