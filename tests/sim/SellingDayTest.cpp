#include "SimOnPty.h"

#include "protocol/Converts.h"

#include <array>
#include <map>

namespace {

uint64_t BcdAt(const QByteArray& p, int offset, int width) {
    return BcdToInt64(std::span(reinterpret_cast<const uint8_t*>(p.constData()) + offset, size_t(width)));
}

int64_t RoundedDiv(int64_t num, int64_t den) {
    return num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
}

// The daily figures as a journal reader works them out, from the records alone.
struct JournalTotals {
    std::array<int64_t, 9> Departments{};
    std::array<int, 9> DepartmentSales{};
    int64_t Total = 0;
    int Receipts = 0;
    std::map<int, int64_t> OperatorTotals;
    // Per PLU sold by the cashier: quantity as the register counts it (pieces,
    // or thousandths for measured goods) and the sales amount.
    std::map<int, std::pair<int64_t, int64_t>> Plus;
    std::vector<std::string> Mismatches;
};

class JournalReader {
  public:
    explicit JournalReader(JournalTotals& totals) : m_totals(totals) {}

    void Take(const QByteArray& r) {
        switch (r[0]) {
        case '@':
            m_operator = uint8_t(r[1]);
            m_items.clear();
            m_adjust.fill(0);
            break;
        case 'A':
            m_items.push_back({uint8_t(r[1]),
                               RoundedDiv(int64_t(BcdAt(r, 2, 6)) * int64_t(BcdAt(r, 8, 4)), 10000),
                               r[12] == 'C'});
            break;
        case 'B': {
            const int64_t quantity = int64_t(BcdAt(r, 41, 4));
            int64_t amount = RoundedDiv(int64_t(BcdAt(r, 15, 4)) * quantity, 1000);
            m_items.push_back({uint8_t(r[19]) & 0x0F, r[45] == 'C' ? -amount : amount, r[45] == 'C',
                               (uint8_t(r[1]) << 8) | uint8_t(r[2]),
                               r[20] == 0 ? RoundedDiv(quantity, 1000) : quantity, amount});
            break;
        }
        case '?': {
            int64_t amount = RoundedDiv(int64_t(BcdAt(r, 2, 5)) * int64_t(BcdAt(r, 19, 4)), 10000);
            m_items.push_back({uint8_t(r[1]), r[23] == 'C' ? -amount : amount, r[23] == 'C'});
            break;
        }
        case 'C':
        case 'E':
            m_items.back().Amount += int64_t(BcdAt(r, 2, 6));
            break;
        case 'D':
        case 'F':
            m_items.back().Amount -= int64_t(BcdAt(r, 2, 6));
            break;
        case 'G':
        case 'H':
        case 'I':
        case 'J':
            for (int d = 0; d < 9; ++d)
                m_adjust[d] += (r[0] == 'G' || r[0] == 'I' ? 1 : -1) * int64_t(BcdAt(r, 1 + 5 * d, 5));
            break;
        case 'K':
            m_items.pop_back();
            break;
        case 'L':
            if (int64_t(BcdAt(r, 1, 6)) != Sum())
                m_totals.Mismatches.push_back("subtotal " + Hex(r));
            break;
        case 'O': {
            const int64_t total = int64_t(BcdAt(r, 1, 6));
            if (total != Sum())
                m_totals.Mismatches.push_back("receipt total " + Hex(r));
            for (const Item& item : m_items) {
                if (item.Plu >= 0) {
                    m_totals.Plus[item.Plu].first += item.PluQuantity;
                    m_totals.Plus[item.Plu].second += item.PluAmount;
                }
                m_totals.Departments[item.Department - 1] += item.Amount;
                m_totals.DepartmentSales[item.Department - 1] += item.Correction ? -1 : 1;
            }
            for (int d = 0; d < 9; ++d)
                m_totals.Departments[d] += m_adjust[d];
            m_totals.Total += total;
            m_totals.OperatorTotals[m_operator] += total;
            ++m_totals.Receipts;
            m_items.clear();
            m_adjust.fill(0);
            break;
        }
        default:
            break;
        }
    }

  private:
    struct Item {
        int Department;
        int64_t Amount;
        bool Correction;
        int Plu = -1;
        int64_t PluQuantity = 0;
        int64_t PluAmount = 0;
    };
    [[nodiscard]] int64_t Sum() const {
        int64_t s = 0;
        for (const Item& item : m_items)
            s += item.Amount;
        for (int64_t a : m_adjust)
            s += a;
        return s;
    }

