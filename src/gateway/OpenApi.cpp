#include "gateway/OpenApi.h"

#include "common/ProgramVersion.h"

#include <QJsonArray>

namespace {

QJsonObject Ref(const char* schema) {
    return {{"$ref", QStringLiteral("#/components/schemas/%1").arg(QLatin1String(schema))}};
}

QJsonObject Json(const QJsonObject& schema) {
    return {{"application/json", QJsonObject{{"schema", schema}}}};
}

QJsonObject Answer(const char* description, const QJsonObject& schema = Ref("Error")) {
    return {{"description", description}, {"content", Json(schema)}};
}

QJsonObject PathParameter(const char* name, const char* description) {
    return {{"name", name},
            {"in", "path"},
            {"required", true},
            {"description", description},
            {"schema", QJsonObject{{"type", "string"}}}};
}

QJsonObject Param(const char* name, const char* in, const char* type, const char* description,
                  bool required = false) {
    return {{"name", name},
            {"in", in},
            {"required", required},
            {"description", description},
            {"schema", QJsonObject{{"type", type}}}};
}

QJsonObject Id() {
    return PathParameter("id", "the register's id, as given to the gateway");
}

QJsonObject Timeout() {
    return Param("Request-Timeout", "header", "integer",
                 "milliseconds the call may wait for its turn; past them it is dropped unstarted (504)");
}

QJsonObject Operation(const char* summary, QJsonArray parameters, QJsonObject responses) {
    responses.insert("401", Answer("no valid bearer token"));
    responses.insert("404", Answer("no such register"));
    return {{"summary", summary}, {"parameters", parameters}, {"responses", responses}};
}

QJsonObject Queued(QJsonObject responses) {
    responses.insert("503", Answer("the register's queue is full; Retry-After says when to try again"));
    responses.insert("504",
                     Answer("the register did not answer, or the call waited past its Request-Timeout"));
    return responses;
}

} // namespace

QJsonObject HealthDoc() {
    return {{"summary", "the gateway runs (no token needed)"},
            {"security", QJsonArray{}},
            {"responses", QJsonObject{{"200", Answer("running", QJsonObject{{"type", "object"}})}}}};
}

QJsonObject OpenApiDoc() {
    return {
        {"summary", "this document"},
        {"responses", QJsonObject{{"200", Answer("the OpenAPI document", QJsonObject{{"type", "object"}})},
                                  {"401", Answer("no valid bearer token")}}}};
}

QJsonObject RegistersDoc() {
    return {
        {"summary", "the registers served"},
        {"responses", QJsonObject{{"200", Answer("one entry per register",
                                                 QJsonObject{{"type", "array"}, {"items", Ref("Register")}})},
                                  {"401", Answer("no valid bearer token")}}}};
}

QJsonObject StatusDoc() {
    return Operation("receipt status ('V'), last error ('X') with its text, and the register's clock",
                     {Id(), Timeout()}, Queued({{"200", Answer("the register's answers", Ref("Status"))}}));
}

QJsonObject JournalDoc() {
    return Operation("the journal records received since the gateway started, decoded, with sequence numbers",
                     {Id(), Param("after", "query", "integer", "only records with a greater sequence number"),
                      Param("limit", "query", "integer", "at most this many (1 to 1000, 1000 unless given)")},
                     {{"200", Answer("records in order", Ref("Journal"))},
                      {"400", Answer("after or limit out of range")}});
}

QJsonObject JournalStreamDoc() {
    return Operation("the live journal as Server-Sent Events (event \"record\", id the sequence number); "
                     "Last-Event-ID or ?after=N replays the kept records after N first",
                     {Id(), Param("after", "query", "integer", "replay kept records after this one first"),
                      Param("Last-Event-ID", "header", "integer", "as after, for reconnecting clients")},
                     {{"200", QJsonObject{{"description", "an endless event stream"},
                                          {"content", QJsonObject{{"text/event-stream", QJsonObject{}}}}}}});
}

QJsonObject PostReceiptDoc() {
    QJsonObject op = Operation(
        "prints one receipt, exactly once per Idempotency-Key: each line is confirmed by the register's sale "
        "record and the payment by its close record; a repeated key returns the first outcome and sends "
        "nothing",
        {Id(), Timeout(),
         Param("Idempotency-Key", "header", "string", "1 to 100 of letters, digits and -_.:", true)},
        Queued({{"201", Answer("the receipt as the register recorded it", Ref("Receipt"))},
                {"400", Answer("a field failed its checks; \"field\" names it; nothing was sent")},
                {"409",
                 Answer("a receipt is open on the register, or this key is in progress; nothing was sent")},
                {"413", Answer("the body is larger than 256 KB")},
                {"422", Answer("the register refused a step: its error, the line, and what was sold")},
                {"502",
                 Answer("a step was not confirmed and the register reports no error; nothing more was sent")},
                {"500", Answer("the request log cannot be written, or a restart interrupted the request")}}));
    op.insert("requestBody", QJsonObject{{"required", true}, {"content", Json(Ref("ReceiptRequest"))}});
    return op;
}

