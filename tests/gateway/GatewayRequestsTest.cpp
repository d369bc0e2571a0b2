#include "GatewayCalls.h"

#include "gateway/GatewayPluFields.h"
#include "protocol/RegisterCharset.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <set>

namespace {

struct Refused {
    const char* Method;
    const char* Path;
    QStringList Arguments;
    const char* Query;
    QByteArray Body;
    const char* Field;
};

const QByteArray Milk = R"({"description":"MLEKO","price":1.99,"department":1,"active":true)";

} // namespace

// Every fault is refused by the route's own checks, naming the field, before
// any operation exists that could send something.
TEST(GatewayRequests, EveryFaultIsRefusedNamingItsField) {
    const QByteArray five = QByteArray("[") + Milk + "}," + Milk + "}]";
    const std::vector<Refused> cases{
        {"GET", "plus/<arg>", {"10000"}, "", "", "plu"},
        {"GET", "plus/<arg>", {"-1"}, "", "", "plu"},
        {"GET", "plus/<arg>", {"1e3"}, "", "", "plu"},
        {"GET", "plus/<arg>", {"5"}, "verbose=1", "", "verbose"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"MLEKO"})", "price"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"MLEKO","price":"1.99"})", "price"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"MLEKO","price":1000000})", "price"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"MLEKO","price":1.999})", "price"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"MLEKO","price":-0.01})", "price"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":5,"price":1})", "description"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"THIRTEEN CHRS","price":1})", "description"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"A\tB","price":1})", "description"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"A","price":1,"department":10})", "department"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"A","price":1,"department":1.5})", "department"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"A","price":1,"active":true})", "active"},
        {"PUT",
         "plus/<arg>",
         {"5"},
         "",
         R"({"description":"A","price":1,"active":1,"department":1})",
         "active"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"A","price":1,"unit":8})", "unit"},
        {"PUT",
         "plus/<arg>",
         {"5"},
         "",
         R"({"description":"A","price":1,"barcode":"12345678901234567890"})",
         "barcode"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"A","price":1,"stock":1.5})", "stock"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"A","price":1,"unit":2,"stock":100000})", "stock"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"A","price":1,"unit":2,"stock":1.0005})", "stock"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"A","price":1,"colour":"red"})", "colour"},
        {"PUT", "plus/<arg>", {"5"}, "", R"({"description":"A","price":1,"total":5})", "total"},
        {"PUT", "plus", {}, "", R"({"from":9999,"plus":)" + five + "}", "plus"},
        {"PUT", "plus", {}, "", R"({"from":1,"plus":[]})", "plus"},
        {"PUT", "plus", {}, "", R"({"plus":)" + five + "}", "from"},
        {"PUT",
         "plus",
         {},
         "",
         R"({"from":1,"plus":[{"description":"A","price":1},{"description":"B","price":"2"}]})",
         "plus[1].price"},
        {"PUT",
         "plus",
         {},
         "",
         R"({"from":1,"plus":[{"description":"A","price":1},{"description":"B","price":2,"stock":3}]})",
         "plus[1].stock"},
        {"PUT", "plus", {}, "", R"({"from":1,"plus":[7]})", "plus[0]"},
        {"GET", "plus", {}, "from=5&to=3", "", "to"},
        {"GET", "plus", {}, "from=5", "", "to"},
        {"GET", "plus", {}, "from=1&to=2&step=1", "", "step"},
        {"GET", "plus", {}, "from=1&to=2&to=3", "", "to"},
        {"GET", "reports/plu-sales", {}, "from=a&to=3", "", "from"},
        {"GET", "reports/plu-sales", {}, "from=0&to=10000", "", "to"},
        {"GET", "reports/operators/<arg>", {"16"}, "", "", "operator"},
        {"GET", "reports/operators/<arg>", {"0"}, "", "", "operator"},
        {"GET", "reports/tax-groups", {}, "date=today", "", "date"},
        {"POST", "z-report", {}, "", "", "confirm"},
        {"POST", "z-report", {}, "", R"({})", "confirm"},
        {"POST", "z-report", {}, "", R"({"confirm":"true"})", "confirm"},
        {"POST", "z-report", {}, "", R"({"confirm":1})", "confirm"},
        {"POST", "z-report", {}, "", R"({"confirm":true,"force":true})", "confirm"},
        {"PUT", "header", {}, "", R"({"lines":[]})", "lines"},
        {"PUT",
         "header",
         {},
         "",
         R"({"lines":[{"text":"A"},{"text":"B"},{"text":"0123456789012345678901"},{"text":"D"},{"text":"E"}]})",
         "lines[2].text"},
        {"PUT",
         "header",
         {},
         "",
         R"({"lines":[{"text":"ELEVEN CHRS","doubleWidth":true},{"text":"B"},{"text":"C"},{"text":"D"},{"text":"E"}]})",
         "lines[0].text"},
        {"PUT",
         "header",
         {},
         "",
         R"({"lines":[{"text":"A"},{"text":"B","bold":true},{"text":"C"},{"text":"D"},{"text":"E"}]})",
         "lines[1].bold"},
        {"PUT",
         "header",
         {},
         "",
         R"({"lines":[{"text":"A"},{"text":"B"},{"text":"C"},{"text":"D"},"E"]})",
         "lines[4]"},
        {"PUT", "thanks", {}, "", R"({"text":"0123456789012345678901"})", "text"},
        {"PUT", "thanks", {}, "", R"({"text":"HVALA","center":"yes"})", "center"},
        {"PUT", "thanks", {}, "", R"({"center":true})", "text"},
    };
    const std::vector<GatewayRoute> routes = RegisterOperationRoutes();
    for (const Refused& c : cases) {
        SCOPED_TRACE(std::string(c.Method) + " " + c.Path + " " + c.Query + " " + c.Body.toStdString());
        const GatewayRoute* route = FindRoute(routes, c.Method, QLatin1String(c.Path));
        ASSERT_NE(route, nullptr);
        GatewayDecoded decoded = route->Decode(MakeCall(c.Arguments, QLatin1String(c.Query), c.Body));
        const GatewayReply* reply = std::get_if<GatewayReply>(&decoded);
        ASSERT_NE(reply, nullptr) << "taken as an operation";
        EXPECT_EQ(reply->Status, 400);
        EXPECT_EQ(reply->Body[QStringLiteral("field")].toString().toStdString(), c.Field)
            << Text(reply->Body);
        EXPECT_TRUE(reply->Body[QStringLiteral("error")].toString().contains(QLatin1String(c.Field)))
            << Text(reply->Body);
    }
}