    JournalTotals& m_totals;
    std::vector<Item> m_items;
    std::array<int64_t, 9> m_adjust{};
    int m_operator = 0;
};

// The PC's answer to the register's PLU request: every unknown PLU is a
// 2.50 article of department 2; one barcode is unknown to the PC as well.
std::vector<uint8_t> PcAnswer(const QByteArray& request) {
    std::vector<uint8_t> answer(39, 0);
    answer[0] = 'N';
    if (request[1] == 'B' && request.mid(2, 13) == "4000417025005") {
        answer[1] = answer[2] = 0xFF;
        return answer;
    }
    const int n = request[1] == 'C' ? int(BcdAt(request, 17, 4)) : 9000;
    answer[1] = uint8_t(n & 0xFF);
    answer[2] = uint8_t(n >> 8);
    const char desc[] = "FROM PC";
    std::copy(desc, desc + 7, answer.begin() + 3);
    answer[17] = 0x02;
    answer[18] = 0x50;
    answer[19] = 0x42;
    return answer;
}

class SellingDay : public SimOnPty {
  protected:
    // The cashier sells for steps steps (and on to the end of the receipt it is
    // in); the test plays the PC, answering PLU requests. Returns the journal.
    std::vector<QByteArray> Sell(int steps) {
        std::vector<QByteArray> journal;
        received.clear();
        size_t seen = 0;
        auto drain = [&] {
            for (; seen < received.size(); ++seen) {
                const QByteArray& r = received[seen];
                journal.push_back(r);
                if (r[0] == 'N') {
                    ++requests;
                    Send(PcAnswer(r));
                    WaitUntil([&] { return !model.AwaitingPluAnswer(); }, 2000);
                }
            }
        };
        for (int i = 0; i < steps || (model.ReceiptStatus() != 'O' && i < steps + 200); ++i) {
            model.SellStep();
            RunEventsFor(2);
            drain();
        }
        WaitUntil([&] { return port->Pending() == 0; }, 2000);
        RunEventsFor(50);
        drain();
        return journal;
    }

    QByteArray Ask(const std::vector<uint8_t>& command) {
        const auto replies = Exchange(command, 1);
        EXPECT_EQ(replies.size(), 1u) << Hex(command);
        return replies.empty() ? QByteArray() : replies.back();
    }

    int requests = 0;
};

} // namespace

