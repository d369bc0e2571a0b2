#include "gateway/GatewayRoutes.h"

#include "gateway/GatewayRequests.h"
#include "gateway/HeaderOperation.h"
#include "gateway/PluOperation.h"
#include "gateway/PluRangeJob.h"
#include "gateway/PluSalesJob.h"
#include "gateway/ReportOperation.h"
#include "gateway/ThanksOperation.h"
#include "gateway/ZReportOperation.h"
#include "header/HeaderFrames.h"
#include "plu/PluRecord.h"
#include "reports/ReportDecoder.h"

#include <QJsonArray>
#include <numeric>

namespace {

template <typename Op, typename... Args> GatewayDecoded Make(Args&&... args) {
    return std::unique_ptr<GatewayOperation>(std::make_unique<Op>(std::forward<Args>(args)...));
}

// A call with nothing to check but that it brings no query and no body.
std::optional<GatewayReply> Bare(const GatewayCall& call) {
    if (auto refusal = OnlyQueryItems(call.Query, {}))
        return refusal;
    return NoBody(call.Body);
}

GatewayRoute Report(const QString& path, uint8_t code) {
    return {"GET", QStringLiteral("reports/") + path, false,
            [code](const GatewayCall& call) -> GatewayDecoded {
                if (auto refusal = Bare(call))
                    return *refusal;
                return Make<ReportOperation>(code);
            }};
}

} // namespace

