#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// orvex-gateway as it is installed, driven from outside by Python
// (python3-requests) and curl: every call, the token file and TLS.
TEST(GatewayProgram, EveryCallWorksFromPythonAndCurl) {
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty())
        GTEST_SKIP() << "python3 is missing";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess driver;
    driver.setProcessChannelMode(QProcess::MergedChannels);
    driver.start(python, {ORVEX_GATEWAY_DRIVER, ORVEX_GATEWAY_PROGRAM, dir.path()});
    ASSERT_TRUE(driver.waitForStarted(10000));
    ASSERT_TRUE(driver.waitForFinished(240000));
    const QByteArray output = driver.readAll();
    if (driver.exitCode() == 77)
        GTEST_SKIP() << output.toStdString();
    EXPECT_EQ(driver.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(driver.exitCode(), 0) << output.toStdString();
}
