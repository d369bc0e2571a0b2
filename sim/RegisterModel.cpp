#include "sim/RegisterModel.h"

#include "protocol/RegisterCharset.h"
#include "sim/SimFields.h"

#include <QFile>
#include <algorithm>
#include <cstring>

using namespace SimFields;

namespace {

struct Article {
    const char* Description;
    uint32_t Price;
    uint8_t Department;
    uint8_t Unit;
    const char* Barcode;
    uint32_t Stock;
};

// The articles the simulated register comes programmed with, PLU 1 onwards.
// Units other than "item" count in thousandths; those weighed carry the code
// part of their scale's barcodes (header 27, then the PLU number).
constexpr Article DefaultArticles[] = {
    {"MILK 1L", 119, 1, 0, "8600001000017", 0},
    {"BREAD", 65, 1, 0, "8600001000024", 0},
    {"BUTTER 250G", 289, 1, 0, "8600001000031", 40},
    {"APPLES", 149, 2, 2, "2700004", 120000},
    {"COFFEE 200G", 459, 3, 0, "8600001000048", 25},
    {"SUGAR 1KG", 109, 1, 0, "", 0},
    {"WATER 1.5L", 59, 4, 0, "8600001000055", 0},
    {"JUICE 1L", 179, 4, 0, "", 60},
    {"EGGS 10", 239, 1, 0, "8600001000062", 0},
    {"CHEESE", 899, 2, 2, "2700010", 15000},
    {"RICE 1KG", 199, 1, 0, "", 0},
    {"PASTA 500G", 129, 1, 0, "8600001000079", 0},
    {"TEA", 215, 3, 0, "", 0},
    {"SALT", 39, 1, 0, "", 0},
    {"OIL 1L", 329, 1, 4, "", 0},
    {"FLOUR 1KG", 89, 1, 0, "", 0},
    {"YOGURT", 75, 1, 0, "8600001000086", 0},
    {"HAM", 1290, 2, 2, "2700018", 8000},
    {"BANANAS", 169, 2, 2, "2700019", 0},
    {"CHOCOLATE", 145, 5, 0, "8600001000093", 30},
};
constexpr int DefaultArticleCount = int(std::size(DefaultArticles));
// PLUs the cashier sells that the register does not hold: it asks the PC.
constexpr int UnheldFirst = DefaultArticleCount + 1;
constexpr int UnheldCount = 20;
constexpr const char* ForeignBarcodes[] = {"8600009999001", "8600009999018", "4000417025005"};

constexpr int PluRecordSize = 128; // a record of the PLU database file

template <size_t N> std::array<uint8_t, N> TextField(const char* text) {
    std::array<uint8_t, N> out{};
    for (size_t i = 0; i < N && text[i]; ++i)
        out[i] = uint8_t(text[i]);
    return out;
}

uint8_t Checksum(const QByteArray& msg, int from, int to) {
    uint8_t sum = 0;
    for (int i = from; i < to && i < msg.size(); ++i)
        sum = uint8_t(sum + uint8_t(msg[i]));
    return sum;
}

} // namespace

RegisterModel::RegisterModel(uint32_t seed, QObject* parent)
    : QObject(parent), m_plus(PluCount), m_clock([] { return QDateTime::currentDateTime(); }),
      m_day(m_plus, [this] { return m_clock(); }), m_rng(seed) {
    SetDefaultPlus();
    SetDefaultHeader();
    connect(&m_sellTimer, &QTimer::timeout, this, &RegisterModel::SellStep);
}

void RegisterModel::SetClock(std::function<QDateTime()> clock) {
    m_clock = std::move(clock);
}

void RegisterModel::SetDefaultPlus() {
    for (int i = 0; i < DefaultArticleCount; ++i) {
        const Article& a = DefaultArticles[i];
        SimPlu& p = m_plus[size_t(i + 1)];
        p.Description = TextField<12>(a.Description);
        p.Price = a.Price;
        p.Unit = a.Unit;
        p.Flags = uint8_t(a.Department | SimPlu::FlagActive | (a.Unit != 0 ? SimPlu::FlagDecimalQty : 0) |
                          (a.Stock != 0 ? SimPlu::FlagStockProgrammed : 0));
        p.Barcode = TextField<19>(a.Barcode);
        p.Stock = a.Stock;
    }
    CommitBarcodes();
}