std::vector<GatewayRoute> RegisterOperationRoutes() {
    std::vector<GatewayRoute> routes{
        Report(QStringLiteral("tax-groups"), TaxReportCode),
        Report(QStringLiteral("departments"), DepartmentReportCode),
        Report(QStringLiteral("daily-status"), StatusReportCode),
        Report(QStringLiteral("last-z"), LastZReportCode),
    };
    routes.push_back(
        {"GET", QStringLiteral("reports/operators"), false, [](const GatewayCall& call) -> GatewayDecoded {
             if (auto refusal = Bare(call))
                 return *refusal;
             std::vector<int> all(OperatorCount);
             std::iota(all.begin(), all.end(), 1);
             return Make<ReportOperation>(OperatorReportCode, std::move(all));
         }});
    routes.push_back(
        {"GET", QStringLiteral("reports/operators/<arg>"), false,
         [](const GatewayCall& call) -> GatewayDecoded {
             if (auto refusal = Bare(call))
                 return *refusal;
             const Checked<int> n = CheckOperator(call.Arguments.value(0), QStringLiteral("operator"));
             if (const auto* refusal = std::get_if<GatewayReply>(&n))
                 return *refusal;
             return Make<ReportOperation>(OperatorReportCode, std::vector<int>{std::get<int>(n)});
         }});
    routes.push_back(
        {"GET", QStringLiteral("reports/plu-sales"), true, [](const GatewayCall& call) -> GatewayDecoded {
             if (auto refusal = NoBody(call.Body))
                 return *refusal;
             const Checked<PluRange> range = CheckPluRange(call.Query);
             if (const auto* refusal = std::get_if<GatewayReply>(&range))
                 return *refusal;
             return Make<PluSalesJob>(std::get<PluRange>(range));
         }});
    routes.push_back(
        {"POST", QStringLiteral("z-report"), false, [](const GatewayCall& call) -> GatewayDecoded {
             if (auto refusal = OnlyQueryItems(call.Query, {}))
                 return *refusal;
             if (auto refusal = CheckZConfirm(call.Body))
                 return *refusal;
             return Make<ZReportOperation>();
         }});
    routes.push_back(
        {"GET", QStringLiteral("plus/<arg>"), false, [](const GatewayCall& call) -> GatewayDecoded {
             if (auto refusal = Bare(call))
                 return *refusal;
             const Checked<int> n = CheckPluNumber(call.Arguments.value(0), QStringLiteral("plu"));
             if (const auto* refusal = std::get_if<GatewayReply>(&n))
                 return *refusal;
             return Make<PluOperation>(std::get<int>(n), std::nullopt);
         }});
    routes.push_back(
        {"PUT", QStringLiteral("plus/<arg>"), false, [](const GatewayCall& call) -> GatewayDecoded {
             if (auto refusal = OnlyQueryItems(call.Query, {}))
                 return *refusal;
             const Checked<int> n = CheckPluNumber(call.Arguments.value(0), QStringLiteral("plu"));
             if (const auto* refusal = std::get_if<GatewayReply>(&n))
                 return *refusal;
             Checked<PluChange> change = CheckPluChange(call.Body);
             if (const auto* refusal = std::get_if<GatewayReply>(&change))
                 return *refusal;
             return Make<PluOperation>(std::get<int>(n), std::get<PluChange>(std::move(change)));
         }});
    routes.push_back({"GET", QStringLiteral("plus"), true, [](const GatewayCall& call) -> GatewayDecoded {
                          if (auto refusal = NoBody(call.Body))
                              return *refusal;
                          const Checked<PluRange> range = CheckPluRange(call.Query);
                          if (const auto* refusal = std::get_if<GatewayReply>(&range))
                              return *refusal;
                          return Make<PluRangeJob>(std::get<PluRange>(range));
                      }});
    routes.push_back({"PUT", QStringLiteral("plus"), true, [](const GatewayCall& call) -> GatewayDecoded {
                          if (auto refusal = OnlyQueryItems(call.Query, {}))
                              return *refusal;
                          Checked<PluRangeWrite> write = CheckPluRangeWrite(call.Body);
                          if (const auto* refusal = std::get_if<GatewayReply>(&write))
                              return *refusal;
                          return Make<PluRangeJob>(std::get<PluRangeWrite>(std::move(write)));
                      }});
    routes.push_back({"GET", QStringLiteral("header"), false, [](const GatewayCall& call) -> GatewayDecoded {
                          if (auto refusal = Bare(call))
                              return *refusal;
                          return Make<HeaderOperation>(std::nullopt);
                      }});
    routes.push_back({"PUT", QStringLiteral("header"), false, [](const GatewayCall& call) -> GatewayDecoded {
                          if (auto refusal = OnlyQueryItems(call.Query, {}))
                              return *refusal;
                          Checked<HeaderChange> change = CheckHeaderChange(call.Body);
                          if (const auto* refusal = std::get_if<GatewayReply>(&change))
                              return *refusal;
                          return Make<HeaderOperation>(std::get<HeaderChange>(std::move(change)));
                      }});
    routes.push_back({"GET", QStringLiteral("thanks"), false, [](const GatewayCall& call) -> GatewayDecoded {
                          if (auto refusal = Bare(call))
                              return *refusal;
                          return Make<ThanksOperation>(std::nullopt);
                      }});
    routes.push_back({"PUT", QStringLiteral("thanks"), false, [](const GatewayCall& call) -> GatewayDecoded {
                          if (auto refusal = OnlyQueryItems(call.Query, {}))
                              return *refusal;
                          Checked<ThanksChange> change = CheckThanksChange(call.Body);
                          if (const auto* refusal = std::get_if<GatewayReply>(&change))
                              return *refusal;
                          return Make<ThanksOperation>(std::get<ThanksChange>(std::move(change)));
                      }});
    return routes;
}

// --- the OpenAPI description of the calls above ---------------------------

