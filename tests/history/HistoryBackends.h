#pragma once

#include "history/HistorySql.h"
#include "history/HistoryTarget.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>

// The suite runs once on SQLite and once on the PostgreSQL cluster that
// ./orvex test starts (ORVEX_TEST_PG_URI); each test has a database of its own.
class HistoryBackendTest : public ::testing::TestWithParam<HistoryTarget::Backend> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        QString error;
        if (GetParam() == HistoryTarget::Backend::Sqlite) {
            ASSERT_TRUE(ParseHistoryTarget(QString(), m_dir.path(), m_target, error)) << error.toStdString();
            return;
        }
        const QString uri = qEnvironmentVariable("ORVEX_TEST_PG_URI");
        if (uri.isEmpty())
            GTEST_SKIP() << "ORVEX_TEST_PG_URI is not set: no PostgreSQL cluster to test against "
                            "(./orvex test starts one)";
        ASSERT_TRUE(ParseHistoryTarget(uri, m_dir.path(), m_server, error)) << error.toStdString();
        m_target = m_server;
        m_target.Database = QStringLiteral("orvex_test_%1").arg(QRandomGenerator::global()->generate());
        ASSERT_TRUE(Admin(QStringLiteral("CREATE DATABASE %1").arg(m_target.Database)));
        m_created = true;
    }
    void TearDown() override {
        if (m_created)
            Admin(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(m_target.Database));
    }

    // A statement on the server's own database.
    bool Admin(const QString& sql) {
        HistoryConnection admin;
        QString error;
        if (!admin.OpenPostgres(m_server, error)) {
            ADD_FAILURE() << error.toStdString();
            return false;
        }
        QSqlQuery query(admin.Database());
        if (!query.exec(sql)) {
            ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
            return false;
        }
        return true;
    }

    // Opens a connection to what the store writes to.
    bool Connect(HistoryConnection& connection) {
        QString error;
        const bool ok = GetParam() == HistoryTarget::Backend::Sqlite
                            ? connection.OpenSqlite(m_target.File, error)
                            : connection.OpenPostgres(m_target, error);
        EXPECT_TRUE(ok) << error.toStdString();
        return ok;
    }

    // The first column of the first row of sql, on the store's database.
    QVariant Scalar(const QString& sql) {
        HistoryConnection connection;
        if (!Connect(connection))
            return {};
        QSqlQuery query(connection.Database());
        if (!query.exec(sql) || !query.next()) {
            ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
            return {};
        }
        return query.value(0);
    }

    QTemporaryDir m_dir;
    HistoryTarget m_target;
    HistoryTarget m_server;
    bool m_created = false;
};

inline std::string BackendName(const ::testing::TestParamInfo<HistoryTarget::Backend>& info) {
    return info.param == HistoryTarget::Backend::Sqlite ? "Sqlite" : "Postgres";
}

#define ORVEX_ON_BOTH_BACKENDS(suite)                                                                        \
    INSTANTIATE_TEST_SUITE_P(                                                                                \
        Backends, suite,                                                                                     \
        ::testing::Values(HistoryTarget::Backend::Sqlite, HistoryTarget::Backend::Postgres), BackendName)