TEST(GatewayRequests, ValuesAtTheirLimitsAreTaken) {
    struct Taken {
        const char* Body;
        PluChange Expected;
    };
    const std::vector<Taken> cases{
        {R"({"description":"MLEKO","price":1.99,"department":1,"active":true})",
         {QStringLiteral("MLEKO"), 199, 1, true, 0, {}, false, std::nullopt}},
        {R"({"description":"","price":999999.99,"department":9,"unit":7,"stock":99999.999,"stockProgrammed":true,
             "barcode":"1234567890123456789"})",
         {{}, 99999999, 9, false, 7, QStringLiteral("1234567890123456789"), true, 99999999}},
        {R"({"description":"KOM","price":0,"stock":99999999})",
         {QStringLiteral("KOM"), 0, 0, false, 0, {}, false, 99999999}},
        {R"({"description":"KG","price":0.1,"unit":2,"stock":1.5})",
         {QStringLiteral("KG"), 10, 0, false, 2, {}, false, 1500}},
    };
    for (const Taken& c : cases) {
        SCOPED_TRACE(c.Body);
        const Checked<PluChange> change = CheckPluChange(MakeCall({}, {}, c.Body).Body);
        ASSERT_TRUE(std::holds_alternative<PluChange>(change)) << Text(std::get<GatewayReply>(change).Body);
        EXPECT_EQ(std::get<PluChange>(change), c.Expected);
    }
    const Checked<PluRange> range = CheckPluRange(QUrlQuery(QStringLiteral("from=0&to=9999")));
    ASSERT_TRUE(std::holds_alternative<PluRange>(range));
    EXPECT_EQ(std::get<PluRange>(range).To, 9999);
}

