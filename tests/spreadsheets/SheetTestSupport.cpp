#include "SheetTestSupport.h"

#include "database/PluTable.h"

void FillVariedPlus(PluTable& table) {
    static const char* const words[] = {"MILK",         "BREAD 1KG", "A",     "CHEESE-GOUDA",
                                        "\"QUOTE\", X", "  SPACES ", "12345", "SALT;PEPPER"};
    for (int n = 0; n < PluTable::Size; ++n) {
        PluRecord r;
        r.Code = uint32_t(n);
        const QByteArray word = words[n % 8];
        r.SetDescription(word.left(12));
        if (n % 5 != 0)
            r.SetDescription2(
                QByteArray("DESCRIPTION TWO ") + QByteArray::number(n) +
                (n % 7 == 0 ? QByteArray(" FILLED TO THE LIMIT....").left(35 - 16 - 4) : QByteArray()));
        const int unit = n % 8;
        r.Unit = uint8_t(unit);
        r.Price = (n % 11 == 0) ? 0.0 : double((n * 7919) % 99999999) / 100.0;
        r.NetPrice = (n % 3 == 0) ? 0.0 : double((n * 104729) % 99999999) / 100.0;
        const int department = n % 10;
        r.Flags = uint8_t(department);
        if (department != 0)
            r.Flags |= FlagActive;
        if (unit != 0)
            r.Flags |= FlagDecimalQty;
        if (r.Price == 0.0)
            r.Flags |= FlagFreePrice;
        r.Stock = (n % 4 == 0) ? 0 : uint32_t(unit == 0 ? (n * 9973) % 100000000 : (n * 9973) % 100000000);
        if (r.Stock != 0)
            r.Flags |= FlagStockProgrammed;
        if (n % 3 == 1)
            r.SetBarcode(QByteArray::number(qint64(n) * 1000003).rightJustified(13, '0'));
        else if (n % 3 == 2)
            r.SetBarcode(QByteArray("0") + QByteArray::number(n * 31).rightJustified(18, '0'));
        table[n] = r;
    }
}

void ExpectSamePlus(const PluTable& expected, const PluTable& actual) {
    int failures = 0;
    for (int n = 0; n < PluTable::Size && failures < 10; ++n) {
        const PluRecord& e = expected[n];
        const PluRecord& a = actual[n];
        const bool same = e.Code == a.Code && e.DescriptionText() == a.DescriptionText() &&
                          e.Description2Text() == a.Description2Text() && e.Price == a.Price &&
                          e.NetPrice == a.NetPrice && e.Flags == a.Flags && e.Unit == a.Unit &&
                          e.BarcodeText() == a.BarcodeText() && e.Stock == a.Stock;
        if (!same) {
            ++failures;
            ADD_FAILURE() << "PLU " << n << ": code " << e.Code << "/" << a.Code << " descr '"
                          << e.DescriptionText().toStdString() << "'/'" << a.DescriptionText().toStdString()
                          << "' descr2 '" << e.Description2Text().toStdString() << "'/'"
                          << a.Description2Text().toStdString() << "' price " << e.Price << "/" << a.Price
                          << " net " << e.NetPrice << "/" << a.NetPrice << " flags " << int(e.Flags) << "/"
                          << int(a.Flags) << " unit " << int(e.Unit) << "/" << int(a.Unit) << " barcode '"
                          << e.BarcodeText().toStdString() << "'/'" << a.BarcodeText().toStdString()
                          << "' stock " << e.Stock << "/" << a.Stock;
        }
    }
}