QJsonObject GetReceiptDoc() {
    return Operation("the outcome of an earlier receipt request",
                     {Id(), PathParameter("key", "its Idempotency-Key")},
                     {{"200", Answer("state, HTTP status and outcome", QJsonObject{{"type", "object"}})}});
}

QJsonObject GetJobDoc() {
    return Operation("a job's progress: done of total, time left, state, and its result once finished",
                     {Id(), PathParameter("job", "the job's number")},
                     {{"200", Answer("the job", Ref("Job"))}});
}

QJsonObject DeleteJobDoc() {
    return Operation("cancels a job: a waiting one at once, a running one at its next safe point",
                     {Id(), PathParameter("job", "the job's number")},
                     {{"200", Answer("the job", Ref("Job"))}});
}

QJsonObject OpenApiShell(const QJsonObject& paths) {
    const QJsonObject number{{"type", "number"}};
    const QJsonObject integer{{"type", "integer"}};
    const QJsonObject text{{"type", "string"}};
    const QJsonObject boolean{{"type", "boolean"}};
    const QJsonObject object{{"type", "object"}};
    QJsonObject schemas{
        {"Error", QJsonObject{{"type", "object"},
                              {"properties", QJsonObject{{"error", text}, {"field", text}}},
                              {"required", QJsonArray{"error"}}}},
        {"Register", QJsonObject{{"type", "object"},
                                 {"properties", QJsonObject{{"id", text},
                                                            {"device", text},
                                                            {"speed", integer},
                                                            {"connected", boolean},
                                                            {"receiptStatus", text},
                                                            {"queued", integer}}}}},
        {"Status",
         QJsonObject{
             {"type", "object"},
             {"properties", QJsonObject{{"receiptStatus", text}, {"lastError", object}, {"clock", text}}}}},
        {"Journal", QJsonObject{{"type", "object"},
                                {"properties",
                                 QJsonObject{{"records", QJsonObject{{"type", "array"}, {"items", object}}},
                                             {"last", integer},
                                             {"firstKept", integer}}}}},
        {"ReceiptRequest",
         QJsonObject{
             {"type", "object"},
             {"additionalProperties", false},
             {"required", QJsonArray{"lines", "payments"}},
             {"properties",
              QJsonObject{
                  {"lines",
                   QJsonObject{{"type", "array"},
                               {"minItems", 1},
                               {"maxItems", 100},
                               {"items", QJsonObject{{"type", "object"},
                                                     {"additionalProperties", false},
                                                     {"properties",
                                                      QJsonObject{{"plu", QJsonObject{{"type", "integer"},
                                                                                      {"minimum", 0},
                                                                                      {"maximum", 9999}}},
                                                                  {"barcode", text},
                                                                  {"quantity", number},
                                                                  {"correction", boolean},
                                                                  {"adjustment", object}}}}}}},
                  {"subtotal", boolean},
                  {"payments",
                   QJsonObject{
                       {"type", "array"},
                       {"minItems", 1},
                       {"maxItems", 8},
                       {"items",
                        QJsonObject{{"type", "object"},
                                    {"additionalProperties", false},
                                    {"properties",
                                     QJsonObject{{"type", QJsonObject{{"type", "string"},
                                                                      {"enum", QJsonArray{"cash", "card",
                                                                                          "cheque"}}}},
                                                 {"amount", number}}}}}}}}}}},
        {"Receipt", QJsonObject{{"type", "object"},
                                {"properties",
                                 QJsonObject{{"receiptNumber", integer},
                                             {"total", number},
                                             {"pieces", integer},
                                             {"date", text},
                                             {"time", text},
                                             {"lines", QJsonObject{{"type", "array"}, {"items", object}}}}}}},
        {"Job", QJsonObject{{"type", "object"},
                            {"properties", QJsonObject{{"job", text},
                                                       {"state", text},
                                                       {"done", integer},
                                                       {"total", integer},
                                                       {"timeLeftMs", number},
                                                       {"status", integer},
                                                       {"result", object}}}}},
    };
    return {{"openapi", "3.0.3"},
            {"info", QJsonObject{{"title", "Orvex register gateway"},
                                 {"version", QString::fromLatin1(ProgramVersion)}}},
            {"security", QJsonArray{QJsonObject{{"bearer", QJsonArray{}}}}},
            {"components",
             QJsonObject{{"securitySchemes",
                          QJsonObject{{"bearer", QJsonObject{{"type", "http"}, {"scheme", "bearer"}}}}},
                         {"schemas", schemas}}},
            {"paths", paths}};
}