TEST_F(SellingDay, JournalAgreesWithTheDailyReports) {
    const auto journal = Sell(300);
    JournalTotals totals;
    JournalReader reader(totals);
    std::map<char, int> kinds;
    for (const QByteArray& r : journal) {
        reader.Take(r);
        ++kinds[r[0]];
    }
    EXPECT_TRUE(totals.Mismatches.empty()) << totals.Mismatches.front();
    ASSERT_GT(totals.Receipts, 20);
    for (char kind : {'@', 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'O', 'N', '?'})
        EXPECT_GT(kinds[kind], 0) << "a day of selling sends '" << kind << "' records";
    EXPECT_GT(requests, 0);

    const QByteArray tax = Ask({'f'});
    const QByteArray departments = Ask({'g'});
    ASSERT_EQ(tax.size(), 46);
    ASSERT_EQ(departments.size(), 64);
    int64_t taxSum = 0;
    std::array<int64_t, 9> byGroup{};
    for (int d = 0; d < 9; ++d) {
        EXPECT_EQ(int64_t(BcdAt(departments, 1 + 5 * d, 5)), totals.Departments[d]) << "department " << d + 1;
        EXPECT_EQ(int(BcdAt(departments, 46 + 2 * d, 2)), totals.DepartmentSales[d])
            << "department " << d + 1;
        byGroup[SimDay::TaxGroupOf(d + 1)] += totals.Departments[d];
    }
    for (int g = 0; g < 9; ++g) {
        EXPECT_EQ(int64_t(BcdAt(tax, 1 + 5 * g, 5)), byGroup[g]) << "tax group " << g;
        taxSum += int64_t(BcdAt(tax, 1 + 5 * g, 5));
    }
    EXPECT_EQ(taxSum, totals.Total);

    int64_t operatorSum = 0;
    int operatorReceipts = 0;
    for (int op = 1; op <= 15; ++op) {
        const QByteArray stats = Ask({'j', uint8_t(op)});
        ASSERT_EQ(stats.size(), 115);
        const int64_t total = int64_t(BcdAt(stats, 21, 6));
        EXPECT_EQ(total, totals.OperatorTotals[op]) << "operator " << op;
        EXPECT_EQ(int64_t(BcdAt(stats, 3, 6) + BcdAt(stats, 9, 6) + BcdAt(stats, 15, 6)), total)
            << "cash, cheque and card make the total of operator " << op;
        operatorSum += total;
        operatorReceipts += int(BcdAt(stats, 29, 2));
    }
    EXPECT_EQ(operatorSum, totals.Total);
    EXPECT_EQ(operatorReceipts, totals.Receipts);
    EXPECT_EQ(int(BcdAt(Ask({'h'}), 5, 4)), totals.Receipts);

    ASSERT_GT(totals.Plus.size(), 5u);
    for (const auto& [plu, sold] : totals.Plus) {
        const QByteArray stats = Ask({'i', uint8_t(plu & 0xFF), uint8_t(plu >> 8)});
        ASSERT_EQ(stats.size(), 17);
        EXPECT_EQ(int64_t(BcdAt(stats, 3, 4)), sold.first) << "quantity of PLU " << plu;
        EXPECT_EQ(int64_t(BcdAt(stats, 11, 6)), sold.second) << "total of PLU " << plu;
    }

    // The Z report closes the day: the last Z holds it, the new day is empty.
    EXPECT_EQ(Hex(Ask({'l'})), "20 00");
    const QByteArray lastZ = Ask({'k'});
    ASSERT_EQ(lastZ.size(), 130);
    EXPECT_EQ(uint8_t(lastZ[7]) | (uint8_t(lastZ[8]) << 8), 1) << "Z number";
    int64_t zSum = 0;
    for (int g = 0; g < 9; ++g) {
        EXPECT_EQ(int64_t(BcdAt(lastZ, 1 + 8 + 6 * g, 6)), byGroup[g]) << "tax group " << g;
        zSum += int64_t(BcdAt(lastZ, 1 + 8 + 6 * g, 6));
    }
    EXPECT_EQ(zSum, totals.Total);
    EXPECT_EQ(int(BcdAt(lastZ, 1 + 116, 4)), totals.Receipts);
    EXPECT_EQ(Hex(Ask({'f'}).mid(1)), Hex(QByteArray(45, '\0')));
    EXPECT_EQ(Hex(Ask({'j', 1}).mid(3, 24)), Hex(QByteArray(24, '\0')));
}

TEST_F(SellingDay, PluRequestIsAnsweredByThePc) {
    // Sell until the register asks for a PLU by number; the PC's answer is sold
    // as an external sale under the answer's description, price and department.
    received.clear();
    QByteArray request;
    size_t seen = 0;
    for (int i = 0; i < 400 && request.isEmpty(); ++i) {
        model.SellStep();
        WaitUntil([&] { return received.size() > seen || !model.AwaitingPluAnswer(); }, 1000);
        RunEventsFor(2);
        for (; seen < received.size() && request.isEmpty(); ++seen) {
            const QByteArray& r = received[seen];
            if (r[0] == 'N' && r[1] == 'C') {
                request = r;
            } else if (r[0] == 'N') {
                // A barcode request: the PC does not know it either.
                std::vector<uint8_t> notFound(39, 0);
                notFound[0] = 'N';
                notFound[1] = notFound[2] = 0xFF;
                Send(notFound);
                WaitUntil([&] { return !model.AwaitingPluAnswer(); }, 1000);
            }
        }
    }
    ASSERT_FALSE(request.isEmpty());
    ASSERT_EQ(request.size(), 21);
    EXPECT_EQ(Hex(request.mid(2, 15)), Hex(QByteArray(15, '\0')));
    const int plu = int(BcdAt(request, 17, 4));
    EXPECT_FALSE(model.Plu(plu).Active()) << "the register asks only for PLUs it does not hold";

    const auto replies = Exchange(PcAnswer(request), 1);
    ASSERT_FALSE(replies.empty());
    const QByteArray sale = replies.back();
    EXPECT_EQ(Hex(sale), "3F 02 00 00 00 02 50 46 52 4F 4D 20 50 43 00 00 00 00 00 00 01 00 00 4E");
    EXPECT_FALSE(model.AwaitingPluAnswer());
    EXPECT_TRUE(Exchange(PcAnswer(request), 0).empty()) << "an answer nobody asked for is ignored";
}