void RegisterModel::SetDefaultHeader() {
    // Line 1 double height and width, centred in ten places; line 2 centred
    // in 21; the fiscal lines 6 to 8 as the tax office had them printed.
    const char* texts[HeaderLines] = {"  ORVEX",        "      DEMO SHOP",  "MAIN STREET 1",
                                      "11000 BELGRADE", "TEL 011 123 4567", "PIB 100123456",
                                      "PDV 123456789",  "OX01234567"};
    for (int i = 0; i < HeaderLines; ++i)
        m_header[size_t(i)].Text = TextField<LineWidth>(texts[i]);
    m_header[0].Attribute = 3;
    m_thanks = TextField<LineWidth>("THANK YOU");
}

void RegisterModel::SetPlu(int n, const SimPlu& plu) {
    if (n >= 0 && n < PluCount)
        m_plus[size_t(n)] = plu;
}

void RegisterModel::CommitBarcodes() {
    m_barcodeIndex.clear();
    for (int n = 0; n < PluCount; ++n)
        if (m_plus[size_t(n)].HasBarcode())
            m_barcodeIndex.emplace_back(m_plus[size_t(n)].Barcode, n);
}

int RegisterModel::FindBarcode(const std::array<uint8_t, 19>& barcode) const {
    for (const auto& [code, n] : m_barcodeIndex)
        if (code == barcode)
            return n;
    return -1;
}

bool RegisterModel::LoadPlus(const QString& path, int charset, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray data = file.read(qint64(PluCount) * PluRecordSize);
    auto toRegister = [charset](const char* src, size_t n, uint8_t* dst) {
        for (size_t i = 0; i < n && src[i]; ++i) {
            const uint8_t c = ToRegisterChar(uint8_t(src[i]), charset);
            dst[i] = c ? c : uint8_t('?');
        }
    };
    for (int n = 0; n < PluCount; ++n) {
        SimPlu p;
        if ((n + 1) * PluRecordSize <= data.size()) {
            const char* r = data.constData() + n * PluRecordSize;
            toRegister(r + 4, 12, p.Description.data());
            double price = 0;
            std::memcpy(&price, r + 56, sizeof price);
            p.Price = price > 0 && price < 1e8 ? uint32_t(price * 100 + 0.5) : 0;
            p.Flags = uint8_t(r[64]);
            p.Unit = uint8_t(r[68]);
            toRegister(r + 69, 19, p.Barcode.data());
            uint32_t quantity = 0;
            uint32_t stock = 0;
            std::memcpy(&quantity, r + 92, 4);
            std::memcpy(&stock, r + 96, 4);
            p.Quantity = std::min<uint32_t>(quantity, 99999999);
            p.Stock = std::min<uint32_t>(stock, 99999999);
            double total = 0;
            std::memcpy(&total, r + 104, sizeof total);
            p.Total = total > 0 && total < 1e10 ? uint64_t(total * 100 + 0.5) : 0;
        }
        m_plus[size_t(n)] = p;
    }
    CommitBarcodes();
    return true;
}

uint8_t RegisterModel::ReceiptStatus() const {
    if (!m_day.ReceiptOpen())
        return 'O';
    return m_day.Paying() ? 'P' : 'I';
}

