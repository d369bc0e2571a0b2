#include "gateway/ReceiptRequest.h"

#include "database/PluTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Frame(std::initializer_list<int> bytes) {
    std::vector<uint8_t> out;
    for (int b : bytes)
        out.push_back(uint8_t(b));
    return out;
}

ReceiptPlan Plan(const char* json) {
    PluTable table;
    const std::variant<GatewayReply, ReceiptPlan> d =
        DecodeReceipt(QJsonDocument::fromJson(json).object(), ReceiptContext{&table, nullptr});
    if (const auto* r = std::get_if<GatewayReply>(&d)) {
        ADD_FAILURE() << QJsonDocument(r->Body.toObject()).toJson().toStdString();
        return {};
    }
    return std::get<ReceiptPlan>(d);
}

} // namespace

// The frames of a receipt, in order, as the fiscal printer commands lay them out.
TEST(ReceiptRequest, AReceiptBecomesItsFramesInOrder) {
    const ReceiptPlan plan = Plan(R"({"lines":[{"plu":300},{"plu":5,"quantity":2,"correction":true},
        {"plu":5,"quantity":1.5,"adjustment":{"type":"decrement","percent":10.5}},
        {"plu":7,"adjustment":{"type":"increment","amount":12.34}}],
        "subtotal":true,"payments":[{"type":"card","amount":12.5},{"type":"cheque"}]})");
    ASSERT_EQ(plan.Steps.size(), 9u);
    EXPECT_EQ(plan.Steps[0].Frame, Frame({0x3F, 0x2C, 0x01, 0, 0, 0x10, 0, 0x4E}));
    EXPECT_EQ(plan.Steps[1].Frame, Frame({0x3F, 0x05, 0, 0, 0, 0x20, 0, 0x43}));
    EXPECT_EQ(plan.Steps[2].Frame, Frame({0x3F, 0x05, 0, 0, 0, 0x15, 0, 0x4E}));
    EXPECT_EQ(plan.Steps[3].Frame, Frame({0x46, 0x10, 0x50}));
    EXPECT_EQ(plan.Steps[3].Field, "lines[2].adjustment");
    EXPECT_EQ(plan.Steps[5].Frame, Frame({0x43, 0, 0, 0, 0x12, 0x34}));
    EXPECT_EQ(plan.Steps[6].Frame, Frame({0x4C}));
    EXPECT_EQ(plan.Steps[7].Frame, Frame({0x4F, 0x41, 0, 0, 0, 0x12, 0x50}));
    EXPECT_FALSE(plan.Steps[7].LastPayment);
    EXPECT_EQ(plan.Steps[8].Frame, Frame({0x4F, 0x51, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(plan.Steps[8].LastPayment);
}

TEST(ReceiptRequest, EveryFieldIsCheckedAndNamed) {
    const struct {
        const char* Json;
        const char* Field;
    } cases[] = {
        {R"([1])", "body"},
        {R"({"payments":[{"type":"cash"}]})", "lines"},
        {R"({"lines":[],"payments":[{"type":"cash"}]})", "lines"},
        {R"({"lines":[{"plu":1}]})", "payments"},
        {R"({"lines":[{"plu":1}],"payments":[]})", "payments"},
        {R"({"lines":[{"plu":1}],"payments":[{"type":"cash"}],"note":1})", "note"},
        {R"({"lines":[{"plu":1.5}],"payments":[{"type":"cash"}]})", "lines[0].plu"},
        {R"({"lines":[{"plu":-1}],"payments":[{"type":"cash"}]})", "lines[0].plu"},
        {R"({"lines":[{}],"payments":[{"type":"cash"}]})", "lines[0]"},
        {R"({"lines":[{"plu":1,"barcode":"1"}],"payments":[{"type":"cash"}]})", "lines[0]"},
        {R"({"lines":[{"barcode":"123"}],"payments":[{"type":"cash"}]})", "lines[0].barcode"},
        {R"({"lines":[{"barcode":"12345678901234567890"}],"payments":[{"type":"cash"}]})",
         "lines[0].barcode"},
        {R"({"lines":[{"plu":1,"quantity":100000}],"payments":[{"type":"cash"}]})", "lines[0].quantity"},
        {R"({"lines":[{"plu":1,"quantity":0.0004}],"payments":[{"type":"cash"}]})", "lines[0].quantity"},
        {R"({"lines":[{"plu":1,"quantity":1.2345}],"payments":[{"type":"cash"}]})", "lines[0].quantity"},
        {R"({"lines":[{"plu":1,"correction":true}],"payments":[{"type":"cash"}]})", "lines[0].correction"},
        {R"({"lines":[{"plu":1,"correction":"yes"}],"payments":[{"type":"cash"}]})", "lines[0].correction"},
        {R"({"lines":[{"plu":1,"adjustment":{"type":"up","amount":1}}],"payments":[{"type":"cash"}]})",
         "lines[0].adjustment.type"},
        {R"({"lines":[{"plu":1,"adjustment":{"type":"increment"}}],"payments":[{"type":"cash"}]})",
         "lines[0].adjustment"},
        {R"({"lines":[{"plu":1,"adjustment":{"type":"increment","percent":100}}],"payments":[{"type":"cash"}]})",
         "lines[0].adjustment.percent"},
        {R"({"lines":[{"plu":1}],"subtotal":1,"payments":[{"type":"cash"}]})", "subtotal"},
        {R"({"lines":[{"plu":1}],"payments":[{"type":"cash","amount":"5"}]})", "payments[0].amount"},
        {R"({"lines":[{"plu":1}],"payments":[{"type":"cash","amount":100000000}]})", "payments[0].amount"},
        {R"({"lines":[{"plu":1}],"payments":[{"type":"cash","tip":1}]})", "payments[0].tip"},
        {R"({"lines":[{"plu":1}],"payments":[{"type":"cash"}],"":1})", "\"\""},
        {R"({"lines":[{"plu":1,"":1}],"payments":[{"type":"cash"}]})", "lines[0].\"\""},
    };
    PluTable table;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Json);
        const QJsonDocument doc = QJsonDocument::fromJson(c.Json);
        const QJsonValue body = doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
        const auto d = DecodeReceipt(body, ReceiptContext{&table, nullptr});
        ASSERT_TRUE(std::holds_alternative<GatewayReply>(d));
        const GatewayReply& r = std::get<GatewayReply>(d);
        EXPECT_EQ(r.Status, 400);
        EXPECT_EQ(r.Body["field"].toString(), c.Field);
        EXPECT_FALSE(r.Body["error"].toString().isEmpty());
    }
}

TEST(ReceiptRequest, IdempotencyKeysAreShortPlainTexts) {
    EXPECT_TRUE(IdempotencyKeyProblem("7f3c01-a.b:c_d").isEmpty());
    EXPECT_FALSE(IdempotencyKeyProblem("").isEmpty());
    EXPECT_FALSE(IdempotencyKeyProblem("a b").isEmpty());
    EXPECT_FALSE(IdempotencyKeyProblem(QByteArray(101, 'a')).isEmpty());
    EXPECT_TRUE(IdempotencyKeyProblem(QByteArray(100, 'a')).isEmpty());
}