namespace {

QJsonObject Ref(const QString& schema) {
    return {{"$ref", QStringLiteral("#/components/schemas/") + schema}};
}

QJsonObject Type(const char* type, const QString& description = {}) {
    QJsonObject o{{"type", type}};
    if (!description.isEmpty())
        o.insert(QStringLiteral("description"), description);
    return o;
}

QJsonObject Ranged(const char* type, double min, double max, const QString& description = {}) {
    QJsonObject o = Type(type, description);
    o.insert(QStringLiteral("minimum"), min);
    o.insert(QStringLiteral("maximum"), max);
    return o;
}

QJsonObject Text(int maxLength, const QString& description = {}) {
    QJsonObject o = Type("string", description);
    o.insert(QStringLiteral("maxLength"), maxLength);
    return o;
}

QJsonObject ArrayOf(const QJsonObject& items, int exactly = -1) {
    QJsonObject o{{"type", "array"}, {"items", items}};
    if (exactly >= 0) {
        o.insert(QStringLiteral("minItems"), exactly);
        o.insert(QStringLiteral("maxItems"), exactly);
    }
    return o;
}

QJsonObject Object(const QJsonObject& properties, const QStringList& required = {}, bool closed = false) {
    QJsonObject o{{"type", "object"}, {"properties", properties}};
    if (!required.isEmpty())
        o.insert(QStringLiteral("required"), QJsonArray::fromStringList(required));
    if (closed)
        o.insert(QStringLiteral("additionalProperties"), false);
    return o;
}

QJsonObject Json(const QJsonObject& schema) {
    return {{"application/json", QJsonObject{{"schema", schema}}}};
}

QJsonObject Answer(const QString& description, const QString& schema = {}) {
    QJsonObject o{{"description", description}};
    if (!schema.isEmpty())
        o.insert(QStringLiteral("content"), Json(Ref(schema)));
    return o;
}

// The failures every register call may end in; each refuses a parameter it does not take.
QJsonObject Answers(QJsonObject answers) {
    answers.insert(QStringLiteral("400"),
                   Answer(QStringLiteral("A field, argument or parameter failed its check; \"field\" names "
                                         "it. Nothing was sent to the register."),
                          QStringLiteral("Error")));
    answers.insert(QStringLiteral("503"),
                   Answer(QStringLiteral("The register's port cannot be opened, or another exchange runs on "
                                         "its line. Nothing was sent."),
                          QStringLiteral("Error")));
    answers.insert(
        QStringLiteral("504"),
        Answer(QStringLiteral("The register did not answer in time; \"error\" says where it stopped."),
               QStringLiteral("Error")));
    return answers;
}

QJsonObject PathParameter(const char* name, const QString& description, int min, int max) {
    return {{"name", name},
            {"in", "path"},
            {"required", true},
            {"description", description},
            {"schema", Ranged("integer", min, max)}};
}

QJsonObject QueryParameter(const char* name, const QString& description) {
    return {{"name", name},
            {"in", "query"},
            {"required", true},
            {"description", description},
            {"schema", Ranged("integer", 0, PluCount - 1)}};
}

QJsonObject Operation(const QString& summary, const QJsonObject& answers, const QJsonArray& parameters = {},
                      const QString& body = {}) {
    QJsonObject o{{"summary", summary}, {"responses", answers}};
    if (!parameters.isEmpty())
        o.insert(QStringLiteral("parameters"), parameters);
    if (!body.isEmpty())
        o.insert(QStringLiteral("requestBody"),
                 QJsonObject{{"required", true}, {"content", Json(Ref(body))}});
    return o;
}

// A job: 202 at once, its outcome later through the jobs it is listed under.
QJsonObject JobOperation(const QString& summary, const QString& result, const QJsonArray& parameters,
                         const QString& body = {}) {
    QJsonObject answers{
        {"202", QJsonObject{{"description",
                             QStringLiteral("Taken as a job: its progress (n of m) and, when it ends, its "
                                            "outcome, whose body is %1 (409 when cancelled, with how far it "
                                            "came).")
                                 .arg(result)}}}};
    QJsonObject o = Operation(summary, Answers(answers), parameters, body);
    o.insert(QStringLiteral("x-job-result"), Ref(result));
    return o;
}

QJsonObject Get(const QString& summary, const QString& schema, const QJsonArray& parameters = {}) {
    return Operation(summary, Answers({{"200", Answer(QStringLiteral("The figures."), schema)}}), parameters);
}

QString Path(const char* relative) {
    return QStringLiteral("/v1/registers/{id}/") + QLatin1String(relative);
}

QJsonObject RegisterId() {
    return {{"name", "id"}, {"in", "path"}, {"required", true}, {"schema", Type("string")}};
}

} // namespace