std::vector<QByteArray> RegisterModel::Answer(std::span<const uint8_t> cmd) {
    if (cmd.empty())
        return {};
    switch (cmd[0]) {
    case '?':
    case 'C':
    case 'D':
    case 'E':
    case 'F':
    case 'K':
    case 'L':
    case 'O':
    case 'Z':
        return SaleCommand(cmd);
    case 'V':
        return {QByteArray{"V"} + char(ReceiptStatus())};
    case 'X':
        return {QByteArray(1, ' ') + char(m_lastError)};
    case 'N':
        return PluAnswer(cmd);
    case '^': {
        const int n = Le16(cmd, 1);
        if (n >= PluCount)
            return {};
        m_plus[size_t(n)].Price = uint32_t(Bcd(cmd, 3, 4));
        return {PluRecordReply(n)};
    }
    case '[': {
        const int n = Le16(cmd, 1);
        return n < PluCount ? std::vector<QByteArray>{PluRecordReply(n)} : std::vector<QByteArray>{};
    }
    case '\\': {
        const int n = Le16(cmd, 1);
        if (n >= PluCount)
            return {};
        SimPlu& p = m_plus[size_t(n)];
        p.Description = Text<12>(cmd, 3);
        p.Price = uint32_t(Bcd(cmd, 15, 4));
        p.Flags = Byte(cmd, 19);
        p.Unit = Byte(cmd, 20);
        p.Barcode = Text<19>(cmd, 21);
        return {PluRecordReply(n)};
    }
    case 'Y': {
        const int n = Le16(cmd, 1);
        if (n >= PluCount)
            return {};
        m_plus[size_t(n)].Stock = uint32_t(Bcd(cmd, 3, 4));
        return {PluRecordReply(n)};
    }
    case 'P':
        CommitBarcodes();
        return {};
    case 'f':
        return {m_day.TaxReport()};
    case 'g':
        return {m_day.DepartmentReport()};
    case 'h':
        return {m_day.StatusReport()};
    case 'k':
        return {m_day.LastZReport()};
    case 'i':
        return {m_day.PluReport(Le16(cmd, 1))};
    case 'j':
        return {m_day.OperatorReport(Byte(cmd, 1))};
    case 'l':
        m_lastError = m_day.RunZReport();
        return {QByteArray(1, ' ') + char(m_lastError)};
    case 'n':
        // Printed on the register's own paper: nothing goes back on the line.
        ++m_pluReportsPrinted;
        return {};
    case ']': {
        const int line = Le16(cmd, 1);
        return line >= 1 && line <= HeaderLines ? std::vector<QByteArray>{HeaderReply(line)}
                                                : std::vector<QByteArray>{};
    }
    case '_': {
        const int line = Byte(cmd, 1);
        if (line < 1 || line > HeaderLines)
            return {};
        m_header[size_t(line - 1)] = {Byte(cmd, 2), Text<LineWidth>(cmd, 3)};
        return {HeaderReply(line)};
    }
    case 'a':
        m_day.CountHeaderChange();
        return {};
    case 'S':
        m_thanks = Text<LineWidth>(cmd, 1);
        return {QByteArray(1, 'S')};
    case 'Q':
        return {ClockReply()};
    default:
        return {};
    }
}

std::vector<QByteArray> RegisterModel::SaleCommand(std::span<const uint8_t> cmd) {
    constexpr int PcOperator = 1;
    SimDay::Outcome out;
    switch (cmd[0]) {
    case '?':
        out = m_day.SellPlu(Le16(cmd, 1), uint32_t(Bcd(cmd, 3, 4)), Byte(cmd, 7), '?', PcOperator);
        break;
    case 'C':
    case 'D':
        out = m_day.AdjustAmount(cmd[0] == 'C', uint32_t(Bcd(cmd, 1, 5)));
        break;
    case 'E':
    case 'F':
        out = m_day.AdjustPercent(cmd[0] == 'E', uint32_t(Bcd(cmd, 1, 2)));
        break;
    case 'K':
        out = m_day.CorrectLast();
        break;
    case 'L':
        out = m_day.Subtotal();
        break;
    case 'O':
        out = m_day.Pay(Byte(cmd, 1), Bcd(cmd, 2, 5));
        break;
    case 'Z':
        // Clear: the register forgets its error; the receipt stays as it is.
        break;
    }
    m_lastError = out.Error;
    if (out.Error == SimDay::NoError && cmd[0] != 'Z') {
        // The PC drives this receipt from now on; the cashier waits for it to close.
        m_pcOwnsReceipt = m_day.ReceiptOpen();
        if (m_pcOwnsReceipt)
            m_plan.clear();
    }
    return out.Records;
}

