// libFuzzer target: whatever a client sends as a receipt body or an
// Idempotency-Key, and whatever a register sends as a journal record. A body is refused naming a
// field, or becomes frames of the sizes the register takes, each confirmed by
// a known step; nothing throws and nothing reads past its input.
#include "barcodes/BarcodeTypeTable.h"
#include "database/PluTable.h"
#include "gateway/JournalJson.h"
#include "gateway/ReceiptRequest.h"
#include "monitor/JournalRecord.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const PluTable table = [] {
        PluTable t;
        t.FillDefaults();
        std::memcpy(t[5].Barcode.data(), "2700005", 7);
        std::memcpy(t[42].Barcode.data(), "8600001000024", 13);
        return t;
    }();
    static const BarcodeTypeTable rules = BarcodeTypeTable::Defaults();
    if (size == 0)
        return 0;
    // An exact-size copy, so that ASan sees any read past the input.
    const std::vector<uint8_t> bytes(data + 1, data + size);
    const QByteArray text(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    switch (data[0] % 4) {
    case 0:
    case 1: {
        const QJsonDocument doc = QJsonDocument::fromJson(text);
        const QJsonValue body = doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object());
        const auto decoded = DecodeReceipt(body, ReceiptContext{&table, &rules});
        if (const auto* refusal = std::get_if<GatewayReply>(&decoded)) {
            if (refusal->Status != 400 || refusal->Body["field"].toString().isEmpty())
                std::abort();
            break;
        }
        const ReceiptPlan& plan = std::get<ReceiptPlan>(decoded);
        if (plan.Steps.empty() || plan.Steps.back().What != ReceiptStep::Kind::Payment ||
            !plan.Steps.back().LastPayment)
            std::abort();
        for (const ReceiptStep& s : plan.Steps) {
            const size_t n = s.Frame.size();
            const bool sized = (s.What == ReceiptStep::Kind::Sale && n == 8) ||
                               (s.What == ReceiptStep::Kind::Payment && n == 7) ||
                               (s.What == ReceiptStep::Kind::Subtotal && n == 1) ||
                               (s.What == ReceiptStep::Kind::Adjustment && (n == 6 || n == 3));
            if (!sized || (s.What == ReceiptStep::Kind::Sale && !PluTable::Contains(s.Plu)))
                std::abort();
        }
        break;
    }
    case 2:
        if (const auto record = DecodeJournal(bytes))
            (void)JournalRecordJson(*record, data[0] & 4 ? 238 : 204);
        break;
    default: {
        const QString problem = IdempotencyKeyProblem(text);
        if (problem.isEmpty() && (text.isEmpty() || text.size() > MaxIdempotencyKey))
            std::abort();
        break;
    }
    }
    return 0;
}
