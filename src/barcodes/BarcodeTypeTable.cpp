#include "barcodes/BarcodeTypeTable.h"

#include <QtEndian>

BarcodeTypeTable BarcodeTypeTable::Defaults() {
    BarcodeTypeTable t;
    const int32_t headers[BarcodeRuleCount] = {20, 21, 27, 50, 56, 57};
    for (int i = 0; i < BarcodeRuleCount; ++i)
        t.Rules[size_t(i)] = {headers[i], 7, 5};
    return t;
}

QByteArray BarcodeTypeTable::ToBytes() const {
    QByteArray out(BarcodeTypeFileSize, '\0');
    char* p = out.data();
    for (const BarcodeRule& r : Rules) {
        for (int32_t v : {r.Header, r.Code, r.Weight}) {
            qToLittleEndian(v, p);
            p += 4;
        }
    }
    return out;
}

BarcodeTypeTable BarcodeTypeTable::FromBytes(QByteArrayView bytes) {
    BarcodeTypeTable t;
    if (bytes.size() < BarcodeTypeFileSize)
        return t;
    const char* p = bytes.data();
    for (BarcodeRule& r : t.Rules) {
        for (int32_t* v : {&r.Header, &r.Code, &r.Weight}) {
            *v = qFromLittleEndian<int32_t>(p);
            p += 4;
        }
    }
    return t;
}

void BarcodeRules::SetApplied(const BarcodeTypeTable& table) {
    m_applied = table;
    m_edited = table;
}

void BarcodeRules::SetEditedRule(int index, const BarcodeRule& rule) {
    if (index >= 0 && index < BarcodeRuleCount)
        m_edited.Rules[size_t(index)] = rule;
}

void BarcodeRules::ApplyEdits() {
    m_applied = m_edited;
}

void BarcodeRules::DropEdits() {
    m_edited = m_applied;
}

bool RuleWithinChecks(const BarcodeRule& rule) {
    const auto twoDigits = [](int32_t v) { return v >= 0 && v <= 99; };
    return twoDigits(rule.Header) && twoDigits(rule.Code) && twoDigits(rule.Weight) &&
           rule.Code + rule.Weight <= 19;
}