std::vector<QByteArray> RegisterModel::PluAnswer(std::span<const uint8_t> cmd) {
    if (!m_pending.Active)
        return {};
    m_pending.Active = false;
    const int n = Le16(cmd, 1);
    if (n >= PluCount)
        return {}; // not found on the PC either: the cashier drops the article
    const uint8_t flags = Byte(cmd, 19);
    SimDay::Outcome out = m_day.SellExternal(flags & SimPlu::DepartmentMask, uint32_t(Bcd(cmd, 15, 4)),
                                             Text<12>(cmd, 3), 10000, m_cashierOperator);
    return out.Records;
}

QByteArray RegisterModel::PluRecordReply(int n) const {
    const SimPlu& p = m_plus[size_t(n)];
    QByteArray rep(56, '\0');
    rep[0] = '[';
    PutLe16(rep, 1, uint16_t(n));
    PutBytes(rep, 3, p.Description);
    PutBcd(rep, 15, 4, p.Price);
    PutByte(rep, 19, p.Flags);
    PutByte(rep, 20, p.Unit);
    PutBytes(rep, 21, p.Barcode);
    PutBcd(rep, 41, 4, p.Quantity);
    PutBcd(rep, 45, 4, p.Stock);
    PutBcd(rep, 49, 6, p.Total);
    // The check bytes are the register's own: the low byte of the sum of the
    // constant fields, and of the variable fields.
    PutByte(rep, 40, Checksum(rep, 3, 40));
    PutByte(rep, 55, Checksum(rep, 41, 55));
    return rep;
}

QByteArray RegisterModel::HeaderReply(int line) const {
    const HeaderLine& h = m_header[size_t(line - 1)];
    QByteArray rep(24, '\0');
    rep[0] = ']';
    PutByte(rep, 1, uint8_t(line));
    PutByte(rep, 2, h.Attribute);
    PutBytes(rep, 3, h.Text);
    return rep;
}

QByteArray RegisterModel::ClockReply() const {
    const QDateTime now = m_clock();
    QByteArray rep(8, '\0');
    rep[0] = 'Q';
    PutByte(rep, 1, uint8_t(now.time().second()));
    PutByte(rep, 2, uint8_t(now.time().minute()));
    PutByte(rep, 3, uint8_t(now.time().hour()));
    PutByte(rep, 4, uint8_t(now.date().day()));
    PutByte(rep, 5, uint8_t(now.date().month()));
    PutLe16(rep, 6, uint16_t(now.date().year()));
    return rep;
}

// --- the cashier ---------------------------------------------------------

void RegisterModel::StartSelling(int intervalMs) {
    m_sellTimer.stop();
    if (intervalMs > 0)
        m_sellTimer.start(intervalMs);
}

void RegisterModel::Emit(const std::vector<QByteArray>& records) {
    for (const QByteArray& r : records)
        emit Unsolicited(r);
}

void RegisterModel::PlanReceipt() {
    m_cashierOperator = 1 + Random(3);
    const int items = 1 + Random(5);
    for (int i = 0; i < items; ++i) {
        m_plan.push_back(Step::Item);
        const int r = Random(100);
        if (r < 12)
            m_plan.push_back(Step::Adjust);
        else if (r < 18)
            m_plan.push_back(Step::Void);
    }
    m_plan.push_back(Step::Subtotal);
    if (Random(100) < 25)
        m_plan.push_back(Step::SubtotalDiscount);
    m_plan.push_back(Step::Pay);
}

void RegisterModel::SellStep() {
    if (m_pending.Active) {
        if (m_pending.Since.elapsed() < PluAnswerPatienceMs)
            return;
        m_pending.Active = false; // no answer from the PC: the article is put aside
    }
    if (m_day.ReceiptOpen() && m_pcOwnsReceipt)
        return;
    m_pcOwnsReceipt = false;
    // A step that the register refuses (a decrement larger than the item, a
    // void with nothing to void) is skipped, so every call sends something
    // unless it waits for the PC.
    for (int guard = 0; guard < 32; ++guard) {
        if (m_plan.empty())
            PlanReceipt();
        const Step step = m_plan.front();
        m_plan.pop_front();
        if (RunStep(step))
            return;
    }
}