// The OpenAPI paths describe exactly the routes, and every schema they refer to exists.
TEST(GatewayRequests, TheOpenApiPathsDescribeExactlyTheRoutes) {
    const QJsonObject paths = RegisterOperationPaths();
    const QJsonObject schemas = RegisterOperationSchemas();
    std::set<std::string> described;
    for (auto path = paths.begin(); path != paths.end(); ++path) {
        for (const QString& method : path.value().toObject().keys()) {
            if (method != QLatin1String("parameters"))
                described.insert(method.toUpper().toStdString() + " " + path.key().toStdString());
        }
    }
    std::set<std::string> routed;
    for (const GatewayRoute& route : RegisterOperationRoutes()) {
        const QString path = QStringLiteral("/v1/registers/{id}/") + route.Path;
        // Each "<arg>" is a named parameter in the document.
        QStringList parts = path.split(QStringLiteral("<arg>"));
        for (QString& part : parts)
            part = QRegularExpression::escape(part);
        const QRegularExpression pattern(QLatin1Char('^') + parts.join(QStringLiteral("\\{[a-z]+\\}")) +
                                         QLatin1Char('$'));
        const QString named = paths.keys().filter(pattern).value(0);
        EXPECT_FALSE(named.isEmpty()) << path.toStdString();
        routed.insert(route.Method.toStdString() + " " + (named.isEmpty() ? path : named).toStdString());
        const QJsonObject operation =
            paths[named].toObject()[QString::fromLatin1(route.Method).toLower()].toObject();
        EXPECT_EQ(operation.contains(QStringLiteral("x-job-result")), route.Job) << path.toStdString();
        EXPECT_TRUE(operation[QStringLiteral("responses")].toObject().contains(route.Job ? "202" : "200"))
            << path.toStdString();
    }
    EXPECT_EQ(described, routed);

    const QString document =
        QString::fromUtf8(QJsonDocument(paths).toJson() + QJsonDocument(schemas).toJson());
    const QRegularExpression ref(QStringLiteral("#/components/schemas/(\\w+)"));
    int refs = 0;
    for (auto match = ref.globalMatch(document); match.hasNext(); ++refs) {
        const QString name = match.next().captured(1);
        EXPECT_TRUE(schemas.contains(name)) << name.toStdString();
    }
    EXPECT_GT(refs, 10);
}

// A write is confirmed only by a record that holds every field written.
TEST(GatewayRequests, ARecordThatKeptOtherValuesIsNamedFieldByField) {
    const int charset = RegisterCharsets::Cyrillic;
    const PluChange change{QStringLiteral("МЛЕКО"), 199, 1, true, 2, QStringLiteral("860"), true, 1500};
    PluRecord registered;
    ApplyPluChange(registered, change, charset);
    // The reply carries description and barcode in register codes, read back as the decoder does.
    registered.SetBarcode("860");
    EXPECT_TRUE(PluDifferences(registered, change, 5, charset).isEmpty());

    PluRecord other = registered;
    other.Price = 2.00;
    other.Flags &= uint8_t(~FlagActive);
    other.Stock = 1499;
    EXPECT_EQ(PluDifferences(other, change, 5, charset),
              (QStringList{QStringLiteral("price"), QStringLiteral("flags"), QStringLiteral("stock")}));
    // An empty description is written as the register's own name for the PLU.
    PluChange unnamed = change;
    unnamed.Description.clear();
    other = registered;
    other.SetDescription(DefaultDescription(5));
    EXPECT_TRUE(PluDifferences(other, unnamed, 5, charset).isEmpty());
    EXPECT_EQ(PluDifferences(registered, unnamed, 5, charset), QStringList{QStringLiteral("description")});
}
