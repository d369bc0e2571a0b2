#pragma once

#include "plu/PluRecord.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

class PluTable;

// Runs a python3 script that writes spreadsheet files the way other programs
// do. Empty when it ran; otherwise why not (python3 or a module missing).
inline QString RunPython(const QString& script, const QStringList& args = {}) {
    QProcess process;
    process.start(QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                                    : QStringLiteral("python3"),
                  QStringList{QStringLiteral("-c"), script} + args);
    if (!process.waitForStarted(10000))
        return QStringLiteral("python3 is missing");
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(5000);
        return QStringLiteral("python3 took too long");
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QString::fromUtf8(process.readAllStandardError());
    return {};
}

// Skips the test when a python module is missing, fails it for other errors.
#define ORVEX_RUN_PYTHON(script, ...)                                                                        \
    do {                                                                                                     \
        const QString pyError = RunPython(script, ##__VA_ARGS__);                                            \
        if (pyError.contains(QStringLiteral("ModuleNotFoundError")) ||                                       \
            pyError == QStringLiteral("python3 is missing"))                                                 \
            GTEST_SKIP() << pyError.toStdString();                                                           \
        ASSERT_TRUE(pyError.isEmpty()) << pyError.toStdString();                                             \
    } while (false)

// 10000 PLUs of every kind the sheet carries: all units, prices with and
// without cents, empty and full texts, barcodes with leading zeros.
void FillVariedPlus(PluTable& table);
// Field by field; the failures name the PLU and the field.
void ExpectSamePlus(const PluTable& expected, const PluTable& actual);