bool RegisterModel::RunStep(Step step) {
    SimDay::Outcome out;
    switch (step) {
    case Step::Item:
        return SellItem();
    case Step::Adjust: {
        const int kind = Random(4);
        if (kind < 2)
            out = m_day.AdjustAmount(kind == 0, uint32_t(10 * (1 + Random(20))));
        else
            out = m_day.AdjustPercent(kind == 2, uint32_t(500 * (1 + Random(4))));
        break;
    }
    case Step::Void:
        out = m_day.CorrectLast();
        break;
    case Step::Subtotal:
        out = m_day.Subtotal();
        break;
    case Step::SubtotalDiscount: {
        // Mostly a 5 % discount; now and then a surcharge or a round amount off.
        const int r = Random(10);
        if (r < 6)
            out = m_day.AdjustSubtotalPercent(false, 500);
        else if (r < 7)
            out = m_day.AdjustSubtotalPercent(true, 1000);
        else if (r < 9)
            out = m_day.AdjustSubtotalAmount(false, 50);
        else
            out = m_day.AdjustSubtotalAmount(true, 100);
        break;
    }
    case Step::Pay: {
        const int r = Random(10);
        const uint8_t type = r < 7 ? 'C' : r < 9 ? 'A' : 'Q';
        uint64_t amount = 0; // exact
        if (type == 'C' && Random(2) == 0) {
            // Cash rounded up to a whole hundred: the drawer gives change.
            const int64_t due = m_day.ReceiptTotal();
            amount = uint64_t((due / 10000 + 1) * 10000);
        }
        out = m_day.Pay(type, amount);
        break;
    }
    }
    Emit(out.Records);
    return !out.Records.empty();
}

bool RegisterModel::SellItem() {
    std::vector<int> held;
    for (int n = 0; n < PluCount; ++n) {
        const SimPlu& p = m_plus[size_t(n)];
        if (p.Active() && p.Price > 0 && p.Department() >= 1 && p.Department() <= SimDay::Departments)
            held.push_back(n);
    }
    const int r = Random(100);
    SimDay::Outcome out;
    if (r < 60 && !held.empty()) {
        const int n = held[size_t(Random(int(held.size())))];
        const uint32_t quantity =
            m_plus[size_t(n)].DecimalQty() ? uint32_t(100 + Random(1900)) : uint32_t(1000 * (1 + Random(3)));
        out = m_day.SellPlu(n, quantity, 'N', 'B', m_cashierOperator);
    } else if (r < 75) {
        out = m_day.SellDepartment(1 + Random(SimDay::Departments), uint32_t(50 + Random(2000)),
                                   uint32_t(10000 * (1 + Random(2))), m_cashierOperator);
    } else {
        QByteArray request(21, '\0');
        request[0] = 'N';
        if (r < 90) {
            // A PLU number the register does not hold.
            int n = UnheldFirst + Random(UnheldCount);
            for (int tries = 0; tries < 50 && m_plus[size_t(n)].Active(); ++tries)
                n = Random(PluCount);
            if (m_plus[size_t(n)].Active())
                return false;
            request[1] = 'C';
            PutBcd(request, 17, 4, uint64_t(n));
        } else {
            const char* barcode = ForeignBarcodes[Random(int(std::size(ForeignBarcodes)))];
            if (const int n = FindBarcode(TextField<19>(barcode)); n >= 0) {
                // Programmed and committed since: the scan sells it here.
                out = m_day.SellPlu(n, 1000, 'N', 'B', m_cashierOperator);
                Emit(out.Records);
                return !out.Records.empty();
            }
            request[1] = 'B';
            PutBytes(request, 2, TextField<19>(barcode));
        }
        m_pending.Active = true;
        m_pending.Since.start();
        emit Unsolicited(request);
        return true;
    }
    Emit(out.Records);
    return !out.Records.empty();
}