QJsonObject RegisterOperationPaths() {
    const QJsonObject plu = PathParameter("plu", QStringLiteral("The PLU number."), 0, PluCount - 1);
    const QJsonArray range{QueryParameter("from", QStringLiteral("The first PLU.")),
                           QueryParameter("to", QStringLiteral("The last PLU, not below from."))};
    QJsonObject paths{
        {Path("reports/tax-groups"), QJsonObject{{"get", Get(QStringLiteral("The day's sales per tax group"),
                                                             QStringLiteral("TaxReport"))}}},
        {Path("reports/departments"),
         QJsonObject{{"get", Get(QStringLiteral("The day's sales per department"),
                                 QStringLiteral("DepartmentReport"))}}},
        {Path("reports/daily-status"), QJsonObject{{"get", Get(QStringLiteral("The day's status changes"),
                                                               QStringLiteral("StatusReport"))}}},
        {Path("reports/last-z"),
         QJsonObject{{"get", Get(QStringLiteral("The last Z report"), QStringLiteral("LastZReport"))}}},
        {Path("reports/operators"),
         QJsonObject{{"get", Get(QStringLiteral("The day's figures of operators 1 to 15"),
                                 QStringLiteral("OperatorReports"))}}},
        {Path("reports/operators/{operator}"),
         QJsonObject{
             {"get",
              Get(QStringLiteral("The day's figures of one operator"), QStringLiteral("OperatorReports"),
                  {PathParameter("operator", QStringLiteral("The operator."), 1, OperatorCount)})}}},
        {Path("reports/plu-sales"),
         QJsonObject{{"get", JobOperation(QStringLiteral("The day's sales of each PLU of a range"),
                                          QStringLiteral("PluSales"), range)}}},
        {Path("z-report"),
         QJsonObject{
             {"post",
              Operation(
                  QStringLiteral("Run the Z report, which closes the register's day"),
                  Answers({{"200", Answer(QStringLiteral("The register ran it."), QStringLiteral("ZDone"))},
                           {"422", Answer(QStringLiteral("The register refused; errorCode is its code."),
                                          QStringLiteral("Error"))}}),
                  {}, QStringLiteral("ZConfirm"))}}},
        {Path("plus/{plu}"),
         QJsonObject{
             {"get", Get(QStringLiteral("One PLU as the register holds it"), QStringLiteral("Plu"), {plu})},
             {"put",
              Operation(QStringLiteral("Write one PLU; the stock too when given"),
                        Answers({{"200", Answer(QStringLiteral("The PLU as the register now holds it."),
                                                QStringLiteral("Plu"))},
                                 {"422", Answer(QStringLiteral("The register kept other values."),
                                                QStringLiteral("Error"))}}),
                        {plu}, QStringLiteral("PluWrite"))}}},
        {Path("plus"),
         QJsonObject{
             {"get", JobOperation(QStringLiteral("Read a range of PLUs"), QStringLiteral("PluRange"), range)},
             {"put", JobOperation(QStringLiteral("Write consecutive PLUs"), QStringLiteral("PluRange"), {},
                                  QStringLiteral("PluRangeWrite"))}}},
        {Path("header"),
         QJsonObject{
             {"get", Get(QStringLiteral("The eight receipt header lines"), QStringLiteral("HeaderLines"))},
             {"put",
              Operation(QStringLiteral("Write header lines 1 to 5"),
                        Answers({{"200", Answer(QStringLiteral("The lines as the register gave them back."),
                                                QStringLiteral("HeaderLines"))}}),
                        {}, QStringLiteral("HeaderWrite"))}}},
        {Path("thanks"),
         QJsonObject{
             {"get",
              Operation(QStringLiteral("The thanks message last written through this service"),
                        Answers({{"200", Answer(QStringLiteral("The message and when it was written."),
                                                QStringLiteral("Thanks"))},
                                 {"404", Answer(QStringLiteral("None written since the service started: "
                                                               "the register does not give it back."),
                                                QStringLiteral("Error"))}}))},
             {"put",
              Operation(QStringLiteral("Write the thanks message"),
                        Answers({{"200", Answer(QStringLiteral("Written."), QStringLiteral("Thanks"))}}), {},
                        QStringLiteral("ThanksWrite"))}}},
    };
    // Every call names its register.
    for (auto path = paths.begin(); path != paths.end(); ++path)
        path.value() = [&] {
            QJsonObject item = path.value().toObject();
            item.insert(QStringLiteral("parameters"), QJsonArray{RegisterId()});
            return item;
        }();
    return paths;
}

