#include "history/HistoryTarget.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(HistoryTarget, AUrlSelectsTheBackendAndItsConnection) {
    using B = HistoryTarget::Backend;
    struct Case {
        const char* Url;
        B Kind;
        const char* File; // SQLite, under /data
        const char* Host;
        int Port;
        const char* User;
        const char* Database;
    };
    const Case cases[] = {
        {"", B::Sqlite, "/data/history.sqlite", "", 5432, "", ""},
        {"sqlite:shop.sqlite", B::Sqlite, "/data/shop.sqlite", "", 5432, "", ""},
        {"sqlite:/var/lib/orvex/h.sqlite", B::Sqlite, "/var/lib/orvex/h.sqlite", "", 5432, "", ""},
        {"postgresql://orvex@db.shop.lan/orvex", B::Postgres, "", "db.shop.lan", 5432, "orvex", "orvex"},
        {"postgresql://orvex@/postgres?host=/tmp/pg%20dir&port=20923", B::Postgres, "", "/tmp/pg dir", 20923,
         "orvex", "postgres"},
        {"postgres://till:secret@db:6000", B::Postgres, "", "db", 6000, "till", "till"},
        {"postgresql:///shop?host=/run/postgresql&user=kasa", B::Postgres, "", "/run/postgresql", 5432,
         "kasa", "shop"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Url);
        HistoryTarget t;
        QString error;
        ASSERT_TRUE(ParseHistoryTarget(QString::fromUtf8(c.Url), QStringLiteral("/data"), t, error))
            << error.toStdString();
        EXPECT_EQ(t.Kind, c.Kind);
        if (c.Kind == B::Sqlite) {
            EXPECT_EQ(t.File.toStdString(), c.File);
            continue;
        }
        EXPECT_EQ(t.Host.toStdString(), c.Host);
        EXPECT_EQ(t.Port, c.Port);
        EXPECT_EQ(t.User.toStdString(), c.User);
        EXPECT_EQ(t.Database.toStdString(), c.Database);
        EXPECT_EQ(t.SpoolFile.toStdString(), "/data/history-spool.sqlite");
        EXPECT_FALSE(t.Display().contains(QStringLiteral("secret"))) << "a password is never said";
    }
}

TEST(HistoryTarget, AUrlItCannotUseIsRefusedWithTheReason) {
    const struct {
        const char* Url;
        const char* Said;
    } cases[] = {
        {"mysql://shop/db", "neither"},
        {"postgresql://orvex@/db?port=http", "not a port number"},
        {"postgresql://orvex@/db?port=70000", "not a port number"},
        {"postgresql://orvex@/db?sslmode=require", "'sslmode' is not supported"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Url);
        HistoryTarget t;
        QString error;
        EXPECT_FALSE(ParseHistoryTarget(QString::fromUtf8(c.Url), QStringLiteral("/data"), t, error));
        EXPECT_TRUE(error.contains(QLatin1String(c.Said))) << error.toStdString();
    }
}