QJsonObject RegisterOperationSchemas() {
    const QJsonObject money = Type("number", QStringLiteral("Currency units, two decimals."));
    const QJsonObject count = Type("integer");
    const QJsonObject flag = Type("boolean");
    const QJsonObject dateTime = Object({{"day", Type("string")},
                                         {"month", Type("string")},
                                         {"year", Type("string")},
                                         {"hour", Type("string")},
                                         {"minute", Type("string")}});
    const QJsonObject movement = Object({{"cashAmount", money},
                                         {"cashCount", count},
                                         {"chequeAmount", money},
                                         {"chequeCount", count},
                                         {"cardAmount", money},
                                         {"cardCount", count}});
    QJsonObject pluWrite = Object(
        {{"description", Text(DescriptionLength, QStringLiteral("Empty: the register's name \"COD n\"."))},
         {"price",
          QJsonObject{{"type", "number"}, {"minimum", 0}, {"maximum", 999999.99}, {"multipleOf", 0.01}}},
         {"department", Ranged("integer", 0, MaxDepartment, QStringLiteral("0: none."))},
         {"active", Type("boolean", QStringLiteral("Only with a department."))},
         {"unit", Ranged("integer", 0, UnitCount - 1,
                         QStringLiteral("0 item, 1 gram, 2 kg, 3 ton, 4 litre, 5 "
                                        "meter, 6 square meter, 7 cubic meter."))},
         {"barcode", Text(BarcodeLength)},
         {"stockProgrammed", flag},
         {"stock", Type("number", QStringLiteral("Whole pieces for unit 0, up to 99999999; otherwise up to "
                                                 "99999.999. Absent: the register's stock stays."))}},
        {QStringLiteral("description"), QStringLiteral("price")}, true);
    const QJsonObject plu = Object({{"plu", count},
                                    {"description", Type("string")},
                                    {"price", money},
                                    {"department", count},
                                    {"active", flag},
                                    {"unit", count},
                                    {"decimalQuantity", flag},
                                    {"freePrice", flag},
                                    {"stockProgrammed", flag},
                                    {"barcode", Type("string")},
                                    {"stock", Type("number")},
                                    {"quantity", Type("number", QStringLiteral("Sold today."))},
                                    {"total", money}});
    const QJsonObject progress{{"from", count}, {"to", count}, {"done", count}, {"total", count}};
    QJsonObject rangeResult = progress;
    rangeResult.insert(QStringLiteral("stoppedAt"), count);
    rangeResult.insert(QStringLiteral("plus"), ArrayOf(Ref(QStringLiteral("Plu"))));
    QJsonObject salesResult = progress;
    salesResult.insert(
        QStringLiteral("plus"),
        ArrayOf(
            Object({{"plu", count},
                    {"sold", Type("integer", QStringLiteral("Thousandths for PLUs not sold by the item."))},
                    {"stock", Type("integer", QStringLiteral("Thousandths for PLUs not sold by the item."))},
                    {"total", money}})));
    salesResult.insert(QStringLiteral("unanswered"), ArrayOf(count));
    const QJsonObject headerLine = Object({{"line", count},
                                           {"text", Type("string")},
                                           {"doubleWidth", flag},
                                           {"doubleHeight", flag},
                                           {"center", flag},
                                           {"writable", flag}});
    const QJsonObject headerWriteLine =
        Object({{"text", Type("string", QStringLiteral("At most 21 characters, 10 with doubleWidth."))},
                {"doubleWidth", flag},
                {"doubleHeight", flag},
                {"center", flag}},
               {QStringLiteral("text")}, true);
    return {
        {"Error", Object({{"error", Type("string")},
                          {"field", Type("string", QStringLiteral("The field at fault."))},
                          {"errorCode", Type("integer", QStringLiteral("The register's error code."))}},
                         {QStringLiteral("error")})},
        {"TaxReport", Object({{"taxGroups", ArrayOf(money, int(ReportGroups))}})},
        {"DepartmentReport", Object({{"departments", ArrayOf(Object({{"turnover", money}, {"sales", count}}),
                                                             int(ReportGroups))}})},
        {"StatusReport",
         Object({{"vatChanges", count},
                 {"resetCount", count},
                 {"headerChanges", count},
                 {"receiptCount", count},
                 {"crNumber", count},
                 {"fiscalId", Type("string")},
                 {"departmentTaxes", Type("string", QStringLiteral("Departments 1 to 9: the tax "
                                                                   "letter of each."))}})},
        {"OperatorReports", Object({{"operators", ArrayOf(Object({{"operator", count},
                                                                  {"passwordProgrammed", flag},
                                                                  {"cash", money},
                                                                  {"cheque", money},
                                                                  {"card", money},
                                                                  {"total", money},
                                                                  {"drawerOpenings", count},
                                                                  {"receiptCount", count},
                                                                  {"correctionAmount", money},
                                                                  {"correctionCount", count},
                                                                  {"payIn", movement},
                                                                  {"payOut", movement}}))}})},
        {"LastZReport",
         Object({{"zNumber", count},
                 {"date", dateTime},
                 {"taxGroups", ArrayOf(Object({{"turnover", money}, {"tax", money}}), int(ReportGroups))},
                 {"receiptCount", count},
                 {"resetCount", count},
                 {"resetType", Type("integer", QStringLiteral("0: no reset; resetDate then means "
                                                              "nothing."))},
                 {"resetDate", dateTime},
                 {"headerChanges", count}})},
        {"PluSales", Object(salesResult)},
        {"ZConfirm", Object({{"confirm", QJsonObject{{"type", "boolean"}, {"enum", QJsonArray{true}}}}},
                            {QStringLiteral("confirm")}, true)},
        {"ZDone", Object({{"done", flag}})},
        {"Plu", plu},
        {"PluWrite", pluWrite},
        {"PluRangeWrite",
         Object({{"from", Ranged("integer", 0, PluCount - 1)},
                 {"plus", QJsonObject{{"type", "array"},
                                      {"minItems", 1},
                                      {"items", Ref(QStringLiteral("PluWrite"))},
                                      {"description", QStringLiteral("PLUs from, from + 1, ...; "
                                                                     "the stock given for all or "
                                                                     "none.")}}}},
                {QStringLiteral("from"), QStringLiteral("plus")}, true)},
        {"PluRange", Object(rangeResult)},
        {"HeaderLines", Object({{"lines", ArrayOf(headerLine)}})},
        {"HeaderWrite",
         Object({{"lines", ArrayOf(headerWriteLine, WritableLines)}}, {QStringLiteral("lines")}, true)},
        {"Thanks", Object({{"text", Type("string")}, {"writtenAt", Type("string")}})},
        {"ThanksWrite",
         Object({{"text", Text(HeaderLineWidth)}, {"center", flag}}, {QStringLiteral("text")}, true)},
    };
}
